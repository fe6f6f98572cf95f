#pragma once

#include "engine/bars/TimeframeEntry.h"
#include "engine/walk/RecordedJob.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace velmora {

/// Which later jobs are walked beside the job at its turn, so that a source is read once for all the entries
/// over it, and the recorded jobs until their turn. A job is (entry index, file index); jobs run entries outer,
/// files inner.
class WalkAheadPlan
{
public:
    /// A run over hundreds of files keeps at most this many recorded jobs, each with its bars in a temporary
    /// file; the others walk at their turn.
    static constexpr std::size_t MaxRecordedJobs = 32;

    struct Job
    {
        std::size_t entry = 0;
        std::size_t file = 0;
        // NOLINTNEXTLINE(modernize-use-nullptr): clang-tidy 14 misreads a defaulted <=>
        auto operator<=>(const Job&) const = default;
    };

    /// Makes the recorded job of a predicted entry; number is the job's place in the run, counted from 1.
    using JobMaker = std::function<std::unique_ptr<RecordedJob>(const TimeframeEntry& entry, std::uint64_t number)>;

    /// predicted: the entries as they will resolve, as far as they resolve without a refusal; empty when no job
    /// is walked ahead.
    WalkAheadPlan(std::vector<TimeframeEntry> predicted, std::size_t fileCount);

    /// The recorded job, if one was walked ahead; it is handed over either way, and only one that still stands
    /// for the job as it is now comes back.
    std::unique_ptr<RecordedJob> take(Job job, const TimeframeEntry& entry, const DateSeparators& separators,
                                      std::uint64_t sourceSerial);

    /// Makes the later jobs over the same file to walk beside job, and keeps them until their turn.
    std::vector<RecordedJob*> walkBeside(Job job, const JobMaker& make);

private:
    std::vector<TimeframeEntry> m_predicted;
    std::size_t m_fileCount;
    std::map<Job, std::unique_ptr<RecordedJob>> m_recorded;
};

/// The entries as they will resolve, in order, as far as they resolve without a refusal.
std::vector<TimeframeEntry> predictEntries(const std::vector<std::string>& texts, BarKind kind);

} // namespace velmora
