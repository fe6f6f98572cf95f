#include "engine/settings/ConversionSettings.h"

#include "platform/Numbers.h"

namespace velmora {

double timeZoneShiftFromBox(std::string_view hoursText)
{
    return StrToInt(hoursText) / 24.0;
}

std::int32_t dateFieldFromBox(std::string_view text)
{
    return StrToInt(text);
}

bool isUsableSeparatorBox(std::string_view text)
{
    // Bytes from 0x80 up start (or continue) a multi-byte character in the system code page.
    return !text.empty() && static_cast<unsigned char>(text.front()) < 0x80 && text.front() != '\0';
}

char separatorFromBox(std::string_view text)
{
    return isUsableSeparatorBox(text) ? text.front() : '\0';
}

int weekdayFromListPosition(int position)
{
    return position + 1;
}

} // namespace velmora
