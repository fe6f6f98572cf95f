#include "engine/run/RunRequestFromSettings.h"

#include "engine/settings/RunBoxes.h"

#include <string>

namespace velmora {

namespace {

int weekdayOf(std::int32_t listPosition, std::int32_t defaultPosition)
{
    return weekdayFromListPosition(weekdayListPosition(listPosition, defaultPosition));
}

} // namespace

RunSections loadRunSections(const IniFile& file)
{
    return {loadFormSettings(file),  loadSummerSettings(file), loadBarsSettings(file),  loadGapReportSettings(file),
            loadInputSettings(file), loadClockSettings(file),  loadOutputSettings(file)};
}

RunRequest runRequestFromSettings(const RunSections& sections)
{
    const FormSettings& form = sections.form;
    const SummerSettings& summer = sections.summer;
    RunRequest request;
    ConversionSettings& settings = request.settings;

    settings.timeframes = form.minute;
    settings.timeFormat = form.shortTimeFormat;
    settings.cutTime = form.mktChangeTime;
    settings.labelling = form.radioGroup1;
    settings.fillGaps = form.checkBox1;
    settings.marketWindow = form.checkBox2;
    settings.marketOpenDay = weekdayOf(form.mktOpenYoubi, DefaultOpenWeekdayPosition);
    settings.marketOpenTime = form.mktOpenTime;
    settings.marketCloseDay = weekdayOf(form.mktCloseYoubi, DefaultCloseWeekdayPosition);
    settings.marketCloseTime = form.mktCloseTime;
    settings.dropTimeInDaily = form.checkBox3;
    settings.forceExtension = form.checkBox4;
    settings.extension = form.editExt;
    settings.overwriteWithoutAsking = form.checkBox6;
    settings.summerTable = summer.checkBox1;
    settings.appendVolume = sections.bars.appendVolume;
    settings.sourceLayout = sourceLayoutOf(sections.input);
    settings.clocks = clockSettingsOf(sections.clocks);
    settings.output = outputChoiceOf(sections.output);

    // The run converts these three boxes itself, so that a bad value ends it the way a typed one does.
    const auto hours = TimeZoneHoursRange.clamp(form.timeZoneEditValue);
    const auto dateField = DateFieldRange.clamp(form.dateCsvField);
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
    request.gaps = gapReportFromSettings(sections.gaps);
    return request;
}

GapReportRequest gapReportFromSettings(const GapReportSettings& gaps)
{
    // Asking for the list asks for the report it stands in.
    return {gaps.enabled || gaps.listInLog, gaps.listInLog, GapMinutesRange.clamp(gaps.minutes)};
}

BarKind barKindFromSettings(const FormSettings& form)
{
    return form.radioButton2 ? BarKind::Daily : BarKind::Minutes;
}

} // namespace velmora
