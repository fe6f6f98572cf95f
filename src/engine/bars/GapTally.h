#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace velmora {

struct MarketWindow;

/// The market window as one stretch of a Sunday-to-Saturday week, in minutes from Sunday 00:00, so that the
/// window's minutes between two stamps are counted without walking through them.
class WeekWindow
{
public:
    /// The whole week: every minute counts.
    WeekWindow() = default;
    /// The window's stretch; a window that is off is the whole week, one that closes before it opens is empty.
    explicit WeekWindow(const MarketWindow& window);

    /// The minutes of [from, to) inside the window; 0 when to <= from.
    std::int64_t minutesBetween(std::int64_t from, std::int64_t to) const;
    /// The first minute at or after stamp inside the window (stamp itself when it is inside).
    std::int64_t nextOpenMinute(std::int64_t stamp) const;
    /// The end of the window's last minute before stamp (stamp itself when the minute before it is inside).
    std::int64_t lastCloseBefore(std::int64_t stamp) const;

private:
    /// The window's minutes from the start of the week holding the first Sunday of the day count up to stamp.
    std::int64_t minutesUpTo(std::int64_t stamp) const;

    std::int64_t m_open = 0;
    std::int64_t m_close = std::int64_t{7} * 1440;
};

/// A stretch inside the market window in which the source has no line: from the first missing minute inside
/// the window to the end of the last one, its minutes inside the window, and the fill bars one walk wrote for it.
struct SourceGap
{
    std::int64_t start = 0;
    std::int64_t end = 0;
    std::int64_t minutes = 0;
    std::size_t fillBars = 0;

    bool operator==(const SourceGap&) const = default;
};

/// Counts the holes of a source as one walk takes its lines, and the fill bars the walk writes into them: the
/// walk's own stamps and bars, so the report costs no second pass and never changes a bar.
class GapTally
{
public:
    /// A hole is reported when its minutes inside the window are more than longerThan.
    GapTally(const WeekWindow& window, std::int32_t longerThan) : m_window(window), m_longerThan(longerThan) {}

    /// A line taken into a bucket, at its minute stamp.
    void line(std::int64_t stamp)
    {
        // Lines a minute apart, the usual case, cannot make a hole; the first line comes here as after a hole.
        if (stamp - m_last > m_reach) [[unlikely]] {
            lineAfterGap(stamp);
        }
        m_last = std::max(m_last, stamp);
    }
    /// A fill bar written into the hole before the next line.
    void fillBar()
    {
        // Fill bars are counted from the last line on: a bucket that takes no line writes them before the next.
        if (m_pendingSince != m_last) {
            m_pendingSince = m_last;
            m_pendingFill = 0;
        }
        ++m_pendingFill;
        ++m_fillBars;
    }

    const std::vector<SourceGap>& gaps() const { return m_gaps; }
    /// Every fill bar the walk wrote, those of short holes included.
    std::size_t fillBars() const { return m_fillBars; }

private:
    void lineAfterGap(std::int64_t stamp);
    void hole(std::int64_t next);

    WeekWindow m_window;
    std::int32_t m_longerThan;
    std::int64_t m_reach = std::int64_t{m_longerThan} + 1;
    /// The latest line's stamp; far before any stamp until the first line, so that it comes as after a hole.
    std::int64_t m_last = std::numeric_limits<std::int64_t>::min() / 2;
    bool m_haveLast = false;
    std::int64_t m_pendingSince = std::numeric_limits<std::int64_t>::min();
    std::size_t m_pendingFill = 0;
    std::size_t m_fillBars = 0;
    std::vector<SourceGap> m_gaps;
};

} // namespace velmora
