#include "engine/bars/PriceFormat.h"

#include "input/SplitCommaText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring> // memmove, memset

namespace velmora {

namespace {

// Above this a scaled price no longer fits the integer path; such values are printed by the library.
constexpr double LargestScaled = 9.0e18;

int decimalsOf(std::string_view field)
{
    const auto point = field.find('.');
    return point == std::string_view::npos ? 0 : static_cast<int>(field.size() - point - 1);
}

} // namespace

PriceFormat::PriceFormat(int decimals) : m_decimals(std::clamp(decimals, 0, MaxDecimals))
{
    for (int i = 0; i < m_decimals; ++i) {
        m_multiplier *= 10;
    }
}

std::vector<std::size_t> PriceFormat::sampleLines(std::size_t lineCount, std::size_t firstUsable)
{
    constexpr std::size_t Samples = 100;
    std::vector<std::size_t> lines;
    if (firstUsable >= lineCount) {
        return lines;
    }
    const std::size_t available = lineCount - firstUsable;
    lines.reserve(std::min(available, Samples));
    if (available >= 2 * Samples) {
        const std::size_t step = available / Samples - 1;
        for (std::size_t i = 0; i < Samples; ++i) {
            lines.push_back(firstUsable + i * step);
        }
    } else if (available <= Samples) {
        for (std::size_t i = 0; i < available; ++i) {
            lines.push_back(firstUsable + i);
        }
    } else {
        for (std::size_t i = 0; i < Samples; ++i) {
            lines.push_back(firstUsable + i * available / Samples);
        }
    }
    return lines;
}

PriceFormat PriceFormat::detect(std::size_t lineCount, std::size_t firstUsable, std::int32_t dateField,
                                const std::function<std::string_view(std::size_t)>& lineAt)
{
    CommaItems fields;
    int decimals = 0;
    for (const std::size_t index : sampleLines(lineCount, firstUsable)) {
        fields.split(lineAt(index));
        // Open, high, low and close follow the date and the time.
        for (std::int64_t field = dateField + 1; field <= std::int64_t{dateField} + 4; ++field) {
            if (field >= 0 && static_cast<std::uint64_t>(field) < fields.size()) {
                decimals = std::max(decimals, decimalsOf(fields[static_cast<std::size_t>(field)]));
            }
        }
    }
    return PriceFormat(decimals);
}

PriceFormat PriceFormat::detect(std::span<const std::string> lines, std::size_t firstUsable, std::int32_t dateField)
{
    return detect(lines.size(), firstUsable, dateField, [lines](std::size_t i) { return std::string_view(lines[i]); });
}

char* PriceFormat::render(double value, char* out) const
{
    if (std::signbit(value) && value != 0.0) {
        *out++ = '-';
        value = -value;
    }
    // nearbyint rounds in the default mode, to nearest with halves to even.
    const double scaled = std::nearbyint(value * static_cast<double>(m_multiplier));
    if (!(scaled < LargestScaled)) {
        return std::to_chars(out, out + MaxChars - 1, value, std::chars_format::fixed, m_decimals).ptr;
    }
    const auto units = static_cast<std::uint64_t>(scaled);
    // Pieces are moved 24 bytes at a time whatever their length (out has room for MaxChars): fixed moves cost
    // less than a call per piece, and the bytes past a piece are written over or left past the end.
    constexpr std::size_t Move = 24;
    char digits[2 * Move] = {};
    const char* digitsEnd = std::to_chars(digits, digits + Move, units).ptr;
    const auto length = static_cast<std::size_t>(digitsEnd - digits);
    const auto decimals = static_cast<std::size_t>(m_decimals);
    static_assert(MaxChars >= 2 * Move + 2);
    if (decimals == 0) {
        std::memcpy(out, digits, Move);
        return out + length;
    }
    if (units < static_cast<std::uint64_t>(m_multiplier)) {
        *out++ = '0';
        *out++ = '.';
        std::memset(out, '0', decimals - length);
        out += decimals - length;
        std::memcpy(out, digits, length);
        return out + length;
    }
    const std::size_t whole = length - decimals;
    std::memcpy(out, digits, Move);
    out += whole;
    *out++ = '.';
    std::memcpy(out, digits + whole, Move);
    return out + decimals;
}

double PriceFormat::written(double value) const
{
    const bool negative = std::signbit(value) && value != 0.0;
    // Zero's sign as render() writes it: none unless a negative value rounds to it.
    const double scaled = std::nearbyint(std::fabs(value) * static_cast<double>(m_multiplier));
    if (scaled < LargestScaled) {
        // The text is the whole number scaled over a power of ten, both held exactly: one division rounds once,
        // to the double nearest the text.
        const double magnitude = scaled / static_cast<double>(m_multiplier);
        return negative ? -magnitude : magnitude;
    }
    char text[MaxChars];
    const char* end = render(value, text);
    double read = 0.0;
    std::from_chars(text, end, read);
    return read;
}

void PriceFormat::appendTo(std::string& out, double value) const
{
    char buffer[MaxChars];
    const char* end = render(value, buffer);
    out.append(buffer, static_cast<std::size_t>(end - buffer));
}

} // namespace velmora
