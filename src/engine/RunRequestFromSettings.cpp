#include "engine/RunRequestFromSettings.h"

#include <algorithm>
#include <string>

namespace velmora {

namespace {

constexpr std::int32_t SundayPosition = 0;
constexpr std::int32_t FridayPosition = 5;
constexpr std::int32_t SaturdayPosition = 6;

int weekdayOf(std::int32_t listPosition, std::int32_t defaultPosition)
{
    const bool inList = listPosition >= SundayPosition && listPosition <= SaturdayPosition;
    return weekdayFromListPosition(inList ? listPosition : defaultPosition);
}

} // namespace

RunRequest runRequestFromSettings(const FormSettings& form, const SummerSettings& summer)
{
    RunRequest request;
    ConversionSettings& settings = request.settings;

    settings.timeframes = form.minute;
    settings.timeFormat = form.shortTimeFormat;
    settings.cutTime = form.mktChangeTime;
    settings.labelling = form.radioGroup1;
    settings.fillGaps = form.checkBox1;
    settings.marketWindow = form.checkBox2;
    settings.marketOpenDay = weekdayOf(form.mktOpenYoubi, SundayPosition);
    settings.marketOpenTime = form.mktOpenTime;
    settings.marketCloseDay = weekdayOf(form.mktCloseYoubi, FridayPosition);
    settings.marketCloseTime = form.mktCloseTime;
    settings.dropTimeInDaily = form.checkBox3;
    settings.forceExtension = form.checkBox4;
    settings.extension = form.editExt;
    settings.overwriteWithoutAsking = form.checkBox6;
    settings.summerTable = summer.checkBox1;

    // The run converts these three boxes itself, so that a bad value ends it the way a typed one does.
    const auto hours = std::clamp(form.timeZoneEditValue, MinTimeZoneHours, MaxTimeZoneHours);
    const auto dateField = std::clamp(form.dateCsvField, MinDateField, MaxDateField);
    request.dateSeparatorBox = form.dateSeparator;
    request.timeZoneBox = std::to_string(hours);
    request.dateFieldBox = std::to_string(dateField);
    settings.outputDateSeparator = separatorFromBox(form.dateSeparator);
    settings.timeZoneShiftDays = hours / 24.0;
    settings.dateField = dateField;

    request.files = form.listBox;
    request.summer.enabled = summer.checkBox1;
    request.summer.starts = summer.openListBox;
    request.summer.ends = summer.closeListBox;
    request.summer.shifts = summer.gapListBox;
    return request;
}

BarKind barKindFromSettings(const FormSettings& form)
{
    return form.radioButton2 ? BarKind::Daily : BarKind::Minutes;
}

} // namespace velmora
