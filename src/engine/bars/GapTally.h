#pragma once

#include <algorithm>
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
/// the window to the end of the last one, its minutes inside the window, and the stamps of the lines on either
/// side of it.
struct SourceGap
{
    std::int64_t start = 0;
    std::int64_t end = 0;
    std::int64_t minutes = 0;
    std::int64_t after = 0;  ///< the line before the hole
    std::int64_t before = 0; ///< the line after it

    /// A bucket starting at bucketStart lies in the hole: it starts after the line before it, and before the
    /// line after it.
    bool holds(std::int64_t bucketStart) const { return after < bucketStart && bucketStart < before; }

    bool operator==(const SourceGap&) const = default;
};

/// Counts the holes of a source as a walk reads its lines, and where the walk writes fill bars: the walk's own
/// stamps and bars, so the report costs no second pass and never changes a bar. One walk over a file counts its
/// holes; every walk notes its fill bars, which are matched to the holes when the file's walks are over.
class GapTally
{
public:
    /// A hole is reported when its minutes inside the window are more than longerThan.
    GapTally(const WeekWindow& window, std::int32_t longerThan) : m_window(window), m_longerThan(longerThan) {}

    /// A line read, at its minute stamp, in the order of the file.
    void line(std::int64_t stamp)
    {
        // Lines a minute apart, the usual case, cannot make a hole; the first line comes here as after a hole.
        if (stamp - m_last > m_reach) [[unlikely]] {
            lineAfterGap(stamp);
        }
        m_last = std::max(m_last, stamp);
    }
    /// A fill bar written for the bucket starting at bucketStart.
    void fillBar(std::int64_t bucketStart) { m_fillStarts.push_back(bucketStart); }

    const std::vector<SourceGap>& gaps() const { return m_gaps; }
    /// Where every fill bar the walk wrote starts, those of short holes included, in the order written.
    const std::vector<std::int64_t>& fillStarts() const { return m_fillStarts; }

private:
    void lineAfterGap(std::int64_t stamp);
    void hole(std::int64_t next);

    WeekWindow m_window;
    std::int32_t m_longerThan;
    std::int64_t m_reach = std::int64_t{m_longerThan} + 1;
    /// The latest line's stamp; far before any stamp until the first line, so that it comes as after a hole.
    std::int64_t m_last = std::numeric_limits<std::int64_t>::min() / 2;
    bool m_haveLast = false;
    std::vector<SourceGap> m_gaps;
    std::vector<std::int64_t> m_fillStarts;
};

} // namespace velmora
