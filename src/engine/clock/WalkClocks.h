#pragma once

#include "engine/clock/ClockChoice.h"
#include "engine/clock/ZoneClock.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace velmora {

/// The clocks as one walk over a file uses them: each line's time goes from the source clock to the market
/// clock before it is bucketed, and each label from the market clock to the label clock before it is written.
class WalkClocks
{
public:
    explicit WalkClocks(const ClockSettings& settings);

    bool convertsLines() const { return m_source.has_value(); }
    bool convertsLabels() const { return m_labelFrom.has_value(); }

    /// A line's time in the market clock. Where the market clock repeats an hour, the lines of its second pass
    /// keep the market time of the last line of the first pass, so that they go into the bar under way rather
    /// than behind it; lines that go back in time themselves are left to go back.
    std::int64_t toMarket(std::int64_t sourceStamp)
    {
        const ZoneClock::Reading reading = m_source->utcOf(sourceStamp, m_lastUtc);
        if (reading.kind == ZoneClock::LocalKind::Missing) [[unlikely]] {
            ++linesAtMissingTimes;
        }
        m_lastUtc = reading.utc;
        std::int64_t market = m_market->localOf(reading.utc);
        if (reading.utc >= m_latestUtc) [[likely]] {
            if (market < m_latestMarket) [[unlikely]] {
                // Later in time but earlier on the market clock: the clock has fallen back.
                ++linesInRepeatedHour;
                market = m_latestMarket;
            }
            m_latestUtc = reading.utc;
            m_latestMarket = market;
        }
        return market;
    }

    /// A bar's label, given in the market clock, in the label clock.
    std::int64_t toLabel(std::int64_t marketStamp);

    /// True when the market clock skips this minute (no line can fall there, so no bar is labelled there).
    bool marketMinuteMissing(std::int64_t marketStamp);

    /// Lines whose time the source clock skips: the file's clock is not the one the user named.
    std::size_t linesAtMissingTimes = 0;
    /// Lines of the second pass through an hour the market clock repeats.
    std::size_t linesInRepeatedHour = 0;

private:
    std::optional<ZoneClock> m_source;
    std::optional<ZoneClock> m_market;
    std::optional<ZoneClock> m_labelFrom; ///< the market clock again, with its own stretch
    std::optional<ZoneClock> m_label;
    std::int64_t m_lastUtc;
    std::int64_t m_latestUtc;
    std::int64_t m_latestMarket;
    std::int64_t m_lastLabelUtc;
};

} // namespace velmora
