#include "input/ParsedLine.h"

#include "input/ByteScan.h"
#include "input/DateTimeText.h"
#include "platform/MessageSink.h"
#include "platform/RunError.h"

#include <algorithm>
#include <bit>
#include <cstring> // memcpy
#include <limits>
#include <utility> // move

namespace velmora {

namespace {

/// Notes that a reader wanted to show a message, which only the walk may do.
class MessageFlag : public MessageSink
{
public:
    void showMessage(std::string_view /*text*/) override { raised = true; }
    bool raised = false;
};

/// hours × 60 + minutes of a time whose first two ":" pieces are each 1 to 9 plain digits, the form TimeStrToInt
/// reads without a message or an error, when the result fits 32 bits; -1 for anything else.
std::int64_t plainMinutes(std::string_view text)
{
    std::int64_t parts[2] = {0, 0};
    std::size_t i = 0;
    for (std::int64_t& part : parts) {
        const std::size_t start = i;
        while (i < text.size() && text[i] != ':') {
            const unsigned digit = static_cast<unsigned char>(text[i]) - unsigned{'0'};
            if (digit > 9 || i - start == 9) {
                return -1;
            }
            part = part * 10 + digit;
            ++i;
        }
        if (i == start || (&part == &parts[0] && i == text.size())) {
            return -1;
        }
        ++i;
    }
    const std::int64_t total = parts[0] * 60 + parts[1];
    return total <= std::numeric_limits<std::int32_t>::max() ? total : -1;
}

constexpr std::uint64_t eachByte(std::uint8_t byte)
{
    return 0x0101010101010101ULL * byte;
}

std::uint64_t loadText(const char* text, std::uint64_t inText)
{
    std::uint64_t bytes = 0;
    std::memcpy(&bytes, text, sizeof bytes);
    return bytes & inText;
}

/// Whether open and close lie outside low to high, for four prices of one length with the point at one place,
/// compared as words of bytes: 1 outside, 0 inside, -1 where the texts are not of that shape (read them as numbers).
/// Gain: readQuick over a year of usual lines, best of 30, 38.8 to 39.0 ns a line against 40.9 to 41.1 with every
/// line's open and close read as numbers instead; the default job on 20,000 lines 34.23 M instructions against
/// 35.93 M (callgrind; bench/README.md, "Kept tricks").
inline int plainOrder(const char* open, const char* high, const char* low, const char* close, std::size_t length)
{
    if constexpr (std::endian::native != std::endian::little) {
        return -1;
    }
    if (length == 0 || length > 8) {
        return -1;
    }
    const std::uint64_t inText = length == 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8U * length)) - 1U;
    const std::uint64_t highWord = loadText(high, inText);
    const std::uint64_t lowWord = loadText(low, inText);
    const std::uint64_t openWord = loadText(open, inText);
    const std::uint64_t closeWord = loadText(close, inText);
    // The point of the high (0xFF in its byte, if it has one): the others must have theirs at the same place.
    const std::uint64_t notPoint = highWord ^ eachByte('.');
    const std::uint64_t pointBit =
        ~((((notPoint & eachByte(0x7F)) + eachByte(0x7F)) | notPoint) & eachByte(0x80)) & eachByte(0x80) & inText;
    const std::uint64_t pointBytes = (pointBit >> 7U) * 0xFFU;
    const std::uint64_t digitBytes = inText & ~pointBytes;
    // Each word's bytes other than the point as 0 to 9 where they are digits: every one must be below 16,
    // and none 10 or more.
    const std::uint64_t h = (highWord ^ eachByte('0')) & digitBytes;
    const std::uint64_t l = (lowWord ^ eachByte('0')) & digitBytes;
    const std::uint64_t o = (openWord ^ eachByte('0')) & digitBytes;
    const std::uint64_t c = (closeWord ^ eachByte('0')) & digitBytes;
    const std::uint64_t aboveFifteen = (h | l | o | c) & eachByte(0xF0);
    const std::uint64_t tenOrMore =
        ((h + eachByte(6)) | (l + eachByte(6)) | (o + eachByte(6)) | (c + eachByte(6))) & eachByte(0x10);
    const std::uint64_t pointsDiffer =
        ((lowWord ^ highWord) | (openWord ^ highWord) | (closeWord ^ highWord)) & pointBytes;
    if ((aboveFifteen | tenOrMore | pointsDiffer | (pointBit & (pointBit - 1U))) != 0) {
        return -1;
    }
    // Texts of one length with the point at one place order as their bytes, the first the highest.
    const std::uint64_t highKey = __builtin_bswap64(highWord);
    const std::uint64_t lowKey = __builtin_bswap64(lowWord);
    const std::uint64_t openKey = __builtin_bswap64(openWord);
    const std::uint64_t closeKey = __builtin_bswap64(closeWord);
    const bool outside =
        highKey < lowKey || openKey < lowKey || openKey > highKey || closeKey < lowKey || closeKey > highKey;
    return outside ? 1 : 0;
}

} // namespace

