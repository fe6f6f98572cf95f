#include "regex/TBRegExp.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace velmora {
namespace {

/// The message of the EBRegExpError that `action` raises, or "(no error)".
std::string errorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const EBRegExpError& error) {
        return error.what();
    }
    return "(no error)";
}

std::vector<std::string> results(const TBRegExp& re)
{
    std::vector<std::string> texts;
    for (int i = 0; i < re.Count(); ++i) {
        texts.push_back(re.Strings(i));
    }
    return texts;
}

using Texts = std::vector<std::string>;

TEST(TBRegExpTest, DateSeparatorIsTheFirstNonDigitByte)
{
    TBRegExp re;
    ASSERT_TRUE(re.Match("m#\\D{1}#", "2008.01.02"));
    EXPECT_EQ(results(re), Texts{"."});
    ASSERT_TRUE(re.Match("m#\\D{1}#", "2008年01月02日"));
    EXPECT_EQ(re.Strings(0), "\xE5"); // one byte, not the whole character
    EXPECT_FALSE(re.Match("m#\\D{1}#", "20080102"));
    // An empty date holds no separator.
    EXPECT_FALSE(re.Match("m#\\D{1}#", ""));
}

TEST(TBRegExpTest, FileNameTests)
{
    TBRegExp re;
    EXPECT_TRUE(re.Match("m#merge\\.txt#i", "MERGE.TXT"));
    EXPECT_TRUE(re.Match("m#merge\\.txt#i", "a_merge.txt"));
    EXPECT_FALSE(re.Match("m#merge\\.txt#i", "mergeXtxt"));
    EXPECT_FALSE(re.Match("m#merge\\.txt#", "MERGE.TXT"));
    EXPECT_TRUE(re.Match("m#\\d{4}#", "EURUSD_2009.txt"));
    EXPECT_FALSE(re.Match("m#\\d{4}#", "EURUSD_200.txt"));
}

TEST(TBRegExpTest, MatchOptionsAndGroups)
{
    TBRegExp re;
    EXPECT_TRUE(re.Match("m/^b/m", "a\nb"));
    EXPECT_FALSE(re.Match("m/^b/", "a\nb"));
    EXPECT_TRUE(re.Match("m/a.b/s", "a\nb"));
    EXPECT_TRUE(re.Match("m/a b/x", "ab"));
    EXPECT_TRUE(re.Match("/a/", "a"));
    EXPECT_TRUE(re.Match("m/^$/", ""));
    EXPECT_FALSE(re.Match("m/^.$/", "あ")); // bytes, not characters
    ASSERT_TRUE(re.Match("m/(a)|(b)/", "xb"));
    EXPECT_EQ(results(re), (Texts{"b", "", "b"}));
}

TEST(TBRegExpTest, ResultsOutliveTheTarget)
{
    TBRegExp re;
    ASSERT_TRUE(re.Match("m/(\\d+)-(\\d+)/", std::string("from 10-20 on, long enough to live on the heap")));
    EXPECT_EQ(results(re), (Texts{"10-20", "10", "20"}));
    ASSERT_TRUE(re.Split("m/:/", std::string("17:00:00 and a long tail to live on the heap"), 10));
    EXPECT_EQ(results(re), (Texts{"17", "00", "00 and a long tail to live on the heap"}));
}

TEST(TBRegExpTest, NoResultsRaise)
{
    TBRegExp re;
    EXPECT_EQ(errorOf([&] { re.Count(); }), "no count now");
    EXPECT_EQ(errorOf([&] { re.Strings(0); }), "no strings now");
    ASSERT_TRUE(re.Match("m/a/", "a"));
    EXPECT_FALSE(re.Match("m/b/", "a"));
    EXPECT_EQ(errorOf([&] { re.Count(); }), "no count now");
    EXPECT_EQ(errorOf([&] { re.Strings(0); }), "no strings now");

    ASSERT_TRUE(re.Match("m/(a)/", "a"));
    EXPECT_EQ(errorOf([&] { re.Strings(-1); }), "index out of range");
    EXPECT_EQ(errorOf([&] { re.Strings(2); }), "index out of range");
    re.Split("m/:/", "1:2", 10);
    EXPECT_EQ(errorOf([&] { re.Strings(-1); }), "index out of range");
    EXPECT_EQ(errorOf([&] { re.Strings(2); }), "index out of range");
}

