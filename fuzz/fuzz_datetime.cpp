// The date and time readers over arbitrary texts: every reader either gives a value in its range or refuses.
#include "FuzzSupport.h"
#include "engine/settings/RunBoxes.h"
#include "input/DateTimeText.h"
#include "platform/RunError.h"

#include <cstdlib>

namespace {

class NoMessages final : public velmora::MessageSink
{
public:
    void showMessage(std::string_view) override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace velmora;
    fuzz::ByteReader reader(fuzz::bytesOf(data, size));
    const char separator = static_cast<char>(reader.byte());
    const int currentYear = 1900 + reader.byte() * 20;
    const std::string_view text = reader.rest();

    if (const auto days = parseDateText(text, separator, currentYear)) {
        if (*days < -693'593 || *days > 2'958'465) { // 0001-01-01 .. 9999-12-31
            std::abort();
        }
    }
    NoMessages messages;
    DateSeparators separators{separator, '/'};
    DateTextContext context{separators, messages, currentYear};
    DetectDateSeparator(text, context);
    (void)ReadDateText(text, context);
    (void)DateTextToDayMinutes(text, context);

    if (const auto ms = parseTimeOfDayMs(text)) {
        if (*ms < 0) {
            std::abort();
        }
    }
    (void)parseTimeText(text);
    const TimePieces pieces = splitTimeText(text);
    if (pieces.count < 0 || pieces.count > TimePieces::Limit) {
        std::abort();
    }
    try {
        (void)ReadTimeText(text);
    } catch (const RunError&) {
    }
    try {
        (void)TimeStrToInt(text, messages);
    } catch (const RunError&) {
    }
    (void)parsePeriodText(text, currentYear);
    (void)OutputSeparatorCaption(text, currentYear, 1 + reader.byte() % 12, 1 + reader.byte() % 28);
    (void)unusableDateSeparatorMessage(text);
    return 0;
}