bool readVolume(std::string_view text, double& value, std::uint8_t& decimals)
{
    decimals = 0;
    // Nearly every volume is a whole number: its digits are its value.
    if (!text.empty() && text.size() <= 15) {
        std::uint64_t whole = 0;
        std::size_t k = 0;
        for (; k < text.size(); ++k) {
            const unsigned digit = static_cast<unsigned char>(text[k]) - unsigned{'0'};
            if (digit > 9) {
                break;
            }
            whole = whole * 10 + digit;
        }
        if (k == text.size()) {
            value = static_cast<double>(whole);
            return true;
        }
    }
    if (!readDecimal(text, value)) {
        value = 0.0;
        return false;
    }
    constexpr std::uint8_t MostDecimals = 9;
    const auto point = text.find('.');
    if (text.find_first_of("eE") != std::string_view::npos) {
        decimals = MostDecimals;
    } else if (point != std::string_view::npos) {
        std::size_t digits = 0;
        while (point + 1 + digits < text.size() && text[point + 1 + digits] >= '0' && text[point + 1 + digits] <= '9') {
            ++digits;
        }
        decimals = static_cast<std::uint8_t>(std::min<std::size_t>(digits, MostDecimals));
    }
    return true;
}

int plainPriceOrder(const char* open, const char* high, const char* low, const char* close, std::size_t length)
{
    return plainOrder(open, high, low, close, length);
}

LineParser::LineParser(std::int32_t dateField, char separator, int currentYear, DateMemo memo)
    : m_record(dateField), m_separator(separator), m_currentYear(currentYear), m_memo(std::move(memo))
{
}

bool LineParser::read(std::string_view line, ParsedLine& out)
{
    m_record.split(line);
    const std::int64_t dateIndex = m_record.dateIndex();
    // A missing date or time field ends the run in the walk's own reading.
    if (dateIndex < 0 || static_cast<std::uint64_t>(dateIndex + 1) >= m_record.fieldCount()) {
        return false;
    }
    if (!readStamp(m_record.date(), m_record.time(), out.stamp)) {
        return false;
    }
    readPrices(out);
    if (m_volumes) {
        readRecordVolume();
    }
    return true;
}

LineParser::Quick LineParser::readQuick(const char* start, ParsedLine& out, std::size_t& next)
{
    const FieldMasks masks = ByteScan::fieldMasks(start, 64);
    const std::uint64_t breaks = masks.lineFeeds | masks.carriageReturns;
    if (breaks == 0) {
        return Quick::NotPlain;
    }
    const auto length = static_cast<unsigned>(std::countr_zero(breaks));
    const std::uint64_t inLine = (std::uint64_t{1} << length) - 1U;
    if (length == 0 || (masks.notPlain & inLine) != 0 || m_record.dateIndex() < 0) {
        return Quick::NotPlain;
    }
    // Without blanks, quotes and control bytes the comma-text rule gives the bytes between two commas.
    std::uint64_t commas = masks.commas & inLine;
    std::size_t fieldStart = 0;
    for (std::int64_t k = m_record.dateIndex(); k > 0; --k) {
        if (commas == 0) {
            return Quick::NotPlain;
        }
        fieldStart = static_cast<std::size_t>(std::countr_zero(commas)) + 1;
        commas &= commas - 1;
    }
    // The date, time, open, high, low and close from fieldStart on; fields past the line are missing.
    std::size_t starts[6];
    std::size_t ends[6];
    std::size_t found = 0;
    for (; found < 6; ++found) {
        starts[found] = fieldStart;
        if (commas == 0) {
            ends[found++] = length;
            break;
        }
        ends[found] = static_cast<std::size_t>(std::countr_zero(commas));
        commas &= commas - 1;
        fieldStart = ends[found] + 1;
    }
    if (found < 2) {
        return Quick::NotPlain;
    }
    next = length + ((start[length] == '\r' && start[length + 1] == '\n') ? 2 : 1);
    const auto field = [start, &starts, &ends](std::size_t k) {
        return std::string_view(start + starts[k], ends[k] - starts[k]);
    };
    if (!readStamp(field(0), field(1), out.stamp)) {
        return Quick::Refused;
    }
    out.openLength = ParsedLine::PricesNotHeld;
    if (found < 6) {
        m_closeEnd = SIZE_MAX;
        return Quick::Read;
    }
    m_closeEnd = ends[5];
    // Every field lies in the first 64 bytes, so PriceChars bytes from any field's start can be read: the
    // texts are moved in one fixed piece each, whatever their length.
    const std::size_t openLength = ends[2] - starts[2];
    const std::size_t closeLength = ends[5] - starts[5];
    if (openLength <= ParsedLine::PriceChars && closeLength <= ParsedLine::PriceChars &&
        readDecimal(field(3), out.high) && readDecimal(field(4), out.low)) {
        std::memcpy(out.open, start + starts[2], ParsedLine::PriceChars);
        std::memcpy(out.close, start + starts[5], ParsedLine::PriceChars);
        out.openLength = static_cast<std::uint8_t>(openLength);
        out.closeLength = static_cast<std::uint8_t>(closeLength);
        const std::size_t highLength = ends[3] - starts[3];
        const int order =
            (openLength == highLength && closeLength == highLength && ends[4] - starts[4] == highLength)
                ? plainOrder(start + starts[2], start + starts[3], start + starts[4], start + starts[5], highLength)
                : -1;
        out.outOfOrder = order >= 0 ? order == 1 : pricesOutOfOrder(field(2), out.high, out.low, field(5));
    }
    return Quick::Read;
}

