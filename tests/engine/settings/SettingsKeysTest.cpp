#include "engine/settings/SettingsKeys.h"

#include "platform/IniFile.h"
#include "support/FilledSettings.h"
#include "support/TempDir.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace velmora {
namespace {

using test::readBytes;
using test::TempDir;

FormSettings formFrom(std::string_view content)
{
    TempDir dir;
    return loadFormSettings(IniFile(dir.write("velmora.ini", content)));
}

template <class Settings, std::size_t Count>
void expectTableMatchesDefaults(const std::array<SettingsKey<Settings>, Count>& keys)
{
    std::vector<int> saveOrders;
    for (std::size_t i = 0; i < Count; ++i) {
        EXPECT_EQ(keys[i].loadOrder, static_cast<int>(i) + 1) << keys[i].name;
        EXPECT_EQ(storedText(Settings{}, keys[i]), keys[i].defaultText) << keys[i].name;
        saveOrders.push_back(keys[i].saveOrder);
    }
    std::sort(saveOrders.begin(), saveOrders.end());
    for (std::size_t i = 0; i < Count; ++i) {
        EXPECT_EQ(saveOrders[i], static_cast<int>(i) + 1);
    }
}

TEST(SettingsKeysTest, TablesAgreeWithTheDefaults)
{
    expectTableMatchesDefaults(FormKeys);
    expectTableMatchesDefaults(Form2Keys);
    expectTableMatchesDefaults(SummerKeys);
    expectTableMatchesDefaults(BarsKeys);
}

TEST(SettingsKeysTest, FirstStartGivesTheDefaults)
{
    TempDir dir;
    const IniFile none(dir.file("velmora.ini"));
    const auto form = loadFormSettings(none);
    EXPECT_EQ(form, FormSettings{});
    EXPECT_FALSE(form.top.has_value() || form.left.has_value());
    EXPECT_EQ(loadForm2Settings(none), Form2Settings{});
    EXPECT_EQ(loadSummerSettings(none), SummerSettings{});
    EXPECT_EQ(loadBarsSettings(none), BarsSettings{});
}

TEST(SettingsKeysTest, SavesFormInItsWritingOrder)
{
    TempDir dir;
    IniFile file(dir.file("velmora.ini"));
    FormSettings form;
    form.top = 10;
    form.left = 20;
    form.listBox = {"/data/a.txt", "/data/b.txt"};
    saveFormSettings(file, form);
    EXPECT_EQ(file.text(), "[Form]\r\nTop=10\r\nLeft=20\r\nWidth=625\r\nHeight=777\r\nminute=5, 60, 240, 1440\r\n"
                           "MktChangeTime=17:00\r\nShortTimeFormat=hh:nn:ss\r\nMktOpenTime=17:00\r\n"
                           "MktCloseTime=17:00\r\nTimeZoneEditValue=0\r\nDateCsvField=1\r\nEditExt=.txt\r\n"
                           "DateSeparator=/\r\nListBox=/data/a.txt,/data/b.txt\r\nRadioButton1=1\r\n"
                           "RadioButton2=0\r\nCheckBox1=1\r\nCheckBox2=1\r\nCheckBox3=0\r\nCheckBox4=0\r\n"
                           "CheckBox6=0\r\nRadioGroup1=0\r\nMktOpenYoubi=0\r\nMktCloseYoubi=5\r\n");
}

TEST(SettingsKeysTest, EveryKeySurvivesARestart)
{
    FormSettings form = test::everyFormControlChanged();
    form.dateSeparator = " "; // a value of blanks alone
    const SummerSettings summer = test::filledSummerTable();

    Form2Settings form2;
    form2.checkList = "USDJPYEURUSD";
    form2.edit1Text = "15, 30";
    form2.radioGroup1 = LinkageOverwrite::Always;

    TempDir dir;
    const auto path = dir.write("velmora.ini", "[Form]\r\nminute=old\r\n[Mine]\r\nx=1\r\n");
    {
        IniFile file(path);
        saveFormSettings(file, form);
        saveForm2Settings(file, form2);
        saveSummerSettings(file, summer);
        file.save();
    }
    const IniFile reread(path);
    EXPECT_EQ(loadFormSettings(reread), form);
    EXPECT_EQ(loadForm2Settings(reread), form2);
    EXPECT_EQ(loadSummerSettings(reread), summer);
    EXPECT_EQ(reread.readString("Mine", "x", ""), "1");
}

TEST(SettingsKeysTest, ReadsStoredTextsAsTheirKinds)
{
    EXPECT_EQ(formFrom("[Form]\r\nMktCloseYoubi=0x4\r\n").mktCloseYoubi, 4);
    EXPECT_EQ(formFrom("[Form]\r\nMktCloseYoubi=Thursday\r\n").mktCloseYoubi, 5);
    EXPECT_TRUE(formFrom("[Form]\r\nCheckBox3=2\r\n").checkBox3);
    EXPECT_FALSE(formFrom("[Form]\r\nCheckBox3=yes\r\n").checkBox3);
    EXPECT_TRUE(formFrom("[Form]\r\nCheckBox1=yes\r\n").checkBox1);
    EXPECT_EQ(formFrom("[Form]\r\nTop=abc\r\nLeft=0x10\r\n").top, std::nullopt);
    EXPECT_EQ(formFrom("[Form]\r\nTop=abc\r\nLeft=0x10\r\n").left, 16);
    EXPECT_EQ(formFrom("[form]\r\nminute=10\r\nDATECSVFIELD=4\r\n").dateCsvField, 4);
}

TEST(SettingsKeysTest, ChoicesReadStoredIndexesAsTheirGroupsShowThem)
{
    struct Case
    {
        const char* stored;
        BarLabelling labelling;
        LinkageOverwrite policy;
    };
    const Case cases[] = {
        {"0", BarLabelling::ByStart, LinkageOverwrite::WhenNewer},
        {"1", BarLabelling::ByEnd, LinkageOverwrite::Always},
        {"0x1", BarLabelling::ByEnd, LinkageOverwrite::Always},
        {"2", BarLabelling::ByStart, LinkageOverwrite::Always},
        {"-1", BarLabelling::ByStart, LinkageOverwrite::Always},
        {"abc", BarLabelling::ByStart, LinkageOverwrite::WhenNewer},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const IniFile file(dir.write("velmora.ini", std::string("[Form]\r\nRadioGroup1=") + c.stored +
                                                        "\r\n[Form2]\r\nRadioGroup1=" + c.stored + "\r\n"));
        EXPECT_EQ(loadFormSettings(file).radioGroup1, c.labelling) << c.stored;
        EXPECT_EQ(loadForm2Settings(file).radioGroup1, c.policy) << c.stored;
    }
}

TEST(SettingsKeysTest, SpinBoxTextThatIsNotANumberFallsBackAndLoadingGoesOn)
{
    const auto form = formFrom("[Form]\r\nTimeZoneEditValue=abc\r\nDateCsvField=1.5\r\nRadioButton1=0\r\n"
                               "CheckBox6=1\r\nHeight=500\r\nListBox=/a.txt\r\n");
    EXPECT_EQ(form.timeZoneEditValue, 0);
    EXPECT_EQ(form.dateCsvField, 1);
    EXPECT_FALSE(form.radioButton1);
    EXPECT_TRUE(form.checkBox6);
    EXPECT_EQ(form.height, 500);
    EXPECT_EQ(form.listBox, std::vector<std::string>{"/a.txt"});

    EXPECT_EQ(formFrom("[Form]\r\nTimeZoneEditValue=-12\r\n").timeZoneEditValue, -12);
}

TEST(SettingsKeysTest, FileListSplitsAtEveryComma)
{
    using List = std::vector<std::string>;
    EXPECT_EQ(formFrom("[Form]\r\nListBox=/fx/a,b.txt,/fx/c.txt\r\n").listBox, (List{"/fx/a", "b.txt", "/fx/c.txt"}));
    EXPECT_EQ(formFrom("[Form]\r\nListBox=a,,b,\r\n").listBox, (List{"a", "", "b", ""}));
    EXPECT_EQ(formFrom("[Form]\r\nListBox=\r\n").listBox, List{});
}

TEST(SettingsKeysTest, LongFileListComesBackCut)
{
    std::vector<std::string> files;
    for (int i = 0; i < 40; ++i) {
        files.push_back("/data/instrument-" + std::to_string(i) + "/EURUSD_1min_2009_to_2024_full_history.txt");
    }
    const auto joinedText = joinFileList(files);
    ASSERT_GT(joinedText.size(), 2047U);

    TempDir dir;
    const auto path = dir.file("velmora.ini");
    {
        IniFile file(path);
        FormSettings form;
        form.listBox = files;
        saveFormSettings(file, form);
        file.save();
    }
    const auto back = loadFormSettings(IniFile(path)).listBox;
    EXPECT_EQ(back, splitFileList(std::string_view(joinedText).substr(0, 2047)));
    ASSERT_LT(back.size(), files.size());
    EXPECT_EQ(back[back.size() - 2], files[back.size() - 2]);
    EXPECT_NE(back.back(), files[back.size() - 1]);
    EXPECT_TRUE(files[back.size() - 1].starts_with(back.back()));
}

TEST(SettingsKeysTest, WindowEdgesNotKnownAreLeftAsStored)
{
    TempDir dir;
    IniFile file(dir.write("velmora.ini", "[Form]\r\nTop=33\r\n"));
    saveFormSettings(file, FormSettings{});
    EXPECT_EQ(file.readInteger("Form", "Top", 0), 33);
    EXPECT_FALSE(file.hasKey("Form", "Left"));
}

TEST(SettingsKeysTest, FileNameWithALineBreakIsRefused)
{
    TempDir dir;
    const auto path = dir.write("velmora.ini", "[Form]\r\nminute=5\r\n");
    IniFile file(path);
    FormSettings form;
    form.listBox = {"/data/a\nb.txt"};
    EXPECT_THROW(saveFormSettings(file, form), RunError);
    EXPECT_FALSE(file.hasKey("Form", "b.txt"));
    EXPECT_EQ(readBytes(path), "[Form]\r\nminute=5\r\n");
}

TEST(SettingsKeysTest, SummerRowsAreJoinedWithTheSixCharacterSeparator)
{
    TempDir dir;
    IniFile file(dir.file("velmora.ini"));
    SummerSettings summer;
    summer.openListBox = {"2009/03/08 2:00:00", "2010/03/14"};
    summer.closeListBox = {"2009/11/01 2:00:00", "2010/11/07"};
    summer.gapListBox = {"60", "60"};
    saveSummerSettings(file, summer);
    EXPECT_EQ(file.text(), "[Summer]\r\nOpenListBox=2009/03/08 2:00:00\\13\\102010/03/14\r\n"
                           "CloseListBox=2009/11/01 2:00:00\\13\\102010/11/07\r\nGapListBox=60\\13\\1060\r\n"
                           "CheckBox1=0\r\n");

    // Rows the user deleted must not come back at the next start.
    saveSummerSettings(file, SummerSettings{});
    EXPECT_EQ(loadSummerSettings(file), SummerSettings{});
}

TEST(SettingsKeysTest, SplitsRowsAsLines)
{
    using List = std::vector<std::string>;
    EXPECT_EQ(splitRows("a\\13\\10b"), (List{"a", "b"}));
    EXPECT_EQ(splitRows("a\\13\\10"), (List{"a"}));
    EXPECT_EQ(splitRows("a\\13\\10\\13\\10b"), (List{"a", "", "b"}));
    EXPECT_EQ(splitRows("a\\13b"), (List{"a\\13b"}));
    EXPECT_EQ(splitRows(""), List{});
}

TEST(SettingsKeysTest, CheckListMatchesFolderNamesAnywhere)
{
    const std::vector<std::string> checked{"USDJPY", "EURUSD"};
    const auto stored = joinCheckedFolders(checked);
    EXPECT_EQ(stored, "USDJPYEURUSD");
    EXPECT_TRUE(isFolderChecked(stored, "USDJPY"));
    EXPECT_TRUE(isFolderChecked(stored, "EURUSD"));
    EXPECT_TRUE(isFolderChecked(stored, "JPYEUR"));
    EXPECT_FALSE(isFolderChecked(stored, "GBPUSD"));
    EXPECT_FALSE(isFolderChecked(stored, "usdjpy"));
    EXPECT_FALSE(isFolderChecked(stored, ""));
}

} // namespace
} // namespace velmora
