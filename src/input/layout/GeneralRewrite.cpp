#include "input/layout/GeneralRewrite.h"

#include "input/layout/LayoutDateTime.h"
#include "input/layout/LayoutPrices.h"

#include <algorithm>

namespace velmora::layout {

bool rewriteInGeneral(std::string_view line, const SourceLayout& layout, std::size_t fillers, Pen& pen,
                      std::string_view& zone)
{
    line = unquote(line);
    const Fields fields = splitFields(line, separatorOf(line, layout.separator));
    std::size_t at = static_cast<std::size_t>(std::max(layout.dateColumn, 1)) - 1;
    const std::string_view dateTime = fields[at++];
    const auto append = [&layout](std::string_view text, Pen& out) {
        return appendPrice(text, layout.decimalComma, out);
    };
    if (layout.dateOrder == DateOrder::Epoch) {
        // The whole moment in one field, in UTC: no time field and no zone follow.
        return writeEpoch(dateTime, fillers, pen) && writePricesAndVolume<false>(fields, at, layout, append, pen);
    }
    // The date and the time share a field where an ISO 8601 "T" or a blank parts them.
    const std::size_t cut = dateTime.find_first_of("T ");
    const std::string_view dateText = dateTime.substr(0, cut);
    std::string_view timeText = cut == std::string_view::npos ? fields[at++] : trim(dateTime.substr(cut + 1));
    const auto date = readDate(dateText, layout.dateOrder);
    if (!date) {
        return false;
    }
    writeDate(*date, fillers, pen);
    std::size_t timeEnd = 0;
    if (!readTime(timeText, pen, timeEnd)) {
        return false;
    }
    std::string_view rest = trim(timeText.substr(timeEnd));
    if (rest.empty() && isZone(fields[at])) {
        rest = fields[at++];
    }
    if (!rest.empty() && !isZone(rest)) {
        return false;
    }
    zone = rest;
    return writePricesAndVolume<false>(fields, at, layout, append, pen);
}

} // namespace velmora::layout
