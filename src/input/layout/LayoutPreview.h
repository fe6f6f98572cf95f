#pragma once

#include "input/SourceLines.h"
#include "input/layout/SourceLayout.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velmora {

/// One of a file's first lines as a layout reads it: the fields the usual reader then takes, in its words
/// (the date "YYYY/MM/DD", the time "HH:MM:SS"), or read false for a line the reading skips.
struct PreviewLine
{
    std::string text; ///< the line as written
    bool read = false;
    std::string date;
    std::string time;
    std::string open;
    std::string high;
    std::string low;
    std::string close;
};

struct LayoutPreview
{
    /// The layout the lines were read in: the one chosen, the one detection picked under "auto", or std::nullopt
    /// for the usual reading (chosen as "usual", or under "auto" where a line reads as usual).
    std::optional<SourceLayout> used;
    std::vector<PreviewLine> lines;
};

/// The first count lines of a file as a run would read them under the layout, through the same rewriting and
/// detection as the run's own loading.
LayoutPreview previewLayout(const SourceLines& lines, const SourceLayout& layout, std::int32_t dateField,
                            int currentYear, std::size_t count);

} // namespace velmora
