#include "input/layout/LayoutRewriter.h"

#include "input/ByteScan.h"
#include "input/layout/GeneralRewrite.h"
#include "input/layout/QuickRewrite.h"

#include <algorithm>
#include <bit>

namespace velmora {

using layout::Pen;
using layout::QuickDateMemo;
using layout::rewriteInGeneral;
using layout::rewriteQuickly;

namespace {

/// Room for the longest line the rewriting can write: filler fields, a date, and at most the line's own bytes for
/// the time, each of the four prices (the middle of two prices is a few bytes longer than either, and is worked
/// out behind them) and the volume.
std::size_t roomFor(std::string_view line, std::size_t fillers)
{
    return 2 * fillers + 64 + 7 * line.size();
}

/// Writes the rewritten line at `at`, which has roomFor() bytes, and returns where it ends; nullptr when the
/// layout does not read the line. first: as for rewriteQuickly().
template <bool Quick>
char* rewriteAt(std::string_view line, const char* readable, const LayoutMasks& first, const SourceLayout& layout,
                std::size_t fillers, char* at, std::string_view& zone, QuickDateMemo& memo)
{
    Pen pen{at};
    if (!Quick || !rewriteQuickly(line, readable, first, layout, fillers, pen, zone, memo)) {
        pen.at = at;
        if (!rewriteInGeneral(line, layout, fillers, pen, zone)) {
            return nullptr;
        }
    }
    return pen.at;
}

std::size_t fillersOf(std::int32_t dateField)
{
    return static_cast<std::size_t>(std::max(dateField, 1) - 1);
}

template <bool Quick>
bool rewriteLineWith(std::string_view line, const SourceLayout& layout, std::int32_t dateField, std::string& out,
                     RewrittenZone* zone)
{
    const std::size_t start = out.size();
    const std::size_t fillers = fillersOf(dateField);
    out.resize(start + roomFor(line, fillers));
    QuickDateMemo memo;
    std::string_view zoneText;
    const LayoutMasks first = ByteScan::layoutMasks(line.data(), std::min<std::size_t>(64, line.size()));
    const char* const end =
        rewriteAt<Quick>(line, line.data() + line.size(), first, layout, fillers, out.data() + start, zoneText, memo);
    out.resize(end != nullptr ? static_cast<std::size_t>(end - out.data()) : start);
    if (zone != nullptr) {
        zone->text = zoneText;
    }
    return end != nullptr;
}

/// The rewriting of one layout, line by line as the lines are read.
class LayoutRewriter final : public LineRewriter
{
public:
    LayoutRewriter(const SourceLayout& layout, std::int32_t dateField)
        : m_layout(layout), m_fillers(fillersOf(dateField)), m_masksAt(WideScan::forThisProcessor().layoutMasks)
    {
    }

    std::unique_ptr<Scratch> makeScratch() const override { return std::make_unique<Room>(); }

    std::string_view rewrite(std::string_view line, const char* readable, Scratch& scratch) const override
    {
        const auto available = static_cast<std::size_t>(readable - line.data());
        return rewriteCut(line, readable, m_masksAt(line.data(), std::min<std::size_t>(64, available)),
                          static_cast<Room&>(scratch));
    }

    std::string_view rewriteFrom(const char* start, const char* readable, Scratch& scratch,
                                 const char*& next) const override
    {
        // The line is cut from the same compares that cut its fields.
        const auto available = static_cast<std::size_t>(readable - start);
        const LayoutMasks first = m_masksAt(start, std::min<std::size_t>(64, available));
        const std::size_t end = first.breaks != 0
                                    ? static_cast<std::size_t>(std::countr_zero(first.breaks))
                                    : ByteScan::findLineBreak(start, std::min<std::size_t>(64, available), available);
        next = start + SourceLines::afterBreak(start, end, available);
        return rewriteCut({start, end}, readable, first, static_cast<Room&>(scratch));
    }

private:
    struct Room final : Scratch
    {
        std::string text;
        QuickDateMemo memo;
    };

    std::string_view rewriteCut(std::string_view line, const char* readable, const LayoutMasks& first, Room& room) const
    {
        const std::size_t needed = roomFor(line, m_fillers) + 2 + ReadableAfter;
        if (room.text.size() < needed) {
            // Cleared once as it grows: the bytes past a line's break are read, never used.
            room.text.resize(needed);
        }
        char* const at = room.text.data();
        std::string_view zone;
        char* end = rewriteAt<true>(line, readable, first, m_layout, m_fillers, at, zone, room.memo);
        if (end == nullptr) {
            // Unread lines go to the usual reader as written: it skips or refuses them in its own words.
            end = std::copy(line.begin(), line.end(), at);
        }
        end[0] = '\r';
        end[1] = '\n';
        return {at, static_cast<std::size_t>(end - at)};
    }

    SourceLayout m_layout;
    std::size_t m_fillers;
    /// The compares of the processor the program runs on.
    LayoutMasks (*m_masksAt)(const char* window, std::size_t length);
};

} // namespace

bool rewriteLine(std::string_view line, const SourceLayout& layout, std::int32_t dateField, std::string& out,
                 RewrittenZone* zone)
{
    return rewriteLineWith<true>(line, layout, dateField, out, zone);
}

bool rewriteLineInGeneral(std::string_view line, const SourceLayout& layout, std::int32_t dateField, std::string& out,
                          RewrittenZone* zone)
{
    return rewriteLineWith<false>(line, layout, dateField, out, zone);
}

std::shared_ptr<const LineRewriter> layoutRewriter(const SourceLayout& layout, std::int32_t dateField)
{
    return std::make_shared<LayoutRewriter>(layout, dateField);
}

} // namespace velmora
