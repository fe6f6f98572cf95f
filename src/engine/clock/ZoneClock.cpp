#include "engine/clock/ZoneClock.h"

#include "input/CivilDays.h"
#include "platform/RunError.h"

#include <chrono>
#include <limits>

#ifdef VELMORA_ZONE_DATABASE
#include <date/tz.h>
#endif

namespace velmora {

bool hasZoneDatabase()
{
#ifdef VELMORA_ZONE_DATABASE
    return true;
#else
    return false;
#endif
}

#ifdef VELMORA_ZONE_DATABASE

namespace {

const date::time_zone* zoneOf(const void* zone)
{
    return static_cast<const date::time_zone*>(zone);
}

date::sys_seconds sysSeconds(std::int64_t utc)
{
    return date::sys_seconds{std::chrono::minutes{utc - UnixEpochStamp}};
}

std::int64_t stampOf(date::sys_seconds time)
{
    return std::chrono::floor<std::chrono::minutes>(time.time_since_epoch()).count() + UnixEpochStamp;
}

std::int64_t minutesOf(std::chrono::seconds offset)
{
    return std::chrono::floor<std::chrono::minutes>(offset).count();
}

} // namespace

ZoneClock::ZoneClock(const ClockChoice& clock)
{
    if (clock.kind == ClockChoice::Kind::Fixed) {
        m_stretch = {std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max(),
                     clock.offsetMinutes};
        return;
    }
    try {
        m_zone = date::locate_zone(clock.zone);
    } catch (const std::runtime_error&) {
        throw RunError("タイムゾーン「" + clock.zone + "」が見つかりません");
    }
    m_shift = clock.offsetMinutes;
    load(0);
}

void ZoneClock::load(std::int64_t utc)
{
    const date::sys_info info = zoneOf(m_zone)->get_info(sysSeconds(utc));
    m_stretch = {stampOf(info.begin), stampOf(info.end), minutesOf(info.offset) + m_shift};
}

ZoneClock::Reading ZoneClock::readNearAChange(std::int64_t local, std::int64_t notBefore)
{
    const Reading reading = readLocal(local, notBefore);
    load(reading.utc);
    return reading;
}

ZoneClock::Reading ZoneClock::readLocal(std::int64_t local, std::int64_t notBefore)
{
    const auto zoneLocal = date::local_seconds{std::chrono::minutes{local - m_shift - UnixEpochStamp}};
    const date::local_info info = zoneOf(m_zone)->get_info(zoneLocal);
    const std::int64_t before = local - minutesOf(info.first.offset) - m_shift;
    switch (info.result) {
    case date::local_info::unique:
        return {before, LocalKind::Unique};
    case date::local_info::nonexistent:
        return {before, LocalKind::Missing};
    default: {
        const std::int64_t after = local - minutesOf(info.second.offset) - m_shift;
        return {before >= notBefore ? before : after, LocalKind::Repeated};
    }
    }
}

bool ZoneClock::isMissing(std::int64_t local)
{
    if (m_zone == nullptr) {
        return false;
    }
    const std::int64_t utc = local - m_stretch.offset;
    if (utc - m_stretch.begin >= SafeMargin && m_stretch.end - utc > SafeMargin) {
        return false;
    }
    return readLocal(local, std::numeric_limits<std::int64_t>::min()).kind == LocalKind::Missing;
}

#else

ZoneClock::ZoneClock(const ClockChoice& clock)
{
    if (clock.kind != ClockChoice::Kind::Fixed) {
        throw RunError("タイムゾーン「" + clock.zone + "」が見つかりません");
    }
    m_stretch = {std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max(),
                 clock.offsetMinutes};
}

void ZoneClock::load(std::int64_t /*utc*/) {}

ZoneClock::Reading ZoneClock::readNearAChange(std::int64_t local, std::int64_t notBefore)
{
    return readLocal(local, notBefore);
}

ZoneClock::Reading ZoneClock::readLocal(std::int64_t local, std::int64_t /*notBefore*/)
{
    return {local - m_stretch.offset, LocalKind::Unique};
}

bool ZoneClock::isMissing(std::int64_t /*local*/)
{
    return false;
}

#endif

} // namespace velmora
