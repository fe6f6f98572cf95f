#pragma once

// The prices of a line in another layout, written as the usual reader takes them: a bar's four prices or a tick's
// one price, and the volume. The quick and the general rewriting both write them through here, each with its own
// way of checking one price (AppendPrice: bool(std::string_view text, Pen& out), writing the price or nothing).

#include "input/layout/LayoutText.h"
#include "input/layout/SourceLayout.h"

#include <cstddef>
#include <cstring> // memmove
#include <string_view>

namespace velmora::layout {

/// True for digits with at most one point among them, 15 digits at most: a price the usual reader is sure to
/// take (point '.'), so that it need not be read as a number just to find out. pointAt: where the point stands,
/// or npos.
bool plainDecimal(std::string_view text, char point, std::size_t& pointAt);

/// A price as the usual reader takes it: the decimal comma turned into a point.
bool appendPrice(std::string_view text, bool decimalComma, Pen& out);

/// The middle of two plain decimals "[-]digits[.digits]" written exactly: at the finer of their decimals, or one
/// more where that is needed. a and b may lie in out: both are read before anything is appended.
bool appendMid(std::string_view a, std::string_view b, Pen& out);

/// The one price of a tick line (ask, bid or their middle, from the ask and bid at fields[at] and after) as
/// all four prices of a bar.
template <typename AppendPrice>
bool writeTickPrice(const Fields& fields, std::size_t at, const SourceLayout& layout, const AppendPrice& append,
                    Pen& pen)
{
    const std::string_view ask = fields[at];
    const std::string_view bid = fields[at + 1];
    // The one price is written once and copied from there to the three other columns.
    pen.put(',');
    char* const price = pen.at;
    bool read = false;
    if (layout.prices == PriceColumns::Mid) {
        read = append(ask, pen);
        char* const bidStart = pen.at;
        read = read && append(bid, pen);
        char* const midStart = pen.at;
        read = read && appendMid(std::string_view(price, static_cast<std::size_t>(bidStart - price)),
                                 std::string_view(bidStart, static_cast<std::size_t>(midStart - bidStart)), pen);
        if (read) {
            const auto midSize = static_cast<std::size_t>(pen.at - midStart);
            std::memmove(price, midStart, midSize);
            pen.at = price + midSize;
        }
    } else {
        read = append(layout.prices == PriceColumns::Ask ? ask : bid, pen);
    }
    if (!read) {
        return false;
    }
    const std::string_view written(price, static_cast<std::size_t>(pen.at - price));
    for (int k = 0; k < 3; ++k) {
        pen.put(',');
        pen.put(written);
    }
    return true;
}

/// The open, high, low and close of a bar line, from fields[at] on.
template <typename AppendPrice>
bool writeBarPrices(const Fields& fields, std::size_t at, const AppendPrice& append, Pen& pen)
{
    for (std::size_t k = 0; k < 4; ++k) {
        pen.put(',');
        if (!append(fields[at + k], pen)) {
            return false;
        }
    }
    return true;
}

/// The four price columns and, for a bar file, the volume, from fields[at] on; false when they do not read.
template <bool Quick, typename AppendPrice>
bool writePricesAndVolume(const Fields& fields, std::size_t at, const SourceLayout& layout, const AppendPrice& append,
                          Pen& pen)
{
    const bool ticks = layout.prices != PriceColumns::Ohlc;
    if (!(ticks ? writeTickPrice(fields, at, layout, append, pen) : writeBarPrices(fields, at, append, pen))) {
        return false;
    }
    at += ticks ? 2 : 4;
    const std::string_view volume =
        layout.volumeColumn > 0 ? fields[static_cast<std::size_t>(layout.volumeColumn) - 1] : (ticks ? "" : fields[at]);
    if (!volume.empty()) {
        pen.put(',');
        if (!append(volume, pen)) {
            // A volume that does not read is left out; the quick path leaves deciding that to the general one.
            if constexpr (Quick) {
                return false;
            }
            --pen.at;
        }
    }
    return true;
}

} // namespace velmora::layout
