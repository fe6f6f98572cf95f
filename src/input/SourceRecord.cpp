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

namespace {

std::string_view trimBlanks(std::string_view text)
{
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    return text;
}

/// The parts of a number written "[+-]digits[.digits][(e|E)[+-]digits]" with at least one digit before the
/// exponent.
struct DecimalShape
{
    bool negative = false;
    std::size_t numberStart = 0; ///< after the sign
    std::size_t digitCount = 0;  ///< before the exponent
    bool hasExponent = false;
};

/// The end of an exponent starting at i ("e", an optional sign, digits), or std::nullopt without digits.
std::optional<std::size_t> exponentEnd(std::string_view text, std::size_t i)
{
    std::size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
        ++j;
    }
    const std::size_t end = skipDigits(text, j);
    if (end == j) {
        return std::nullopt;
    }
    return end;
}

std::optional<DecimalShape> decimalShape(std::string_view text)
{
    DecimalShape shape;
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        shape.negative = text[i] == '-';
        ++i;
    }
    shape.numberStart = i;
    i = skipDigits(text, i);
    shape.digitCount = i - shape.numberStart;
    if (i < text.size() && text[i] == '.') {
        const std::size_t fractionEnd = skipDigits(text, i + 1);
        shape.digitCount += fractionEnd - (i + 1);
        i = fractionEnd;
    }
    if (shape.digitCount == 0) {
        return std::nullopt;
    }
    shape.hasExponent = i < text.size() && (text[i] == 'e' || text[i] == 'E');
    if (shape.hasExponent) {
        const auto end = exponentEnd(text, i);
        if (!end) {
            return std::nullopt;
        }
        i = *end;
    }
    if (i != text.size()) {
        return std::nullopt;
    }
    return shape;
}

/// Digits with an optional ".", at most 15 of them, as a magnitude.
double exactDecimal(std::string_view digits)
{
    // Up to 15 digits are an exact integer, and dividing by an exact power of ten rounds once, to the same double
    // that from_chars gives, at a fraction of the cost.
    std::uint64_t mantissa = 0;
    std::size_t fractionDigits = 0;
    bool inFraction = false;
    for (const char c : digits) {
        if (c == '.') {
            inFraction = true;
            continue;
        }
        mantissa = mantissa * 10 + static_cast<std::uint64_t>(c - '0');
        fractionDigits += inFraction ? 1U : 0U;
    }
    return static_cast<double>(mantissa) / PowersOfTen[fractionDigits];
}

} // namespace

bool readPlainDecimal(std::string_view text, double& value)
{
    if (text.empty() || text.size() > 16) {
        return false;
    }
    std::uint64_t mantissa = 0;
    std::size_t point = text.size();
    for (std::size_t k = 0; k < text.size(); ++k) {
        const unsigned digit = static_cast<unsigned char>(text[k]) - unsigned{'0'};
        if (digit <= 9) {
            mantissa = mantissa * 10 + digit;
        } else if (text[k] == '.' && point == text.size()) {
            point = k;
        } else {
            return false;
        }
    }
    const bool hasPoint = point != text.size();
    const std::size_t digits = text.size() - (hasPoint ? 1 : 0);
    if (digits == 0 || digits > 15) {
        return false;
    }
    value = static_cast<double>(mantissa) / PowersOfTen[hasPoint ? text.size() - point - 1 : 0];
    return true;
}

bool readDecimal(std::string_view text, double& value)
{
    // Nearly every price is digits with one "." between them: read those in one pass. Anything else (blanks,
    // a sign, an exponent, more than 15 digits) takes the full reading below.
    if (readPlainDecimal(text, value)) {
        return true;
    }
    text = trimBlanks(text);
    // from_chars reads "inf", "nan" and hexadecimal forms and refuses a leading "+"; check the written form
    // here and hand it only the plain number.
    const auto shape = decimalShape(text);
    if (!shape) {
        return false;
    }
    const std::string_view number = text.substr(shape->numberStart);
    double magnitude = 0.0;
    if (!shape->hasExponent && shape->digitCount <= 15) {
        magnitude = exactDecimal(number);
    } else {
        // A "+" on the exponent is fine for from_chars; only the leading sign is handled here.
        const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), magnitude);
        if (error != std::errc() || end != number.data() + number.size()) {
            return false;
        }
    }
    value = shape->negative ? -magnitude : magnitude;
    return true;
}

bool pricesOutOfOrder(std::string_view open, double high, double low, std::string_view close)
{
    double value = 0.0;
    const auto outside = [high, low](double price) { return price < low || price > high; };
    return high < low || (readDecimal(open, value) && outside(value)) || (readDecimal(close, value) && outside(value));
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
