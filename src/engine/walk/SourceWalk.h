#pragma once

#include "engine/bars/BarBuilder.h"
#include "engine/output/JobOutput.h"
#include "engine/walk/ReadAheadParser.h"
#include "engine/walk/RecordedJob.h"
#include "engine/walk/WalkJob.h"
#include "input/SourceLines.h"

#include <optional>
#include <span>
#include <string_view>

namespace velmora {

/// The bars of every job's walk over the same file, appended to its output (each line with CR LF); fileName
/// names the file in the log. The lines are read once, and each walk takes them in turn, a chunk at a time, on
/// this thread; each does exactly what it would do alone. The first job is walked for real; jobs marked ahead
/// go through their own environment.
///
/// readAhead: how the walks read their lines: ahead of the walks as the options say, or (std::nullopt) every
/// line on the walks' own thread as it comes, which is slower and gives the same bars, log and messages.
void walkJobs(const BarBuilder& builder, const std::optional<ReadAheadOptions>& readAhead, const SourceLines& lines,
              std::string_view fileName, std::span<WalkJob* const> jobs);

/// Builds the bars of the job at its turn and of the recorded jobs beside it in one pass over their source, then
/// sends all their files on their way to the disk together; each is renamed into place at its own turn.
/// Throws what the job at its turn throws; a recorded job keeps what ends it for its turn.
void walkSource(const BarBuilder& builder, const std::optional<ReadAheadOptions>& readAhead, const SourceLines& lines,
                std::string_view fileName, WalkJob& job, JobOutput& output, std::span<RecordedJob* const> beside);

} // namespace velmora