TEST(TBRegExpTest, SplitPieces)
{
    struct Case
    {
        const char* command;
        const char* target;
        int limit;
        bool cut;
        Texts pieces;
    };
    const Case cases[] = {
        {"m/:/", "17:00", 10, true, {"17", "00"}},
        {"m/:/", "17:00:30", 2, true, {"17", "00:30"}},
        {"m/:/", "1:2:3", 1, false, {"1:2:3"}},
        {"m/:/", ":a::b::", 10, true, {"", "a", "", "b", "", ""}},
        {"m/:/", ":a::b::", -1, true, {"", "a", "", "b", "", ""}},
        {"m/:/", ":a::b::", 0, true, {"", "a", "", "b"}},
        {"m/:/", "1700", 10, false, {"1700"}},
        {"m/:/", "", 10, false, {}},
        {"m//", "abc", 0, true, {"a", "b", "c"}},
        {"m/x*/", "axxb", 0, true, {"a", "b"}},
        {"m/,\\s*/", "a, b,c", 10, true, {"a", "b", "c"}},
    };
    TBRegExp re;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.command) + " on " + c.target + " limit " + std::to_string(c.limit));
        EXPECT_EQ(re.Split(c.command, c.target, c.limit), c.cut);
        EXPECT_EQ(results(re), c.pieces);
    }
}

TEST(TBRegExpTest, Substitutions)
{
    struct Case
    {
        const char* command;
        const char* text;
        const char* result;
    };
    const Case cases[] = {
        {"s/\\d{1}min/xUniqueNamex/", "EURUSD_1min_5min.txt", "EURUSD_xUniqueNamex_5min.txt"},
        {"s/a/b/", "aaa", "baa"},
        {"s/a/b/g", "aaa", "bbb"},
        {"s/A/b/gi", "aAa", "bbb"},
        {"s/(\\d+)-(\\d+)/$2-$1/", "10-20", "20-10"},
        {"s/(\\d+)-(\\d+)/\\2-\\1/", "10-20", "20-10"},
        {"s/(a)/${1}1/", "a", "a1"},
        {"s/a/[$&]/", "a", "[a]"},
        {"s/a/$$1/", "a", "$1"},
        {"s/a/$/", "a", "$"},
        {"s/a/\\\\/", "a", "\\"},
        {"s/a/\\t/", "a", "\t"},
        {"s/a/\\r\\n\\q/", "a", "\r\nq"},
        {"s/a/$x$0/", "a", "$xa"}, // a "$" before no reference stays
        {"s/(a)|(b)/[$2]/", "a", "[]"},
        {"s#/#\\##g", "a/b/c", "a#b#c"},
        {"s/\\//|/g", "a/b/c", "a|b|c"},
        {"s/x*/-/g", "axxb", "-a--b-"},
        {"s/^/>/", "a", ">a"},
        {"s/_\\d+min/_時/", "ドル円_15min.csv", "ドル円_時.csv"},
    };
    TBRegExp re;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.command) + " on " + c.text);
        std::string text = c.text;
        EXPECT_TRUE(re.Subst(c.command, text));
        EXPECT_EQ(text, c.result);
    }
}

TEST(TBRegExpTest, SubstKeepsTheMatchAsItWasBefore)
{
    TBRegExp re;
    std::string name = "EURUSD_1min_2009.txt";
    ASSERT_TRUE(re.Subst("s/(\\d{1})(min)/xUniqueNamex/", name));
    EXPECT_EQ(name, "EURUSD_xUniqueNamex_2009.txt");
    EXPECT_EQ(results(re), (Texts{"1min", "1", "min"}));

    std::string several = "a1b2";
    ASSERT_TRUE(re.Subst("s/[a-z](\\d)/x/g", several));
    EXPECT_EQ(several, "xx");
    EXPECT_EQ(results(re), (Texts{"b2", "2"})); // the last match, as in Perl
}

TEST(TBRegExpTest, SubstWithoutMatchOrTextLeavesNoResults)
{
    TBRegExp re;
    std::string name = "EURUSD_min.txt";
    ASSERT_TRUE(re.Match("m/U/", "U"));
    EXPECT_FALSE(re.Subst("s/\\d{1}min/xUniqueNamex/", name));
    EXPECT_EQ(name, "EURUSD_min.txt");
    EXPECT_EQ(errorOf([&] { re.Count(); }), "no count now");

    ASSERT_TRUE(re.Match("m/U/", "U"));
    const long long compiles = re.compileCount();
    std::string empty;
    EXPECT_FALSE(re.Subst("s/(/x/", empty)); // nothing is run, so nothing is even compiled
    EXPECT_EQ(empty, "");
    EXPECT_EQ(re.compileCount(), compiles);
    EXPECT_EQ(errorOf([&] { re.Strings(0); }), "no strings now");
}

