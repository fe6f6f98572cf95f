#pragma once

#include "engine/bars/BarBuilder.h"

#include <string>

namespace velmora {

/// How a job walked ahead of its turn ended.
enum class WalkEnd {
    Finished,
    Failed,    ///< a run error ended it: error holds the message, to be shown at the job's turn
    Abandoned, ///< its recording filled up, or memory ran out: the job is walked again at its turn
};

/// One job's walk over a file among the walks over it (walkJobs): its bars, and how it is walked.
struct WalkJob : BarJob
{
    /// A job walked ahead of its turn, beside another: what ends it is kept in ended (and error) instead of
    /// thrown, and ends only this walk. Only a job walked at its turn counts for the file (BarBuilder::Walk):
    /// a job walked ahead follows an earlier one over it.
    bool ahead = false;
    WalkEnd ended = WalkEnd::Finished;
    std::string error = {};
};

} // namespace velmora
