#include "engine/settings/ConversionSettings.h"

#include "platform/RunError.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(ConversionSettingsTest, TimeZoneBoxIsWholeHours)
{
    EXPECT_DOUBLE_EQ(timeZoneShiftFromBox("-9"), -9 / 24.0);
    EXPECT_THROW(timeZoneShiftFromBox("1.5"), RunError);
}

TEST(ConversionSettingsTest, SeparatorIsTheBoxesFirstOneByteCharacter)
{
    EXPECT_EQ(separatorFromBox("-/"), '-');
    EXPECT_EQ(separatorFromBox(""), '\0');
    EXPECT_FALSE(isUsableSeparatorBox("年"));
    EXPECT_EQ(separatorFromBox("年"), '\0');
}

} // namespace
} // namespace velmora
