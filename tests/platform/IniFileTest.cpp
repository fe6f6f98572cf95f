#include "platform/IniFile.h"

#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace velmora {
namespace {

using test::readBytes;
using test::TempDir;

struct ReadCase
{
    const char* content;
    const char* section;
    const char* key;
    const char* expected;
};

TEST(IniFileTest, ReadsValuesTheWayProfilesDo)
{
    const ReadCase cases[] = {
        {"[Form]\r\nminute=5, 60\r\n", "Form", "minute", "5, 60"},
        {"[FORM]\r\nMinute=7\r\n", "form", "MINUTE", "7"},
        {"[Form]\nminute=lf\n", "Form", "minute", "lf"},
        {"[Form]\rminute=cr\rnext=1", "Form", "minute", "cr"},
        {"[Form]\r\nminute=last", "Form", "minute", "last"},
        {"  [ Form ]  \r\n  minute  =  spaced  \r\n", "Form", "minute", "spaced"},
        {"[Form]\r\nk=\" kept \"\r\n", "Form", "k", " kept "},
        {"[Form]\r\nk=\"\r\n", "Form", "k", "\""},
        {"[Form]\r\nk=a=b\r\n", "Form", "k", "a=b"},
        {"[Form]\r\nk=\\13\\10\r\n", "Form", "k", "\\13\\10"},
        {"[Form]\r\nk=first\r\nK=second\r\n", "Form", "k", "first"},
        {"[Form]\r\nk=first\r\n[Other]\r\n[form]\r\nk=second\r\n", "Form", "k", "first"},
        {"[Form]\r\n;k=comment\r\n#k=comment\r\n", "Form", "k", "default"},
        {"k=outside\r\n[Form]\r\n", "Form", "k", "default"},
        {"[Form]\r\nk=a\r\n[Other]\r\n", "Other", "k", "default"},
        {"[Form]\r\nk=a\r\n", "Summer", "k", "default"},
        {"[Form]\r\nkey=a\r\n", "Form", "ke", "default"},
        {"\xEF\xBB\xBF[Form]\r\nk=bom\r\n", "Form", "k", "bom"},
        {"", "Form", "k", "default"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const IniFile file(dir.write("a.ini", c.content));
        EXPECT_EQ(file.readString(c.section, c.key, "default"), c.expected) << c.content;
    }
}

TEST(IniFileTest, ZeroByteEndsValue)
{
    TempDir dir;
    const IniFile file(dir.write("a.ini", std::string("[S]\r\nk=ab\0cd\r\n", 14)));
    EXPECT_EQ(file.readString("S", "k", ""), "ab");
}

TEST(IniFileTest, ValuesReadBackAtMost2047Bytes)
{
    TempDir dir;
    const std::string longValue = std::string(2047, 'a') + "bcd";
    IniFile file(dir.write("a.ini", "[S]\r\nk=" + longValue + "\r\n"));
    EXPECT_EQ(file.readString("S", "k", ""), std::string(2047, 'a'));
    EXPECT_EQ(file.readString("S", "missing", longValue).size(), 2047U);
    // The value is cut when read, not when kept: a key left alone is saved whole.
    file.writeString("S", "other", "x");
    EXPECT_NE(file.text().find(longValue), std::string::npos);
}

TEST(IniFileTest, ReadsIntegers)
{
    const struct
    {
        const char* stored;
        int expected;
    } cases[] = {
        {"12", 12},
        {"-7", -7},
        {"+3", 3},
        {" 42 ", 42},
        {"0", 0},
        {"0x4", 4},
        {"0X1f", 31},
        {"0x", 99},
        {"0", 0},
        {"yes", 99},
        {"12abc", 99},
        {"", 99},
        {"--3", 99},
        {"-0x4", 99},
        {"1.5", 99},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"2147483648", 99},
        {"0x80000000", 99},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const IniFile file(dir.write("a.ini", std::string("[S]\r\nk=") + c.stored + "\r\n"));
        EXPECT_EQ(file.readInteger("S", "k", 99), c.expected) << c.stored;
    }
}

TEST(IniFileTest, ReadsBooleansAsIntegers)
{
    const struct
    {
        const char* stored;
        bool whenDefaultFalse;
        bool whenDefaultTrue;
    } cases[] = {
        {"1", true, true},     {"0", false, false},  {"2", true, true},     {"-1", true, true},
        {"0x0", false, false}, {"yes", false, true}, {"true", false, true}, {"", false, true},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const IniFile file(dir.write("a.ini", std::string("[S]\r\nk=") + c.stored + "\r\n"));
        EXPECT_EQ(file.readBool("S", "k", false), c.whenDefaultFalse) << c.stored;
        EXPECT_EQ(file.readBool("S", "k", true), c.whenDefaultTrue) << c.stored;
    }
}

TEST(IniFileTest, EditsKeepEverythingElseLineForLine)
{
    TempDir dir;
    IniFile file(dir.write("a.ini", "; made by hand\n"
                                    "[Other]\n"
                                    "unknown = kept as typed\n"
                                    "\n"
                                    "[FORM]\n"
                                    "Minute=5\n"
                                    "; note\n"
                                    "Top=1\n"
                                    "\n"
                                    "[Tail]\n"
                                    "x=1\n"));
    file.writeString("Form", "minute", "15, 60");
    file.writeInteger("Form", "Width", 625);
    file.writeInteger("Form", "Height", 777);
    file.writeBool("Form", "CheckBox1", true);
    file.writeBool("Summer", "CheckBox1", false);
    file.writeString("Summer", "OpenListBox", "");
    EXPECT_EQ(file.text(), "; made by hand\r\n"
                           "[Other]\r\n"
                           "unknown = kept as typed\r\n"
                           "\r\n"
                           "[FORM]\r\n"
                           "Minute=15, 60\r\n"
                           "; note\r\n"
                           "Top=1\r\n"
                           "Width=625\r\n"
                           "Height=777\r\n"
                           "CheckBox1=1\r\n"
                           "\r\n"
                           "[Tail]\r\n"
                           "x=1\r\n"
                           "[Summer]\r\n"
                           "CheckBox1=0\r\n"
                           "OpenListBox=\r\n");
}

TEST(IniFileTest, NewKeyGoesRightAfterAnEmptySectionHeader)
{
    TempDir dir;
    IniFile file(dir.write("a.ini", "[A]\r\n\r\n[B]\r\n"));
    file.writeString("a", "k", "v");
    EXPECT_EQ(file.text(), "[A]\r\nk=v\r\n\r\n[B]\r\n");
}

TEST(IniFileTest, EveryValueReadsBackAsItself)
{
    const std::string values[] = {
        "",
        " leading",
        "trailing\t",
        "\"quoted\"",
        "\"",
        "\"\"",
        "\" a\" ",
        "a=b",
        ";not a comment",
        "[Form]",
        "\\13\\10",
        "C:\\data\\EURUSD_1min.txt",
        "日本語,カンマ",
        "x\"y",
    };
    TempDir dir;
    const auto path = dir.file("a.ini");
    {
        IniFile file(path);
        int i = 0;
        for (const auto& value : values) {
            file.writeString("S", "k" + std::to_string(i++), value);
        }
        file.save();
    }
    const IniFile reread(path);
    int i = 0;
    for (const auto& value : values) {
        EXPECT_EQ(reread.readString("S", "k" + std::to_string(i++), "default"), value);
    }
}

TEST(IniFileTest, RefusesValuesThatWouldAddKeys)
{
    TempDir dir;
    const auto path = dir.write("a.ini", "[S]\r\nk=old\r\n");
    const std::string values[] = {"a\r\n[S]\r\nk=injected", "a\nk=injected", "a\rk=injected", std::string("a\0b", 3)};
    for (const auto& value : values) {
        IniFile file(path);
        try {
            file.writeString("S", "new", value);
            ADD_FAILURE() << "accepted a value with a line break or zero byte";
        } catch (const RunError& error) {
            EXPECT_EQ(error.what(), path.string() + " に書き込めません");
        }
        EXPECT_EQ(file.text(), "[S]\r\nk=old\r\n");
    }
}

TEST(IniFileTest, SaveThatCannotWriteReportsThePath)
{
    TempDir dir;
    const auto path = dir.file("missing-folder") / "velmora.ini";
    IniFile file(path);
    file.writeString("Form", "minute", "5");
    try {
        file.save();
        ADD_FAILURE() << "saved into a folder that does not exist";
    } catch (const RunError& error) {
        EXPECT_EQ(error.what(), path.string() + " に書き込めません");
    }
}

TEST(IniFileTest, NeverOverwritesAFileItCouldNotRead)
{
    TempDir dir;
    const auto path = dir.file("velmora.ini");
    std::filesystem::create_directory(path);
    std::filesystem::create_directory(path / "inside");
    IniFile file(path);
    EXPECT_EQ(file.readString("Form", "minute", "d"), "d");
    file.writeString("Form", "minute", "5");
    EXPECT_THROW(file.save(), RunError);
    EXPECT_TRUE(std::filesystem::is_directory(path / "inside"));
}

} // namespace
} // namespace velmora
