#pragma once

#include "engine/clock/ClockChoice.h"

#include <cstdint>

namespace velmora {

/// True when this build reads the system's zone database; without it only fixed offsets are clocks, and no
/// zone's summer time can be looked up.
bool hasZoneDatabase();

/// One clock's local time against UTC, both as minute stamps (minutes since 1899-12-30 00:00). It keeps the
/// stretch between two changes of offset that it used last, so that a line inside it costs two comparisons;
/// the time-zone database is asked only when a time leaves the stretch. Not to be shared between threads.
class ZoneClock
{
public:
    /// A clock other than the file's own. Throws RunError for a zone the database does not have.
    explicit ZoneClock(const ClockChoice& clock);

    /// The clock's time at a UTC instant.
    std::int64_t localOf(std::int64_t utc)
    {
        if (utc < m_stretch.begin || utc >= m_stretch.end) [[unlikely]] {
            load(utc);
        }
        return utc + m_stretch.offset;
    }

    /// How a local time stands in the clock.
    enum class LocalKind {
        Unique,
        Repeated, ///< in the hour a change of offset repeats: it names two instants
        Missing,  ///< in the hour a change of offset skips: no instant has it
    };
    struct Reading
    {
        std::int64_t utc = 0;
        LocalKind kind = LocalKind::Unique;
    };

    /// The UTC instant of a local time. A repeated time reads as its earlier instant unless that lies before
    /// notBefore (the instant of the line before), so that the lines of an hour written twice keep their
    /// order; a missing time reads with the offset before the change, so that it lands just after the change.
    Reading utcOf(std::int64_t local, std::int64_t notBefore)
    {
        const std::int64_t utc = local - m_stretch.offset;
        // Well inside the stretch the offset cannot be in doubt (a fixed offset's stretch has no end).
        if (m_zone == nullptr || (utc - m_stretch.begin >= SafeMargin && m_stretch.end - utc > SafeMargin)) [[likely]] {
            return {utc, LocalKind::Unique};
        }
        return readNearAChange(local, notBefore);
    }

    /// True when the clock skips this local minute.
    bool isMissing(std::int64_t local);

private:
    /// UTC minutes [begin, end) of one offset, in minutes added to UTC (the clock's own shift included).
    struct Stretch
    {
        std::int64_t begin = 0;
        std::int64_t end = 0;
        std::int64_t offset = 0;
    };
    /// No change of offset comes within a day of another: a time further than that from both ends of a stretch
    /// is neither repeated nor missing.
    static constexpr std::int64_t SafeMargin = 1440;

    void load(std::int64_t utc);
    Reading readLocal(std::int64_t local, std::int64_t notBefore);
    Reading readNearAChange(std::int64_t local, std::int64_t notBefore);

    const void* m_zone = nullptr; ///< the database's zone; null for a fixed offset
    std::int64_t m_shift = 0;     ///< minutes added to the zone's own time
    Stretch m_stretch;
};

} // namespace velmora
