#pragma once

#include <cstdint>

namespace velmora {

/// How bars are named: by the time they start ("0時0分のバーとする　※ MetaTrader 仕様") or by the time they end
/// ("0時5分のバーとする　※ VT 仕様"). The values are the items of the labelling choice in the main window, the
/// numbers its settings key stores.
enum class BarLabelling : std::uint8_t { ByStart = 0, ByEnd = 1 };

/// The labelling a stored item index selects: the choice shows any index but 1 as its first item.
constexpr BarLabelling labellingFromIndex(std::int32_t index)
{
    return index == 1 ? BarLabelling::ByEnd : BarLabelling::ByStart;
}

} // namespace velmora
