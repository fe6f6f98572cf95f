#pragma once

#include "engine/settings/ConversionSettings.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace velmora {

/// The first lines of the file a run with the settings would write for the first entry of their timeframe list
/// over the source: a text format's lines as written (its header first), or for an .hst its header and first
/// records decoded into text; at most rows lines, a header counted. Nothing is written. Throws RunError as a run would.
std::vector<std::string> previewOutput(const std::filesystem::path& source, ConversionSettings settings,
                                       std::size_t rows);

} // namespace velmora
