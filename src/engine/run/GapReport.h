#pragma once

#include "engine/bars/GapTally.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace velmora {

struct ConversionSettings;

/// Whether a run reports the holes of its sources, and how. Off by default: a run that reports nothing writes
/// the log it always wrote.
struct GapReportRequest
{
    bool enabled = false;
    /// Each hole on a log line of its own below the source's summary line.
    bool listInLog = false;
    /// Holes of this many minutes inside the market window or fewer are not reported.
    std::int32_t longerThan = 30;
};

/// The tally a job's walk starts with: the settings' market window as the source's lines stand (before any
/// shift of a bar's label), and the request's threshold.
GapTally gapTallyFor(const ConversionSettings& settings, const GapReportRequest& request);

/// The holes of every source of a run, and the fill bars each job wrote into them: one column per timeframe
/// entry, in the run's order.
class GapReport
{
public:
    struct Gap : SourceGap
    {
        std::vector<std::size_t> fillBars; ///< per entry
    };

    struct Source
    {
        std::string file;
        bool walked = false;
        std::vector<Gap> gaps;             ///< in the order of their start
        std::vector<std::size_t> fillBars; ///< every fill bar of each entry's job, short holes included
        /// Where each entry's fill bars start, kept until the last walk over the file has told its holes.
        std::vector<std::vector<std::int64_t>> fillStarts;
    };

    GapReport(std::size_t entries, const std::vector<std::string>& files);

    /// The entry's column name: "5min", "Day".
    void nameEntry(std::size_t entry, std::string name) { m_entryNames.at(entry) = std::move(name); }

    /// What the walk of the job of entry over file counted. One walk over a file tells its holes, every walk
    /// its fill bars; jobs over a source that changed between them may find different holes: each keeps its own.
    void addJob(std::size_t entry, std::size_t file, const GapTally& tally);

    const std::vector<std::string>& entryNames() const { return m_entryNames; }
    const std::vector<Source>& sources() const { return m_sources; }

    /// The log's summary line of each source a job walked, each followed by its holes when list is set.
    std::vector<std::string> logLines(std::int32_t longerThan, bool list) const;
    /// The report as CSV (UTF-8, CR LF): a header, then one row per hole of each source.
    std::string csv() const;

private:
    /// Counts each entry's fill bars again into the holes they lie in.
    static void countFillsIntoGaps(Source& source);

    std::vector<std::string> m_entryNames;
    std::vector<Source> m_sources;
};

} // namespace velmora
