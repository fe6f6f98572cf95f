#pragma once

#include <chrono>
#include <cstdint>

namespace velmora {

/// A calendar date in the local time of the machine.
struct CivilDate
{
    int year = 0;
    int month = 0;
    int day = 0;
};

/// The system's clock, behind an interface so that tests fix "today" and the tick count.
class Clock
{
public:
    virtual ~Clock() = default;
    /// Today's date in the local time zone.
    virtual CivilDate today() const = 0;
    /// Milliseconds since an arbitrary start, wrapped to 32 bits like the platform's tick count.
    virtual std::uint32_t tickCount() const = 0;
};

class SystemClock final : public Clock
{
public:
    CivilDate today() const override;
    std::uint32_t tickCount() const override;
};

/// A clock that stands still at the date and tick it is given.
class FixedClock final : public Clock
{
public:
    explicit FixedClock(CivilDate date, std::uint32_t tick = 0) : m_date(date), m_tick(tick) {}
    CivilDate today() const override { return m_date; }
    std::uint32_t tickCount() const override { return m_tick; }
    void setTick(std::uint32_t tick) { m_tick = tick; }

private:
    CivilDate m_date;
    std::uint32_t m_tick;
};

} // namespace velmora
