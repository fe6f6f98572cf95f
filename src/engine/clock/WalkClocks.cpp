#include "engine/clock/WalkClocks.h"

#include <limits>

namespace velmora {

namespace {

constexpr std::int64_t Earliest = std::numeric_limits<std::int64_t>::min();

} // namespace

WalkClocks::WalkClocks(const ClockSettings& settings)
    : m_lastUtc(Earliest), m_latestUtc(Earliest), m_latestMarket(Earliest), m_lastLabelUtc(Earliest)
{
    if (settings.convertsLines()) {
        m_source.emplace(settings.source);
        m_market.emplace(settings.marketClock());
    }
    if (settings.convertsLabels()) {
        m_labelFrom.emplace(settings.marketClock());
        m_label.emplace(settings.labelClock());
    }
}

std::int64_t WalkClocks::toLabel(std::int64_t marketStamp)
{
    const ZoneClock::Reading reading = m_labelFrom->utcOf(marketStamp, m_lastLabelUtc);
    m_lastLabelUtc = reading.utc;
    return m_label->localOf(reading.utc);
}

bool WalkClocks::marketMinuteMissing(std::int64_t marketStamp)
{
    if (m_market) {
        return m_market->isMissing(marketStamp);
    }
    return m_labelFrom && m_labelFrom->isMissing(marketStamp);
}

} // namespace velmora
