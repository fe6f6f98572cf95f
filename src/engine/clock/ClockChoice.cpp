#include "engine/clock/ClockChoice.h"

#include "engine/clock/ZoneClock.h"
#include "platform/RunError.h"

#include <cstdlib>

namespace velmora {

namespace {

constexpr std::int32_t MaxOffsetMinutes = 14 * 60;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

/// "+9", "-5", "+09:00", "-3:30", "+0930": an offset with its sign; std::nullopt for anything else.
std::optional<std::int32_t> readOffset(std::string_view text)
{
    if (text.size() < 2 || (text[0] != '+' && text[0] != '-')) {
        return std::nullopt;
    }
    const int sign = text[0] == '-' ? -1 : 1;
    std::string_view rest = text.substr(1);
    std::string_view hours = rest;
    std::string_view minutes;
    if (const auto colon = rest.find(':'); colon != std::string_view::npos) {
        hours = rest.substr(0, colon);
        minutes = rest.substr(colon + 1);
    } else if (rest.size() == 4) {
        hours = rest.substr(0, 2);
        minutes = rest.substr(2);
    }
    const auto number = [](std::string_view digits) -> std::optional<std::int32_t> {
        if (digits.empty() || digits.size() > 2) {
            return std::nullopt;
        }
        std::int32_t value = 0;
        for (const char c : digits) {
            if (!isDigit(c)) {
                return std::nullopt;
            }
            value = value * 10 + (c - '0');
        }
        return value;
    };
    const auto h = number(hours);
    const auto m = minutes.empty() ? std::optional<std::int32_t>(0) : number(minutes);
    if (!h || !m || *m >= 60 || (minutes.empty() && rest.find(':') != std::string_view::npos)) {
        return std::nullopt;
    }
    const std::int32_t total = *h * 60 + *m;
    if (total > MaxOffsetMinutes) {
        return std::nullopt;
    }
    return sign * total;
}

std::string offsetText(std::int32_t minutes)
{
    const std::int32_t magnitude = std::abs(minutes);
    const auto two = [](std::int32_t value) {
        return std::string(1, static_cast<char>('0' + value / 10)) + static_cast<char>('0' + value % 10);
    };
    return std::string(minutes < 0 ? "-" : "+") + two(magnitude / 60) + ":" + two(magnitude % 60);
}

std::string lowered(std::string_view text)
{
    std::string result(text);
    for (char& c : result) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return result;
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    return text;
}

} // namespace

const ClockChoice& ClockSettings::marketClock() const
{
    return market.isFileOwn() ? source : market;
}

const ClockChoice& ClockSettings::labelClock() const
{
    return label.isFileOwn() ? source : label;
}

bool ClockSettings::convertsLines() const
{
    // Between equal clocks a line still goes through UTC when the clock repeats an hour: the second pass is
    // read as the later instants.
    const ClockChoice& to = marketClock();
    return !source.isFileOwn() && !to.isFileOwn() && !(to == source && source.kind == ClockChoice::Kind::Fixed);
}

bool ClockSettings::convertsLabels() const
{
    const ClockChoice& from = marketClock();
    const ClockChoice& to = labelClock();
    return !from.isFileOwn() && !to.isFileOwn() && !(to == from);
}

std::optional<ClockChoice> parseClock(std::string_view text, std::string& error)
{
    text = trimmed(text);
    const std::string lower = lowered(text);
    if (lower.empty() || lower == "file") {
        return ClockChoice{};
    }
    if (lower == lowered(NewYorkPlusSeven)) {
        return ClockChoice{ClockChoice::Kind::Zone, NewYorkPlusSevenMinutes, "America/New_York"};
    }
    for (const std::string_view prefix : {"utc", "gmt"}) {
        if (lower.starts_with(prefix)) {
            const std::string_view rest = text.substr(prefix.size());
            if (rest.empty()) {
                return ClockChoice{ClockChoice::Kind::Fixed, 0, {}};
            }
            if (const auto offset = readOffset(rest)) {
                return ClockChoice{ClockChoice::Kind::Fixed, *offset, {}};
            }
        }
    }
    if (const auto offset = readOffset(text)) {
        return ClockChoice{ClockChoice::Kind::Fixed, *offset, {}};
    }
    ClockChoice zone{ClockChoice::Kind::Zone, 0, std::string(text)};
    try {
        ZoneClock check(zone);
    } catch (const RunError& refusal) {
        error = refusal.what();
        return std::nullopt;
    }
    return zone;
}

ClockChoice clockOf(std::string_view text)
{
    std::string error;
    if (auto clock = parseClock(text, error)) {
        return *clock;
    }
    return {ClockChoice::Kind::Zone, 0, std::string(trimmed(text))};
}

std::string clockText(const ClockChoice& clock)
{
    switch (clock.kind) {
    case ClockChoice::Kind::FileOwn:
        return {};
    case ClockChoice::Kind::Fixed:
        return clock.offsetMinutes == 0 ? "UTC" : "UTC" + offsetText(clock.offsetMinutes);
    case ClockChoice::Kind::Zone:
        if (clock.zone == "America/New_York" && clock.offsetMinutes == NewYorkPlusSevenMinutes) {
            return std::string(NewYorkPlusSeven);
        }
        return clock.zone;
    }
    return {};
}

} // namespace velmora
