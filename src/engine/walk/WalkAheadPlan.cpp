#include "engine/walk/WalkAheadPlan.h"

#include "platform/RunError.h"

namespace velmora {

WalkAheadPlan::WalkAheadPlan(std::vector<TimeframeEntry> predicted, std::size_t fileCount)
    : m_predicted(std::move(predicted)), m_fileCount(fileCount)
{
}

std::unique_ptr<RecordedJob> WalkAheadPlan::take(Job job, const TimeframeEntry& entry, const DateSeparators& separators,
                                                 std::uint64_t sourceSerial)
{
    const auto found = m_recorded.find(job);
    if (found == m_recorded.end()) {
        return nullptr;
    }
    std::unique_ptr<RecordedJob> recorded = std::move(found->second);
    m_recorded.erase(found);
    if (!recorded->standsFor(entry, separators, sourceSerial)) {
        return nullptr;
    }
    return recorded;
}

std::vector<RecordedJob*> WalkAheadPlan::walkBeside(Job job, const JobMaker& make)
{
    std::vector<RecordedJob*> beside;
    for (std::size_t later = job.entry + 1; later < m_predicted.size() && m_recorded.size() < MaxRecordedJobs;
         ++later) {
        const Job laterJob{later, job.file};
        // A sequence carries its position from file to file: ahead of its turn only on the first.
        if (m_recorded.contains(laterJob) || (m_predicted[later].isSequence() && job.file != 0)) {
            continue;
        }
        const auto number = static_cast<std::uint64_t>(later * m_fileCount + job.file + 1);
        std::unique_ptr<RecordedJob> recorded = make(m_predicted[later], number);
        beside.push_back(recorded.get());
        m_recorded.emplace(laterJob, std::move(recorded));
    }
    return beside;
}

std::vector<TimeframeEntry> predictEntries(const std::vector<std::string>& texts, BarKind kind)
{
    std::vector<TimeframeEntry> entries;
    try {
        for (const std::string& text : texts) {
            entries.push_back(TimeframeEntry::ResolveEntry(text, kind));
        }
    } catch (const RunError&) {
        // The run ends at this entry: nothing after it is walked.
    }
    return entries;
}

} // namespace velmora
