#pragma once

#include "engine/settings/ConversionSettings.h"
#include "engine/settings/RunBoxes.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

/// The bars of an entry whose buckets follow the calendar rather than a count of minutes.
enum class CalendarBars : std::uint8_t {
    None,
    Weeks,  ///< "W1": weeks from the open of the market window (Monday's cut when the window is off)
    Months, ///< "MN1": calendar months from the cut time that opens each month's first day
};

/// The minutes an alias stands for ("H1" is 60, "D1" is 1440), in any letter case; std::nullopt for any other
/// text, numbers included.
std::optional<std::int32_t> aliasMinutes(std::string_view text);

/// One timeframe entry resolved for its jobs: its bar kind and where bucket widths come from.
class TimeframeEntry
{
public:
    /// Resolves an entry. A plain entry (no "-") switches the kind: "1440" exactly (or "D1") to daily bars,
    /// "W1" and "MN1" to daily bars too (they are bars of whole days), anything else to N-minute bars; a
    /// sequence entry keeps the kind it finds. An alias ("H1") resolves as its number and takes its text, so it
    /// names the same files. Throws RunError for a text that is not a whole number, an alias or a calendar
    /// entry, and for the refused entries of EntryRefusal.
    static TimeframeEntry ResolveEntry(std::string_view text, BarKind& kind);

    const std::string& text() const { return m_text; }
    bool isSequence() const { return m_sequence; }
    bool isDaily() const { return m_daily; }
    CalendarBars calendar() const { return m_calendar; }
    /// The label of a calendar entry's files, "Weekly" or "Monthly"; empty for any other entry.
    std::string_view calendarLabel() const;

    /// Width of the current bucket in minutes, always above 0; for months the longest, 31 days (the walk finds
    /// each month's own edges).
    std::int32_t currentWidth() const { return m_currentWidth; }
    /// The current bucket is a gap: walked over, never written.
    bool currentIsGap() const { return m_currentNegative; }

    /// Moves a sequence entry on to its next width, after the last back to the first; nothing for a plain
    /// entry. The position is kept between the files of one entry, so the second file starts where the
    /// first one stopped.
    void NextWidth();

    /// Moves on over whole buckets, the current one first, as long as their widths add up to at most `minutes`,
    /// and returns the minutes passed. Whole cycles of a sequence and runs of equal widths go in one step, so
    /// that passing over a gap of centuries between two source lines costs a few steps, not billions.
    std::int64_t skipAhead(std::int64_t minutes);

    /// Index of the current element in the expanded sequence, −1 before the first; 0 for a plain entry.
    std::int64_t position() const { return m_position; }

    /// A sequence entry's widths, as runs; empty for a plain entry.
    std::span<const WidthRun> runs() const { return m_runs; }

    /// Equal entries walk alike: the same widths, standing on the same element.
    bool operator==(const TimeframeEntry&) const = default;

private:
    /// A plain entry's width (or its calendar); sets the kind.
    void resolvePlain(std::string_view text, BarKind& kind);
    /// A sequence entry's runs; keeps the kind.
    void resolveSequence(std::string_view text, BarKind kind);

    TimeframeEntry() = default;

    std::string m_text;
    bool m_sequence = false;
    bool m_daily = false;
    CalendarBars m_calendar = CalendarBars::None;
    std::int32_t m_currentWidth = 0;
    bool m_currentNegative = false;
    std::vector<WidthRun> m_runs;
    std::size_t m_run = 0;           ///< run of the current element
    std::int64_t m_inRun = 0;        ///< index inside that run
    std::int64_t m_position = -1;    ///< index in the expanded sequence
    std::int64_t m_cycleMinutes = 0; ///< the widths of one whole sequence added up, INT64_MAX when beyond
};

} // namespace velmora