TEST(TBRegExpTest, BadCommandsRaiseAndLeaveNoResults)
{
    const char* commands[] = {
        "",       "m",    "m/abc",     "s/a/b",      "x/a/",    "m/a/q",    "mxax",
        "m(a(",   "m/(/", "m/a{2,1}/", "s/(a)/\\2/", "s/a/$3/", "s/a/${1/",
        "s/a/b/", // a substitution where a match is asked for
    };
    TBRegExp re;
    for (const char* command : commands) {
        SCOPED_TRACE(command);
        ASSERT_TRUE(re.Match("m/a/", "a"));
        EXPECT_NE(errorOf([&] { re.Match(command, "a"); }), "(no error)");
        EXPECT_EQ(errorOf([&] { re.Count(); }), "no count now");
    }
    std::string text = "a";
    EXPECT_NE(errorOf([&] { re.Subst("m/a/", text); }), "(no error)");
    EXPECT_NE(errorOf([&] { re.Split("s/a/b/", "a", 10); }), "(no error)");
    EXPECT_EQ(text, "a");
}

TEST(TBRegExpTest, BadReplacementsSayWhatIsWrong)
{
    const std::pair<const char*, const char*> cases[] = {
        {"s/a/${1/", "malformed ${...} in replacement"},
        {"s/a/${}/", "malformed ${...} in replacement"},
        {"s/a/${1x}/", "malformed ${...} in replacement"},
        {"s/(a)/$1${2/", "malformed ${...} in replacement"},
        {"s/(a)/${2}/", "replacement refers to group 2, which the pattern lacks"},
        {"s/a/\\1/", "replacement refers to group 1, which the pattern lacks"},
        {"s/(a)/$12/", "replacement refers to group 12, which the pattern lacks"},
    };
    TBRegExp re;
    for (const auto& [command, message] : cases) {
        std::string text = "a";
        EXPECT_EQ(errorOf([&] { re.Subst(command, text); }), message) << command;
    }
}

TEST(TBRegExpTest, ErrorMessagesAreCutOnACharacterBoundary)
{
    TBRegExp re;
    std::string pattern;
    for (int i = 0; i < 40; ++i) {
        pattern += "あ";
    }
    const std::string message = errorOf([&] { re.Match("m/(" + pattern + "/", "a"); });
    EXPECT_NE(message, "(no error)");
    EXPECT_LE(message.size(), 79U);
    EXPECT_GT(message.size(), 70U);
    // The text ends after a whole "あ" (E3 81 82), never inside one.
    EXPECT_EQ(message.substr(message.size() - 3), "あ");
}

TEST(TBRegExpTest, RepeatedCommandIsCompiledOnce)
{
    TBRegExp re;
    re.Split("m/:/", "17:00", 10);
    re.Split("m/:/", "18:00", 10);
    EXPECT_EQ(re.compileCount(), 1);
    re.Match("m/:/i", "17:00"); // any byte of difference is another command
    EXPECT_EQ(re.compileCount(), 2);
    for (int i = 0; i < 3; ++i) {
        re.Match("m#\\D{1}#", "2008.01.02");
        re.Split("m/:/", "17:00", 10);
    }
    EXPECT_EQ(re.compileCount(), 8);
    EXPECT_NE(errorOf([&] { re.Match("m/(/", "a"); }), "(no error)");
    EXPECT_NE(errorOf([&] { re.Match("m/(/", "a"); }), "(no error)");
    re.Split("m/:/", "17:00", 10); // the failed command dropped the one held before
    EXPECT_EQ(re.compileCount(), 9);
}

TEST(TBRegExpTest, SharedInstanceIsOne)
{
    EXPECT_EQ(&SharedRegExp(), &SharedRegExp());
    ASSERT_TRUE(SharedRegExp().Split("m/:/", "17:00", 10));
    EXPECT_EQ(SharedRegExp().Count(), 2);
}

} // namespace
} // namespace velmora
