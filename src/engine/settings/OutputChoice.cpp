#include "engine/settings/OutputChoice.h"

#include <algorithm>
#include <array>
#include <utility>

namespace velmora {

namespace {

constexpr std::array<std::pair<std::string_view, OutputFormat>, 6> FormatNames{{
    {"text", OutputFormat::Text},
    {"hst", OutputFormat::Hst},
    {"mt5", OutputFormat::Mt5},
    {"ninjatrader", OutputFormat::NinjaTrader},
    {"forex-tester", OutputFormat::ForexTester},
    {"csv", OutputFormat::Csv},
}};

bool sameLetters(std::string_view a, std::string_view b)
{
    return std::ranges::equal(a, b, [](char x, char y) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

} // namespace

std::optional<OutputFormat> outputFormatFromName(std::string_view name)
{
    for (const auto& [text, format] : FormatNames) {
        if (sameLetters(text, name)) {
            return format;
        }
    }
    return std::nullopt;
}

std::string_view outputFormatName(OutputFormat format)
{
    for (const auto& [text, value] : FormatNames) {
        if (value == format) {
            return text;
        }
    }
    return "text";
}

} // namespace velmora
