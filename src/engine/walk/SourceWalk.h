#pragma once

#include "engine/bars/BarBuilder.h"
#include "engine/output/JobOutput.h"
#include "engine/walk/RecordedJob.h"
#include "input/SourceLines.h"

#include <span>
#include <string_view>

namespace velmora {

/// Builds the bars of the job at its turn and of the recorded jobs beside it in one pass over their source, then
/// sends all their files on their way to the disk together; each is renamed into place at its own turn.
/// Throws what the job at its turn throws; a recorded job keeps what ends it for its turn.
void walkSource(const BarBuilder& builder, const SourceLines& lines, std::string_view fileName, WalkJob& job,
                JobOutput& output, std::span<RecordedJob* const> beside);

} // namespace velmora
