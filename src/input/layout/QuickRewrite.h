#pragma once

#include "input/ByteScan.h"
#include "input/layout/LayoutText.h"
#include "input/layout/SourceLayout.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace velmora::layout {

/// The date last written by the quick rewriting, and the zone last seen: lines of one day follow each other, and
/// lines of one file carry one zone, so each is read once. One per reader, kept from line to line; only
/// rewriteQuickly reads and writes it.
struct QuickDateMemo
{
    std::array<char, 10> text{};
    std::array<char, 11> written{}; ///< "YYYY/MM/DD,"
    std::size_t writtenSize = 0;
    std::int64_t epochDay = -1; ///< the day `written` holds, under epoch times (which have no date text)
    std::array<char, 16> zone{};
    std::size_t zoneSize = 0; ///< 0 also when the zone is longer than the room kept for it
};

/// The shapes nearly every line of a file in another layout has: a separator that is no blank, the date first
/// and ten characters long, a plain time, plain prices, no quotes. Writes what rewriteInGeneral writes for such a
/// line, several times faster; false (with anything written left to be overwritten) for any other line, which
/// then goes to rewriteInGeneral.
///
/// first: the masks of the line's first 64 bytes, or of its bytes up to readable where that is sooner; the bytes
/// up to readable may be looked at (and are then left out), so that the compares need not stop short at the
/// line's end.
bool rewriteQuickly(std::string_view line, const char* readable, const LayoutMasks& first, const SourceLayout& layout,
                    std::size_t fillers, Pen& pen, std::string_view& zone, QuickDateMemo& memo);

} // namespace velmora::layout
