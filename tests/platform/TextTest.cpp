#include "platform/Text.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(TextTest, ReplacesEveryOccurrenceLeftToRight)
{
    const struct
    {
        const char* text;
        const char* pattern;
        const char* replacement;
        const char* expected;
    } cases[] = {
        {"5.60.240", ".", ",", "5,60,240"},
        {"", ".", ",", ""},
        {"abc", "", "x", "abc"},
        {"abc", "abc", "", ""},
        {"aaaa", "aa", "b", "bb"},
        {"aaa", "aa", "b", "ba"},   // resumes after the match, no overlap
        {"a.b", ".", "..", "a..b"}, // resumes after the inserted text, so no endless growth
        {"Min min MIN", "min", "x", "Min x MIN"},
        {"EURUSD_1min", "1min", "xUniqueNamex", "EURUSD_xUniqueNamex"},
        {"日足.日足", "日足", "Daily", "Daily.Daily"},
        {"5。60", "。", ",", "5,60"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReplaceAll(c.text, c.pattern, c.replacement), c.expected) << c.text << " / " << c.pattern;
    }
}

TEST(TextTest, NeverCutsAMultiByteCharacter)
{
    // "あ" is E3 81 82 and "い" E3 81 84: a byte pattern from inside one must not match there.
    EXPECT_EQ(ReplaceAll("あい", "\x81\x82", "X"), "あい");
    EXPECT_EQ(ReplaceAll("あい", "\x82\xE3", "X"), "あい");
    EXPECT_EQ(ReplaceAll("あい", "\xE3\x81", "X"), "あい"); // would leave the character's tail behind
    EXPECT_EQ(ReplaceAll("あい", "\xE3\x81\x84", "X"), "あX");
}

} // namespace
} // namespace velmora

namespace velmora {
namespace {

// Paths travel as UTF-8 text (command line, settings, log); the text must name the same file and come back
// unchanged. Windows' own narrow conversion reads the bytes in the system's code page and breaks both.
TEST(TextTest, PathsMadeFromTextKeepTheirCharacters)
{
    const struct
    {
        const char* text;
        const char* folder;
        const char* name;
    } cases[] = {
        {"EURUSD_1min.txt", "", "EURUSD_1min.txt"},
        {"取引データ/ドル円_1min_2009.txt", "取引データ", "ドル円_1min_2009.txt"},
        {"a b/c d.csv", "a b", "c d.csv"},
        {"データ/①㈱.txt", "データ", "①㈱.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto path = pathFromText(c.text);
        EXPECT_EQ(pathText(path), c.text);
        EXPECT_EQ(pathText(path.parent_path()), c.folder);
        EXPECT_EQ(pathText(path.filename()), c.name);
        EXPECT_EQ(pathFromText(pathText(path)), path);
    }
}

} // namespace
} // namespace velmora

#ifdef _WIN32
#include <windows.h>
#endif

namespace velmora {
namespace {

TEST(TextTest, TellsWellFormedUtf8)
{
    const struct
    {
        const char* bytes;
        bool valid;
    } cases[] = {
        {"", true},
        {"EditFileHeadName=1min_", true},
        {"取引データ_①", true},
        {"\xF0\x9F\x98\x80", true},  // four bytes, U+1F600
        {"\x8E\xE6\x88\xF8", false}, // "取引" in Shift-JIS
        {"\xE3\x81", false},         // cut short
        {"\xC0\xAF", false},         // overlong "/"
        {"\xE0\x80\xAF", false},     // overlong, three bytes
        {"\xED\xA0\x80", false},     // a UTF-16 surrogate
        {"\xF4\x90\x80\x80", false}, // above U+10FFFF
        {"a\x80", false},            // a lone continuation byte
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isValidUtf8(c.bytes), c.valid) << c.bytes;
    }
}

// The download tool's settings file is written by a Windows program: UTF-8 stays, anything else is read in the
// system's code page, so a Japanese prefix matches the file names the folder lists.
TEST(TextTest, TextOfAnotherProgramBecomesUtf8)
{
    EXPECT_EQ(textFromOtherProgram("1min_取引"), "1min_取引");
    const std::string shiftJis = "1min_\x8E\xE6\x88\xF8";
#ifdef _WIN32
    const std::string text = textFromOtherProgram(shiftJis);
    EXPECT_TRUE(isValidUtf8(text));
    if (GetACP() == 932) {
        EXPECT_EQ(text, "1min_取引");
    }
#else
    EXPECT_EQ(textFromOtherProgram(shiftJis), shiftJis);
#endif
    EXPECT_EQ(fileNameText("取引データ/ドル円_1min_2009.txt"), "ドル円_1min_2009.txt");
}

} // namespace
} // namespace velmora
