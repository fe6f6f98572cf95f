#include "input/ParsedLine.h"

#include "input/DateTimeText.h"
#include "platform/MessageSink.h"
#include "platform/RunError.h"

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

bool within(std::string_view field, std::string_view line)
{
    return field.data() >= line.data() && field.data() + field.size() <= line.data() + line.size();
}

} // namespace

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
    readPrices(line, out);
    return true;
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

void LineParser::readPrices(std::string_view line, ParsedLine& out) const
{
    out.openLength = ParsedLine::PricesNotHeld;
    if (!m_record.complete()) {
        return;
    }
    const std::string_view open = m_record.open();
    const std::string_view close = m_record.close();
    // A field unquoted from a quoted one lives in the splitter's own buffer, which the next line reuses.
    if (!within(open, line) || !within(close, line) || open.size() >= ParsedLine::PricesNotHeld ||
        close.size() >= ParsedLine::PricesNotHeld) {
        return;
    }
    if (!readDecimal(m_record.high(), out.high) || !readDecimal(m_record.low(), out.low)) {
        return;
    }
    out.open = open.data();
    out.close = close.data();
    out.openLength = static_cast<std::uint16_t>(open.size());
    out.closeLength = static_cast<std::uint16_t>(close.size());
}

} // namespace velmora
