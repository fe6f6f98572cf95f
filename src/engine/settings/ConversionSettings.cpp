#include "engine/settings/ConversionSettings.h"

namespace velmora {

int weekdayFromListPosition(int position)
{
    return position + 1;
}

} // namespace velmora
