#pragma once

#include "engine/run/RunFrontEnd.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace velmora {

/// How the run's user has a file's dates read day-first, in the words of the program the run was started from.
std::string_view dayFirstHint(RunFrontEnd frontEnd);

/// Lines from a file's start in which one line at least must read before the rest is looked at: a file with
/// none there is taken as written in another layout than the one it is read in.
constexpr std::size_t UnreadableAfterLines = 1000;

/// The log line for a file no line of whose first UnreadableAfterLines reads: that it cannot be read in this
/// layout, its line count, and what its user can try, in the words of the program the run was started from.
std::string unreadableSourceEntry(std::string_view fileName, std::size_t lineCount, RunFrontEnd frontEnd);

} // namespace velmora
