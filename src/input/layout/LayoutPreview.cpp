#include "input/layout/LayoutPreview.h"

#include "input/CivilDays.h"
#include "input/DateTimeText.h"
#include "input/SourceRecord.h"
#include "input/layout/LayoutDetection.h"
#include "input/layout/LayoutRewriter.h"
#include "input/layout/LayoutText.h"

#include <algorithm>

namespace velmora {

namespace {

void appendTwo(std::string& out, int value)
{
    out += static_cast<char>('0' + value / 10);
    out += static_cast<char>('0' + value % 10);
}

/// A date as the usual reader reads it (with its own first non-digit as separator), as "YYYY/MM/DD": the
/// preview shows which day a line gives, not how it was written.
std::string readDateText(std::string_view text, int currentYear)
{
    const auto* const separator = std::find_if(text.begin(), text.end(), [](char c) { return !layout::isDigit(c); });
    const auto days = separator == text.end() ? std::nullopt : parseDateText(text, *separator, currentYear);
    if (!days) {
        return std::string(text);
    }
    const CivilDate date = civilFromDays(*days);
    std::string out = std::to_string(date.year);
    out += '/';
    appendTwo(out, date.month);
    out += '/';
    appendTwo(out, date.day);
    return out;
}

/// A time of day as the usual reader reads it, as "HH:MM:SS" (".mmm" where it has milliseconds).
std::string readTimeText(std::string_view text)
{
    const auto ms = parseTimeOfDayMs(text);
    if (!ms) {
        return std::string(text);
    }
    std::string out;
    appendTwo(out, *ms / 3600000);
    out += ':';
    appendTwo(out, *ms / 60000 % 60);
    out += ':';
    appendTwo(out, *ms / 1000 % 60);
    if (*ms % 1000 != 0) {
        const int fraction = *ms % 1000;
        out += '.';
        out += static_cast<char>('0' + fraction / 100);
        appendTwo(out, fraction % 100);
    }
    return out;
}

} // namespace

LayoutPreview previewLayout(const SourceLines& lines, const SourceLayout& layout, std::int32_t dateField,
                            int currentYear, std::size_t count)
{
    LayoutPreview preview;
    preview.used = resolveLayout(layout, lines, dateField, currentYear);
    SourceRecord record(dateField);
    std::string rewritten;
    count = std::min(count, lines.size());
    preview.lines.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        PreviewLine& shown = preview.lines.emplace_back();
        shown.text = lines.line(i);
        if (preview.used) {
            rewritten.clear();
            shown.read = rewriteLine(shown.text, *preview.used, dateField, rewritten);
            if (shown.read) {
                record.split(rewritten);
            }
        } else {
            shown.read = usualReads(shown.text, record, currentYear);
        }
        if (shown.read) {
            shown.date = readDateText(record.date(), currentYear);
            shown.time = readTimeText(record.time());
            shown.open = record.open();
            shown.high = record.high();
            shown.low = record.low();
            shown.close = record.close();
        }
    }
    return preview;
}

} // namespace velmora
