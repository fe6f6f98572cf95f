#include "input/SourceRecord.h"

#include "input/ByteScan.h"
#include "platform/RunError.h"

#include <algorithm> // min
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring> // memcpy
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
    double value = 0.0;
    if (readDecimal(text, value)) {
        return value;
    }
    return std::nullopt;
}

bool readDecimal(std::string_view text, double& value)
{
    // Nearly every price is digits with one "." between them: read those in one pass. Anything else (blanks,
    // a sign, an exponent, more than 15 digits) takes the full reading below.
    if (!text.empty() && text.size() <= 16) {
        std::uint64_t mantissa = 0;
        std::size_t point = text.size();
        bool plain = true;
        for (std::size_t k = 0; k < text.size(); ++k) {
            const unsigned digit = static_cast<unsigned char>(text[k]) - unsigned{'0'};
            if (digit <= 9) {
                mantissa = mantissa * 10 + digit;
            } else if (text[k] == '.' && point == text.size()) {
                point = k;
            } else {
                plain = false;
                break;
            }
        }
        const std::size_t digits = text.size() - (point == text.size() ? 0 : 1);
        if (plain && digits > 0 && digits <= 15) {
            const std::size_t fractionDigits = point == text.size() ? 0 : text.size() - point - 1;
            value = static_cast<double>(mantissa) / PowersOfTen[fractionDigits];
            return true;
        }
    }
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
        return false;
    }
    const bool hasExponent = i < text.size() && (text[i] == 'e' || text[i] == 'E');
    if (hasExponent) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            ++j;
        }
        const std::size_t exponentEnd = skipDigits(text, j);
        if (exponentEnd == j) {
            return false;
        }
        i = exponentEnd;
    }
    if (i != text.size()) {
        return false;
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
        const double magnitude = static_cast<double>(mantissa) / PowersOfTen[fractionDigits];
        value = negative ? -magnitude : magnitude;
        return true;
    }
    // A "+" on the exponent is fine for from_chars; only the leading sign is handled here.
    std::string_view number = text.substr(numberStart);
    double magnitude = 0.0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), magnitude);
    if (error != std::errc() || end != number.data() + number.size()) {
        return false;
    }
    value = negative ? -magnitude : magnitude;
    return true;
}

bool readDecimalInLine(std::string_view text, double& value)
{
    return readDecimal(text, value);
}

double StrToFloat(std::string_view text)
{
    double value = 0.0;
    if (readDecimal(text, value)) {
        return value;
    }
    throw notAFloat(text);
}

SourceRecord::SourceRecord(std::int32_t dateFieldPosition) : m_dateIndex(std::int64_t{dateFieldPosition} - 1) {}

void SourceRecord::split(std::string_view line)
{
    m_plain = splitPlain(line);
    if (!m_plain) {
        m_items.split(line);
    }
}

bool SourceRecord::splitPlain(std::string_view line)
{
    // Without blanks, quotes and control bytes the comma-text rule comes down to: a non-empty text has one
    // field more than it has commas, each field the bytes between two commas.
    if (line.empty() || line.size() >= UINT32_MAX) {
        return false;
    }
    const char* data = line.data();
    const std::size_t size = line.size();
    std::size_t count = 0;
    m_starts[0] = 0;
    for (std::size_t pos = 0; pos < size; pos += 64) {
        const FieldMasks masks = ByteScan::fieldMasks(data + pos, std::min<std::size_t>(64, size - pos));
        if (masks.notPlain != 0) {
            return false;
        }
        for (std::uint64_t commas = masks.commas; commas != 0; commas &= commas - 1) {
            if (++count > MaxPlainFields - 1) {
                return false;
            }
            m_starts[count] = static_cast<std::uint32_t>(pos + static_cast<std::size_t>(std::countr_zero(commas)) + 1);
        }
    }
    m_plainCount = count + 1;
    m_starts[m_plainCount] = static_cast<std::uint32_t>(size + 1);
    m_line = line;
    return true;
}

std::string_view SourceRecord::field(std::int64_t index) const
{
    if (index < 0 || static_cast<std::uint64_t>(index) >= fieldCount()) {
        throw listIndexOutOfRange(index);
    }
    const auto k = static_cast<std::size_t>(index);
    if (m_plain) {
        return m_line.substr(m_starts[k], m_starts[k + 1] - 1 - m_starts[k]);
    }
    return m_items[k];
}

bool SourceRecord::complete() const
{
    return m_dateIndex >= 0 && static_cast<std::uint64_t>(m_dateIndex + 5) < fieldCount();
}

} // namespace velmora
