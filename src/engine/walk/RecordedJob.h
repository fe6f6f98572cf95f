#pragma once

#include "engine/bars/BarBuilder.h"
#include "engine/bars/TimeframeEntry.h"
#include "engine/output/JobOutput.h"
#include "engine/walk/RunHostRecorder.h"
#include "engine/walk/WalkJob.h"
#include "input/DateTimeText.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>

namespace velmora {

/// A job walked ahead of its turn, beside an earlier job over the same source, so that the source is read once
/// for all of them. Everything the walk asks of the host is recorded; at the job's turn the recording is played
/// back in its place, provided that nothing the walk depends on has changed since.
class RecordedJob
{
public:
    /// What the walk starts from: the entry as predicted, the state of the run when the walk starts.
    struct Start
    {
        const TimeframeEntry& entry;
        MarketWindow window;
        DateSeparators separators;
        std::uint64_t sourceSerial = 0;
        int currentYear = 0;
        std::uint32_t seed = 0;
        std::filesystem::path plannedTarget;
        RunFrontEnd frontEnd = RunFrontEnd::Window;
        bool givesUpUnreadable = false; ///< as BuildEnvironment::givesUpUnreadable
    };

    explicit RecordedJob(const Start& start);
    RecordedJob(const RecordedJob&) = delete;
    RecordedJob& operator=(const RecordedJob&) = delete;

    /// Writes the job's bars through writer instead of as the usual lines.
    void writeWith(std::unique_ptr<BarWriter> writer);

    /// The walk to build beside the job at its turn.
    WalkJob& walk() { return m_walk; }

    /// After the walk: a walk that ended well sends its file on its way to the disk.
    void complete();

    /// True when the walk would run now exactly as it ran ahead: same entry, same separators it read with, the
    /// source unchanged, and a recording that holds everything.
    bool standsFor(const TimeframeEntry& now, const DateSeparators& separatorsNow, std::uint64_t serialNow) const;

    /// Plays the recording to the host and the hook as the walk would have, and leaves the entry and the
    /// separators as the walk left them. Throws the error that ended the walk, and whatever the hook throws.
    void playBack(RunHost& host, const std::function<void(std::size_t)>& hook, TimeframeEntry& entry,
                  DateSeparators& separators);

    /// The job's bars, once played back.
    JobOutput& output() { return m_output; }
    /// The walk as it ended.
    const WalkJob& walked() const { return m_walk; }

private:
    TimeframeEntry m_entry; ///< the walk's, as it leaves it
    TimeframeEntry m_startEntry;
    MarketWindow m_window;
    DateSeparators m_startSeparators;
    DateSeparators m_separators; ///< the walk's, as it leaves them
    std::uint64_t m_serial;
    RunHostRecorder m_host;
    DateTextContext m_dates;
    JobOutput m_output;
    BuildEnvironment m_env;
    WalkJob m_walk;
    std::unique_ptr<BarWriter> m_writer;
};

} // namespace velmora
