// The layout reader: under every preset, a layout of random parts, and "auto" (with and without parts the user
// gave), the quick rewriting must write what the reference rewriting writes, line for line, both one line at a
// time and through the lines of a whole file; detection and the looks at a file's order must end on any bytes.
#include "FuzzSupport.h"
#include "input/SourceLines.h"
#include "input/layout/LayoutDetection.h"
#include "input/layout/LayoutRewriter.h"

#include <array>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace velmora;

constexpr std::array<std::string_view, 7> Presets = {"auto", "usual",     "ymd",          "dmy",
                                                     "mdy",  "dmy-ticks", "decimal-comma"};

/// Lines of the shapes real files have, which the edits below then damage.
constexpr std::array<std::string_view, 12> Shapes = {
    "2022.08.15,10:06,1.02010,1.02090,1.02000,1.02050,17",
    "15.08.2022 10:06:07.534 GMT+0300,1.02070,1.02050,2.5,1.1",
    "08/15/2022,10:06:00,1.0201,1.0209,1.0200,1.0205,120",
    "2022-08-15T10:06:00Z;1,0201;1,0209;1,0200;1,0205;17",
    "1660558020,1.0201,1.0209,1.0200,1.0205,17,1660558079",
    "1660558020000,1.0201,1.0209,1.0200,1.0205,17.5",
    "EURUSD,2022.08.15,10:06,1.0201,1.0209,1.0200,1.0205,17",
    "20220815 100600\t1.0201\t1.0209\t1.0200\t1.0205\t0",
    "15.08.22,10:06,1.0201,1.0209,1.0200,1.0205",
    "\"2022-08-15 10:06:00\",\"1.0201\",\"1.0209\",\"1.0200\",\"1.0205\",\"17\"",
    "2010.01.01,00:00:07.534,1.43156,1.43175,2.5,1.1",
    "timestamp,open,high,low,close,volume",
};

constexpr std::string_view Alphabet = "0123456789.,;:/- \t\"TZ+eE";

/// Lines of the shapes above, each edited as the bytes say: a character replaced, inserted or removed.
std::string editedLines(fuzz::ByteReader& bytes)
{
    std::string text;
    const int count = 1 + bytes.byte() % 24;
    for (int i = 0; i < count; ++i) {
        std::string line(Shapes[bytes.byte() % Shapes.size()]);
        for (int edits = bytes.byte() % 4; edits > 0 && !line.empty(); --edits) {
            const std::size_t at = bytes.byte() % (line.size() + 1);
            const char c = Alphabet[bytes.byte() % Alphabet.size()];
            switch (bytes.byte() % 3) {
            case 0:
                line[std::min(at, line.size() - 1)] = c;
                break;
            case 1:
                line.insert(at, 1, c);
                break;
            default:
                line.erase(std::min(at, line.size() - 1), 1);
                break;
            }
        }
        text += line;
        text += (bytes.byte() & 1U) != 0 ? "\r\n" : "\n";
    }
    return text;
}

SourceLayout randomLayout(fuzz::ByteReader& bytes)
{
    SourceLayout layout;
    layout.mode = (bytes.byte() & 1U) != 0 ? SourceLayout::Mode::Chosen : SourceLayout::Mode::Auto;
    layout.dateOrder = static_cast<DateOrder>(bytes.byte() % 4);
    layout.separator = static_cast<FieldSeparator>(bytes.byte() % 5);
    layout.decimalComma = bytes.flag();
    layout.prices = static_cast<PriceColumns>(bytes.byte() % 4);
    layout.dateColumn = 1 + bytes.byte() % 4;
    layout.volumeColumn = bytes.byte() % 9;
    layout.given = layout.mode == SourceLayout::Mode::Auto ? static_cast<std::uint8_t>(bytes.byte() & 0x3FU) : 0;
    return layout;
}

/// Every line, alone and as a file's lines read through the rewriter, written the same way by both readings.
void compareRewritings(const SourceLines& plain, const SourceLayout& layout, std::int32_t dateField,
                       std::string_view text)
{
    SourceLines rewritten = SourceLines::fromBytes(text);
    rewritten.rewriteWith(layoutRewriter(layout, dateField));
    std::string quick;
    std::string general;
    for (std::size_t i = 0; i < plain.size(); ++i) {
        const std::string line(plain.line(i));
        RewrittenZone quickZone;
        RewrittenZone generalZone;
        quick.clear();
        general.clear();
        const bool quickRead = rewriteLine(line, layout, dateField, quick, &quickZone);
        const bool generalRead = rewriteLineInGeneral(line, layout, dateField, general, &generalZone);
        if (quickRead != generalRead || quick != general || quickZone.text != generalZone.text) {
            std::abort();
        }
        if (rewritten.line(i) != (generalRead ? std::string_view(general) : std::string_view(line))) {
            std::abort();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::ByteReader bytes(fuzz::bytesOf(data, size));
    const std::uint8_t choice = bytes.byte();
    SourceLayout layout;
    if (choice < 128) {
        layout = *layoutFromName(Presets[choice % Presets.size()]);
    } else {
        layout = randomLayout(bytes);
    }
    const std::int32_t dateField = 1 + bytes.byte() % 3;
    constexpr int CurrentYear = 2026;
    const std::string text = bytes.flag() ? editedLines(bytes) : std::string(bytes.rest());

    const SourceLines lines = SourceLines::fromBytes(text);
    const std::optional<SourceLayout> chosen = resolveLayout(layout, lines, dateField, CurrentYear);
    (void)datesLookDayFirst(lines, dateField, CurrentYear);
    (void)backwardsFrom(lines, dateField, CurrentYear);
    if (chosen) {
        compareRewritings(lines, *chosen, dateField, text);
    }
    // The layout itself too, where detection chose another or none.
    if (layout.mode != SourceLayout::Mode::Usual && (!chosen || *chosen != layout)) {
        SourceLayout fixed = layout;
        fixed.mode = SourceLayout::Mode::Chosen;
        fixed.given = 0;
        compareRewritings(lines, fixed, dateField, text);
    }
    return 0;
}
