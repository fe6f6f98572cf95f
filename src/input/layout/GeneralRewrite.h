#pragma once

#include "input/layout/LayoutText.h"
#include "input/layout/SourceLayout.h"

#include <cstddef>
#include <string_view>

namespace velmora::layout {

/// The reference rewriting: any line in any layout, every field trimmed and unquoted, every date and time shape,
/// prices read as numbers where they are not plain. Writes the line in the usual layout after fillers filler
/// fields and sets zone to the zone after its time; false (with anything written left to be overwritten) for a
/// line the layout does not read. The quick rewriting must write what this writes.
bool rewriteInGeneral(std::string_view line, const SourceLayout& layout, std::size_t fillers, Pen& pen,
                      std::string_view& zone);

} // namespace velmora::layout
