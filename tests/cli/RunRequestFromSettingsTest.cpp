#include "engine/run/RunRequestFromSettings.h"

#include "platform/IniFile.h"
#include "support/FilledSettings.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace velmora;

TEST(RunRequestFromSettingsTest, TakesEveryControl)
{
    const FormSettings form = test::everyFormControlChanged();
    const SummerSettings summer = test::filledSummerTable();

    const auto request = runRequestFromSettings({.form = form, .summer = summer});
    const auto& s = request.settings;
    EXPECT_EQ(s.timeframes, "15.60, 1-2-3"); // the run itself turns "." into ","
    EXPECT_EQ(s.cutTime, "0:00");
    EXPECT_EQ(s.timeFormat, "hh:nn");
    EXPECT_EQ(s.marketOpenTime, "18:00");
    EXPECT_EQ(s.marketCloseTime, "16:00");
    EXPECT_EQ(s.extension, " csv ");
    EXPECT_EQ(request.dateSeparatorBox, "-/");
    EXPECT_EQ(s.outputDateSeparator, '-');
    EXPECT_EQ(request.timeZoneBox, "-7");
    EXPECT_DOUBLE_EQ(s.timeZoneShiftDays, -7 / 24.0);
    EXPECT_EQ(request.dateFieldBox, "2");
    EXPECT_EQ(s.dateField, 2);
    EXPECT_FALSE(s.fillGaps);
    EXPECT_FALSE(s.marketWindow);
    EXPECT_TRUE(s.dropTimeInDaily);
    EXPECT_TRUE(s.forceExtension);
    EXPECT_TRUE(s.overwriteWithoutAsking);
    EXPECT_EQ(s.labelling, BarLabelling::ByEnd);
    EXPECT_EQ(s.marketOpenDay, 2);  // Monday
    EXPECT_EQ(s.marketCloseDay, 7); // Saturday
    EXPECT_EQ(request.files, form.listBox);
    EXPECT_TRUE(s.summerTable);
    EXPECT_TRUE(request.summer.enabled);
    EXPECT_EQ(request.summer.starts, summer.openListBox);
    EXPECT_EQ(request.summer.ends, summer.closeListBox);
    EXPECT_EQ(request.summer.shifts, summer.gapListBox);
    EXPECT_EQ(barKindFromSettings(form), BarKind::Daily);
}

TEST(RunRequestFromSettingsTest, ReadsValuesAsTheControlsWouldShowThem)
{
    struct Case
    {
        std::int32_t timeZone, dateField, labelling, openDay, closeDay;
        std::string timeZoneBox, dateFieldBox;
        BarLabelling labellingUsed;
        int openWeekday, closeWeekday;
    };
    const Case cases[] = {
        {100, 100, 0, 6, 0, "100", "100", BarLabelling::ByStart, 7, 1},
        {101, 101, 2, 7, -1, "100", "100", BarLabelling::ByStart, 1, 6},
        {-500, 0, -1, -1, 9, "-100", "1", BarLabelling::ByStart, 1, 6},
    };
    for (const auto& c : cases) {
        FormSettings form;
        form.timeZoneEditValue = c.timeZone;
        form.dateCsvField = c.dateField;
        form.radioGroup1 = labellingFromIndex(c.labelling);
        form.mktOpenYoubi = c.openDay;
        form.mktCloseYoubi = c.closeDay;
        const auto request = runRequestFromSettings({.form = form});
        EXPECT_EQ(request.timeZoneBox, c.timeZoneBox) << c.timeZone;
        EXPECT_EQ(request.dateFieldBox, c.dateFieldBox) << c.dateField;
        EXPECT_EQ(request.settings.labelling, c.labellingUsed) << c.labelling;
        EXPECT_EQ(request.settings.marketOpenDay, c.openWeekday) << c.openDay;
        EXPECT_EQ(request.settings.marketCloseDay, c.closeWeekday) << c.closeDay;
    }
}

TEST(RunRequestFromSettingsTest, TakesEverySectionARunReads)
{
    // A section the loader or the request left out would run with its defaults: each holds a value off them.
    const test::TempDir dir;
    const IniFile file(dir.write("velmora.ini", "[Form]\nMinute=15\n"
                                                "[Summer]\nCheckBox1=1\n"
                                                "[Bars]\nAppendVolume=1\n"
                                                "[GapReport]\nListInLog=1\nMinutes=45\n"
                                                "[Input]\nLayout=dmy\n"
                                                "[Clock]\nMarketClock=UTC+2\n"));
    const RunSections sections = loadRunSections(file);
    const RunRequest request = runRequestFromSettings(sections);
    EXPECT_EQ(request.settings.timeframes, "15");
    EXPECT_TRUE(request.summer.enabled);
    EXPECT_TRUE(request.settings.appendVolume);
    EXPECT_TRUE(request.gaps.enabled);
    EXPECT_TRUE(request.gaps.listInLog);
    EXPECT_EQ(request.gaps.longerThan, 45);
    EXPECT_EQ(request.settings.sourceLayout, layoutFromName("dmy"));
    EXPECT_EQ(request.settings.clocks.market, clockOf("UTC+2"));
    EXPECT_EQ(request.settings.clocks.source, ClockChoice{});
}
