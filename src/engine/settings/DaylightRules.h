#pragma once

#include "input/DateTimeText.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

/// The daylight-saving regimes the summer-time aid has always listed, each now a zone of the time-zone database.
/// Any other zone of the database may be asked for by name (DaylightRequest::zone).
enum class DaylightRegime {
    UnitedStatesEastern,  ///< New York: clocks change at 2:00 local time, standard time UTC-5
    UnitedStatesCentral,  ///< Chicago, UTC-6
    UnitedStatesMountain, ///< Denver, UTC-7
    UnitedStatesPacific,  ///< Los Angeles, UTC-8
    EuropeanUnion,        ///< every member state changes at 1:00 UTC
};

struct DaylightRegimeInfo
{
    DaylightRegime regime;
    std::string_view name; ///< as the dialog lists it
    int firstYear;         ///< the first year the aid fills for it: the rule in force since then
    std::string_view zone; ///< the database's zone
};

/// Every regime, in the order the dialog lists them.
std::span<const DaylightRegimeInfo> daylightRegimes();
const DaylightRegimeInfo& daylightRegimeInfo(DaylightRegime regime);

/// The years the aid accepts: a last year well inside what a minute stamp can hold, and how many rows one
/// request may add.
constexpr int LastDaylightYear = 5000;
constexpr int MaxDaylightYears = 200;

/// The daylight-saving period of one year in UTC: from start (inclusive) to end (exclusive).
struct DaylightPeriod
{
    MinuteStamp start = 0;
    MinuteStamp end = 0;
    bool operator==(const DaylightPeriod&) const = default;
};

/// The period of the year under the regime's rule, or std::nullopt before the rule's first year or after
/// LastDaylightYear.
std::optional<DaylightPeriod> daylightPeriodUtc(DaylightRegime regime, int year);

/// The names of every zone of the time-zone database, sorted; empty in a build without the database.
std::vector<std::string> daylightZones();

/// The summer-time periods of a zone that begin (in UTC) in the years firstYear to lastYear, in order, from the
/// database: where the offset changes together with the database's daylight flag, the higher offset is summer
/// time (so a zone written with a negative saving, Europe/Dublin's winter, still gives its summer). Past the
/// database's last listed change the zone's own rule for later years (the TZif footer) continues it.
/// std::nullopt when the database has no such zone.
std::optional<std::vector<DaylightPeriod>> daylightPeriodsUtc(std::string_view zone, int firstYear, int lastYear);

/// What the "fill from rules" aid asks for: one row per summer-time period beginning in the years firstYear to
/// lastYear, each moving labels by shiftMinutes, written in the clock of the source data (UTC plus
/// sourceUtcOffsetHours). The periods are those of the zone named, or of the regime's zone when none is.
struct DaylightRequest
{
    DaylightRegime regime = DaylightRegime::UnitedStatesEastern;
    int firstYear = 0;
    int lastYear = 0;
    std::int32_t shiftMinutes = 60;
    int sourceUtcOffsetHours = 0;
    std::string zone = {};
};

/// One row of the summer-time table as the dialog's three lists hold it.
struct SummerRowTexts
{
    std::string start;
    std::string end;
    std::string shift;
    bool operator==(const SummerRowTexts&) const = default;
};

/// Why the request cannot be filled, as the dialog shows it, or std::nullopt when it can.
std::optional<std::string> daylightRequestProblem(const DaylightRequest& request);

/// The rows of the request, one per year in ascending order. Call only with a request that
/// daylightRequestProblem accepts; any other gives no rows.
std::vector<SummerRowTexts> daylightRows(const DaylightRequest& request);

} // namespace velmora
