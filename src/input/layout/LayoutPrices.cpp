#include "input/layout/LayoutPrices.h"

#include "input/SourceRecord.h" // readDecimal

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib> // llabs

namespace velmora::layout {

namespace {

/// A plain decimal "[-]digits[.digits]" as a whole number of units of its last decimal.
bool scaledDecimal(std::string_view text, std::int64_t& units, int& decimals)
{
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    const auto dot = text.find('.');
    const std::string_view whole = text.substr(0, dot);
    const std::string_view fraction = dot == std::string_view::npos ? std::string_view{} : text.substr(dot + 1);
    if (whole.size() + fraction.size() > 17 || whole.size() + fraction.size() == 0 ||
        !std::all_of(whole.begin(), whole.end(), isDigit) || !std::all_of(fraction.begin(), fraction.end(), isDigit)) {
        return false;
    }
    units = 0;
    for (const char c : whole) {
        units = units * 10 + (c - '0');
    }
    for (const char c : fraction) {
        units = units * 10 + (c - '0');
    }
    units = negative ? -units : units;
    decimals = static_cast<int>(fraction.size());
    return true;
}

} // namespace

bool plainDecimal(std::string_view text, char point, std::size_t& pointAt)
{
    std::size_t digitCount = 0;
    pointAt = std::string_view::npos;
    for (std::size_t k = 0; k < text.size(); ++k) {
        if (isDigit(text[k])) {
            ++digitCount;
        } else if (text[k] == point && pointAt == std::string_view::npos) {
            pointAt = k;
        } else {
            return false;
        }
    }
    return digitCount > 0 && digitCount <= 15;
}

/// A price as the usual reader takes it: the decimal comma turned into a point.
bool appendPrice(std::string_view text, bool decimalComma, Pen& out)
{
    char* const start = out.at;
    out.put(text);
    if (decimalComma) {
        std::replace(start, out.at, ',', '.');
    }
    const std::string_view written(start, static_cast<std::size_t>(out.at - start));
    double value = 0;
    std::size_t pointAt = 0;
    if (!plainDecimal(written, '.', pointAt) && !readDecimal(written, value)) {
        out.at = start;
        return false;
    }
    return true;
}

bool appendMid(std::string_view a, std::string_view b, Pen& out)
{
    std::int64_t x = 0;
    std::int64_t y = 0;
    int dx = 0;
    int dy = 0;
    if (!scaledDecimal(a, x, dx) || !scaledDecimal(b, y, dy)) {
        return false;
    }
    // Prices too long to be summed exactly in 64 bits (some 18 digits between them) are not read.
    const auto scaleUp = [](std::int64_t& value, int from, int to) {
        for (; from < to; ++from) {
            if (__builtin_mul_overflow(value, 10, &value)) {
                return false;
            }
        }
        return true;
    };
    int decimals = std::max(dx, dy);
    std::int64_t sum = 0;
    if (!scaleUp(x, dx, decimals) || !scaleUp(y, dy, decimals) || __builtin_add_overflow(x, y, &sum)) {
        return false;
    }
    if (sum % 2 == 0) {
        sum /= 2;
    } else if (__builtin_mul_overflow(sum, 5, &sum)) {
        return false;
    } else {
        ++decimals;
    }
    // The digits of |sum|, with zeros in front so that one stands before the point.
    std::array<char, 48> digitsText{};
    auto magnitude = static_cast<std::uint64_t>(std::llabs(sum));
    std::size_t first = digitsText.size();
    do {
        digitsText[--first] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    while (digitsText.size() - first <= static_cast<std::size_t>(decimals)) {
        digitsText[--first] = '0';
    }
    const std::string_view text(digitsText.data() + first, digitsText.size() - first);
    if (sum < 0) {
        out.put('-');
    }
    out.put(text.substr(0, text.size() - static_cast<std::size_t>(decimals)));
    if (decimals > 0) {
        out.put('.');
        out.put(text.substr(text.size() - static_cast<std::size_t>(decimals)));
    }
    return true;
}

} // namespace velmora::layout
