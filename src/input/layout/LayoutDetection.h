#pragma once

#include "input/SourceLines.h"
#include "input/SourceRecord.h"
#include "input/layout/SourceLayout.h"

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace velmora {

/// Lines from the start of a file that detection looks at.
constexpr std::size_t DetectionLines = 20;

/// For Mode::Auto: std::nullopt when the usual reading can use one of the file's first lines with its prices in
/// order (the file is then read as it always was), else the layout that reads most of them with prices in order
/// and dates running one way, if any. The parts of the layout the user gave (SourceLayout::given) are kept and
/// the usual reading is then no candidate: the layout of the given parts is taken where it reads the lines,
/// and stays where nothing else does.
std::optional<SourceLayout> detectLayout(const SourceLines& lines, std::int32_t dateField, int currentYear,
                                         const SourceLayout& requested = SourceLayout{});

/// The chosen layout of the parts of `requested` the user gave, the rest as in the "ymd" preset: what options
/// given without a layout read alone.
SourceLayout givenParts(const SourceLayout& requested);

/// The layout a file is read in under the reading's layout setting: the chosen one; under "auto" the one
/// detectLayout picks from the file's first lines, which firstLines() gives (called only then); std::nullopt for
/// the usual reading. Every reader of a file decides through here: the run's loading, its look at a file's last
/// line, the preview.
template <typename FirstLines>
    requires std::invocable<const FirstLines&>
std::optional<SourceLayout> resolveLayout(const SourceLayout& layout, const FirstLines& firstLines,
                                          std::int32_t dateField, int currentYear)
{
    switch (layout.mode) {
    case SourceLayout::Mode::Chosen:
        return layout;
    case SourceLayout::Mode::Auto:
        return detectLayout(firstLines(), dateField, currentYear, layout);
    case SourceLayout::Mode::Usual:
        break;
    }
    return std::nullopt;
}

/// resolveLayout() for a file whose lines are loaded already.
inline std::optional<SourceLayout> resolveLayout(const SourceLayout& layout, const SourceLines& lines,
                                                 std::int32_t dateField, int currentYear)
{
    return resolveLayout(
        layout, [&lines]() -> const SourceLines& { return lines; }, dateField, currentYear);
}

/// True when the usual reading takes the file's first and last usable lines year-first, though their dates are
/// all of the form nn.nn.nn and run in order day-first, while year-first they run out of order or over a longer
/// time (15.08.22 to 19.08.22 is four days day-first, four years year-first).
bool datesLookDayFirst(const SourceLines& lines, std::int32_t dateField, int currentYear);

/// Where the file's first usable lines (in the usual layout, as the lines give them) run backwards in time, as
/// in files written newest line first: the index of the first of them, the lines before it being a header. Most
/// steps from one line to the next must go back: a file in time order with a few lines out of order does not.
std::optional<std::size_t> backwardsFrom(const SourceLines& lines, std::int32_t dateField, int currentYear);

/// The usual reading's test for a line it can start from, without its messages: enough fields, prices and time
/// that read, and a date that reads with its own first non-digit as separator. record holds the line's fields.
bool usualReads(std::string_view line, SourceRecord& record, int currentYear);

} // namespace velmora
