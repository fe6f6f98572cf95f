// The comma splitter: the allocating and the reusing form must agree on every text.
#include "FuzzSupport.h"
#include "input/SplitCommaText.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text = velmora::fuzz::bytesOf(data, size);
    const std::vector<std::string> items = velmora::SplitCommaText(text);
    static velmora::CommaItems reused;
    reused.split(text);
    if (reused.size() != items.size()) {
        std::abort();
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (reused[i] != items[i]) {
            std::abort();
        }
    }
    return 0;
}
