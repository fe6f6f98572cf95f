#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

/// A clock as the user names it: the file's own (times taken as they stand), a fixed offset from UTC, a zone of
/// the time-zone database, or a zone's time moved by whole minutes ("New York + 7", the usual broker clock,
/// in which 17:00 New York is midnight).
struct ClockChoice
{
    enum class Kind {
        FileOwn,
        Fixed,
        Zone,
    };
    Kind kind = Kind::FileOwn;
    std::int32_t offsetMinutes = 0; ///< Fixed: the offset; Zone: added to the zone's own time
    std::string zone;               ///< Zone: the database name, e.g. "America/New_York"

    bool isFileOwn() const { return kind == Kind::FileOwn; }
    bool operator==(const ClockChoice&) const = default;
};

/// The three clocks of a run. The file's own clock stands for "as the file's times are": a market or label
/// clock left so is the source clock; a conversion from or to the file's own clock changes nothing.
struct ClockSettings
{
    ClockChoice source; ///< what the file's times are written in
    ClockChoice market; ///< what the cut time and the market window are given in
    ClockChoice label;  ///< what the written labels are in

    /// The market and label clocks, the file's own clock standing for the source clock.
    const ClockChoice& marketClock() const;
    const ClockChoice& labelClock() const;
    /// True when a line's time may change on its way to the market clock.
    bool convertsLines() const;
    /// True when a label may change on its way to the label clock.
    bool convertsLabels() const;
    /// True when the clocks change nothing: the run is exactly the run without them.
    bool leaveTimes() const { return !convertsLines() && !convertsLabels(); }
    bool operator==(const ClockSettings&) const = default;
};

/// The broker clock's name and its offset from New York time.
inline constexpr std::string_view NewYorkPlusSeven = "NY+7";
inline constexpr std::int32_t NewYorkPlusSevenMinutes = 7 * 60;

/// Reads a clock text: "" or "file" is the file's own clock; "UTC", "GMT", "UTC+9", "UTC-3:30", "+09:00" a
/// fixed offset (up to 14 hours either way); "NY+7" New York + 7; any other text a zone name, which must be
/// in the database. std::nullopt for a text that names no clock, with the message in error.
std::optional<ClockChoice> parseClock(std::string_view text, std::string& error);

/// A clock text as a run takes it: what parseClock reads, or else a zone of that name, which the run refuses
/// when it starts ("タイムゾーン「…」が見つかりません").
ClockChoice clockOf(std::string_view text);

/// The text parseClock reads back as the same clock: "" for the file's own clock.
std::string clockText(const ClockChoice& clock);

} // namespace velmora