bool LineParser::readStamp(std::string_view dateText, std::string_view timeText, std::int32_t& stamp)
{
    if (!m_memo.held || dateText != m_memo.text) {
        // Only the first attempt of the walk's date reading: its retry may change the separator.
        const auto day = parseDateText(dateText, m_separator, m_currentYear);
        if (!day) {
            return false;
        }
        m_memo.text.assign(dateText);
        m_memo.day = *day;
        m_memo.held = true;
    }
    // The usual "hh:mm" or "hh:mm:ss" is read here; anything else goes through the walk's own time reader.
    std::int64_t minute = plainMinutes(timeText);
    if (minute < 0) {
        MessageFlag flag;
        std::optional<std::int32_t> read;
        try {
            read = TimeStrToInt(timeText, flag);
        } catch (const RunError&) {
            return false;
        }
        if (!read || flag.raised) {
            return false;
        }
        minute = *read;
    }
    const std::int64_t value = m_memo.day * 1440 + minute;
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max()) {
        return false;
    }
    stamp = static_cast<std::int32_t>(value);
    return true;
}

void LineParser::readQuickVolume(std::string_view line)
{
    // The volume is the field after the close, up to the next comma or the line's end; there is none where the
    // close ends the line. Nearly every volume is a whole number: its digits are read as its end is looked for.
    std::string_view field;
    if (m_closeEnd < line.size() && line[m_closeEnd] == ',') {
        const std::size_t from = m_closeEnd + 1;
        std::size_t to = from;
        std::uint64_t whole = 0;
        for (unsigned digit = 0; to < line.size() && to - from < 16; ++to) {
            digit = static_cast<unsigned char>(line[to]) - unsigned{'0'};
            if (digit > 9) {
                break;
            }
            whole = whole * 10 + digit;
        }
        const bool ends = to == line.size() || line[to] == ',' || line[to] == '\r' || line[to] == '\n';
        if (to > from && to - from <= 15 && ends) {
            m_volume.value = static_cast<double>(whole);
            m_volume.decimals = 0;
            return;
        }
        while (to < line.size() && line[to] != ',' && line[to] != '\r' && line[to] != '\n') {
            ++to;
        }
        field = line.substr(from, to - from);
    }
    readVolume(field, m_volume.value, m_volume.decimals);
}

void LineParser::readRecordVolume()
{
    const std::int64_t volumeIndex = m_record.dateIndex() + 6;
    readVolume(static_cast<std::uint64_t>(volumeIndex) < m_record.fieldCount() ? m_record.field(volumeIndex)
                                                                               : std::string_view(),
               m_volume.value, m_volume.decimals);
}

void LineParser::readPrices(ParsedLine& out) const
{
    out.openLength = ParsedLine::PricesNotHeld;
    if (!m_record.complete()) {
        return;
    }
    const std::string_view open = m_record.open();
    const std::string_view close = m_record.close();
    if (open.size() > ParsedLine::PriceChars || close.size() > ParsedLine::PriceChars ||
        !readDecimal(m_record.high(), out.high) || !readDecimal(m_record.low(), out.low)) {
        return;
    }
    std::memcpy(out.open, open.data(), open.size());
    std::memcpy(out.close, close.data(), close.size());
    out.openLength = static_cast<std::uint8_t>(open.size());
    out.closeLength = static_cast<std::uint8_t>(close.size());
    out.outOfOrder = pricesOutOfOrder(open, out.high, out.low, close);
}

} // namespace velmora
