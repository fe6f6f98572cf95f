#pragma once

#include "input/SourceLines.h"
#include "input/layout/SourceLayout.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace velmora {

/// One line in the usual layout ("YYYY/MM/DD,HH:MM:SS,open,high,low,close[,volume]", after dateField - 1 filler
/// fields so that the date stands where the reader looks for it), appended to out without a line break.
/// False, with out unchanged, for a line the layout does not read.
struct RewrittenZone
{
    std::string_view text; ///< the zone word or offset after the time, as written ("Z", "+0000", "GMT+0300")
};
bool rewriteLine(std::string_view line, const SourceLayout& layout, std::int32_t dateField, std::string& out,
                 RewrittenZone* zone = nullptr);
/// rewriteLine through its general reading alone, without the quick path it takes for the usual shapes: what
/// the quick path must write.
bool rewriteLineInGeneral(std::string_view line, const SourceLayout& layout, std::int32_t dateField, std::string& out,
                          RewrittenZone* zone = nullptr);

/// Rewrites a file's lines in the layout as they are read (SourceLines::rewriteWith): each line the layout reads
/// as rewriteLine writes it, every other line as written.
std::shared_ptr<const LineRewriter> layoutRewriter(const SourceLayout& layout, std::int32_t dateField);

} // namespace velmora
