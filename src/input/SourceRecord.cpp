#include "input/SourceRecord.h"

#include "platform/RunError.h"

#include <charconv>
#include <string>
#include <system_error>

namespace velmora {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::size_t skipDigits(std::string_view text, std::size_t i)
{
    while (i < text.size() && isDigit(text[i])) {
        ++i;
    }
    return i;
}

} // namespace

namespace {

constexpr double PowersOfTen[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

} // namespace

std::optional<double> parseDecimal(std::string_view text)
{
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    // from_chars reads "inf", "nan" and hexadecimal forms and refuses a leading "+"; check the written form
    // here and hand it only the plain number.
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::size_t numberStart = i;
    const std::size_t integerEnd = skipDigits(text, i);
    std::size_t digitCount = integerEnd - i;
    i = integerEnd;
    if (i < text.size() && text[i] == '.') {
        const std::size_t fractionEnd = skipDigits(text, i + 1);
        digitCount += fractionEnd - (i + 1);
        i = fractionEnd;
    }
    if (digitCount == 0) {
        return std::nullopt;
    }
    const bool hasExponent = i < text.size() && (text[i] == 'e' || text[i] == 'E');
    if (hasExponent) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            ++j;
        }
        const std::size_t exponentEnd = skipDigits(text, j);
        if (exponentEnd == j) {
            return std::nullopt;
        }
        i = exponentEnd;
    }
    if (i != text.size()) {
        return std::nullopt;
    }
    if (!hasExponent && digitCount <= 15) {
        // Prices as files write them: up to 15 digits are an exact integer, and dividing by an exact power
        // of ten rounds once, to the same double that from_chars gives, at a fraction of the cost.
        std::uint64_t mantissa = 0;
        std::size_t fractionDigits = 0;
        bool inFraction = false;
        for (std::size_t k = numberStart; k < text.size(); ++k) {
            if (text[k] == '.') {
                inFraction = true;
                continue;
            }
            mantissa = mantissa * 10 + static_cast<std::uint64_t>(text[k] - '0');
            fractionDigits += inFraction ? 1U : 0U;
        }
        const double value = static_cast<double>(mantissa) / PowersOfTen[fractionDigits];
        return negative ? -value : value;
    }
    // A "+" on the exponent is fine for from_chars; only the leading sign is handled here.
    std::string_view number = text.substr(numberStart);
    double value = 0.0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error != std::errc() || end != number.data() + number.size()) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

double StrToFloat(std::string_view text)
{
    if (auto value = parseDecimal(text)) {
        return *value;
    }
    throw notAFloat(text);
}

SourceRecord::SourceRecord(std::int32_t dateFieldPosition) : m_dateIndex(std::int64_t{dateFieldPosition} - 1) {}

std::string_view SourceRecord::field(std::int64_t index) const
{
    if (index < 0 || static_cast<std::uint64_t>(index) >= m_items.size()) {
        throw listIndexOutOfRange(index);
    }
    return m_items[static_cast<std::size_t>(index)];
}

bool SourceRecord::complete() const
{
    return m_dateIndex >= 0 && static_cast<std::uint64_t>(m_dateIndex + 5) < m_items.size();
}

} // namespace velmora
