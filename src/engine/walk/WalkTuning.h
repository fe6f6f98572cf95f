#pragma once

#include "engine/walk/ReadAheadParser.h"

#include <optional>

namespace velmora {

/// How a run reads and walks its sources. Every way gives the same files, log and messages; the default is the
/// fastest on this machine, and tests compare it with the others.
struct WalkTuning
{
    /// How the walks read their lines (walkJobs); std::nullopt: each line by its walk as it comes.
    std::optional<ReadAheadOptions> readAhead = ReadAheadOptions::forThisMachine();
    /// Later entries over a file are walked beside the first, so that the file is read once for all of them.
    bool walkAhead = true;
};

} // namespace velmora
