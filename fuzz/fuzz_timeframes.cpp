// The timeframe list with entry resolution: every entry either resolves to widths above 0 or is refused.
#include "FuzzSupport.h"
#include "engine/bars/TimeframeEntry.h"
#include "engine/settings/RunBoxes.h"
#include "platform/RunError.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace velmora;
    fuzz::ByteReader reader(fuzz::bytesOf(data, size));
    const int steps = reader.byte() * 8;
    const std::string box = normaliseTimeframeBox(reader.rest());
    BarKind kind = BarKind::Minutes;
    for (const std::string& text : splitTimeframeList(box)) {
        try {
            TimeframeEntry entry = TimeframeEntry::ResolveEntry(text, kind);
            for (int i = 0; i < steps; ++i) {
                if (entry.currentWidth() <= 0 || entry.currentWidth() > MaxEntryWidth) {
                    std::abort();
                }
                entry.NextWidth();
            }
        } catch (const RunError&) {
        }
    }
    return 0;
}
