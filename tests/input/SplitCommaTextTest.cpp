#include "input/SplitCommaText.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace velmora {
namespace {

using Items = std::vector<std::string>;

struct SplitCase
{
    std::string text;
    Items items;
};

const std::vector<SplitCase>& splitCases()
{
    static const std::vector<SplitCase> cases = {
        {"5, 60, 240, 1440", {"5", "60", "240", "1440"}},
        {"5 60", {"5", "60"}},
        {"5\t60\r\n", {"5", "60"}},
        {"", {}},
        {" \t ", {}},
        {"5", {"5"}},
        {"5,,60", {"5", "", "60"}},
        {"5, ,60", {"5", "", "60"}},
        {",5", {"", "5"}},
        {"5,", {"5", ""}},
        {"5, 60,", {"5", "60", ""}},
        {"5 ,", {"5", ""}},
        {",", {"", ""}},
        {"2009.01.05,17:00,1.2345,1.2350,1.2340,1.2348,100",
         {"2009.01.05", "17:00", "1.2345", "1.2350", "1.2340", "1.2348", "100"}},
        {"\"a b\",c", {"a b", "c"}},
        {"\"a,b\" c", {"a,b", "c"}},
        {"\"\"", {""}},
        {"\"\",x", {"", "x"}},
        {"\"say \"\"hi\"\"\"", {"say \"hi\""}},
        {"\"ab\"cd", {"ab", "cd"}}, // text right after a closing quote starts a new item
        {"ab\"cd\"", {"ab\"cd\""}}, // a quote inside an item is an ordinary byte
        {"\"abc", {"abc"}},         // an unclosed quote keeps every byte of the rest
        {"x,\"a\"\"b", {"x", "a\"b"}},
        {std::string("5\0,60", 5), {"5"}}, // a zero byte ends the text
        {std::string("5,\0 60", 6), {"5", ""}},
        {"日足,５分 時間", {"日足", "５分", "時間"}},
        {"\x01"
         "a\x1f"
         "b",
         {"a", "b"}},
    };
    return cases;
}

TEST(SplitCommaTextTest, CutsAtBlanksAndCommasAndGroupsQuotes)
{
    for (const auto& c : splitCases()) {
        EXPECT_EQ(SplitCommaText(c.text), c.items) << '[' << c.text << ']';
    }
}

TEST(SplitCommaTextTest, CommaItemsFollowsTheSameRule)
{
    CommaItems items;
    for (const auto& c : splitCases()) {
        items.split(c.text);
        Items got;
        for (std::size_t i = 0; i < items.size(); ++i) {
            got.emplace_back(items[i]);
        }
        EXPECT_EQ(got, c.items) << '[' << c.text << ']';
    }
}

/// The rule written the slow, obvious way, byte by byte, to check the word-at-a-time scanning against.
Items referenceSplit(std::string text)
{
    text = text.substr(0, text.find('\0'));
    const auto blank = [](char c) { return c >= 1 && c <= 32; };
    Items items;
    std::size_t i = 0;
    while (i < text.size() && blank(text[i])) {
        ++i;
    }
    while (i < text.size()) {
        std::string item;
        if (text[i] == '"') {
            ++i;
            while (i < text.size()) {
                if (text[i] == '"') {
                    if (i + 1 < text.size() && text[i + 1] == '"') {
                        item += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += text[i++];
            }
        } else {
            while (i < text.size() && !blank(text[i]) && text[i] != ',') {
                item += text[i++];
            }
        }
        items.push_back(item);
        while (i < text.size() && blank(text[i])) {
            ++i;
        }
        if (i < text.size() && text[i] == ',') {
            if (i + 1 == text.size()) {
                items.emplace_back();
            }
            ++i;
            while (i < text.size() && blank(text[i])) {
                ++i;
            }
        }
    }
    return items;
}

TEST(SplitCommaTextTest, AgreesWithTheRuleOnRandomLines)
{
    const std::string alphabet = std::string("abc12,,  \t\"\xE3\x81\x82,.:") + '\0';
    std::mt19937 random(42);
    std::uniform_int_distribution<std::size_t> length(0, 40);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    CommaItems items;
    for (int i = 0; i < 20000; ++i) {
        std::string line(length(random), ' ');
        for (char& c : line) {
            c = alphabet[pick(random)];
        }
        const Items expected = referenceSplit(line);
        EXPECT_EQ(SplitCommaText(line), expected) << line;
        items.split(line);
        ASSERT_EQ(items.size(), expected.size()) << line;
        for (std::size_t k = 0; k < expected.size(); ++k) {
            EXPECT_EQ(items[k], expected[k]) << line;
        }
    }
}

TEST(SplitCommaTextTest, CommaItemsViewsPointIntoTheLineUnlessUnescaped)
{
    const std::string line = "2009/01/05 \"17:00\" \"a\"\"b\"";
    CommaItems items;
    items.split(line);
    ASSERT_EQ(items.size(), 3U);
    EXPECT_EQ(items[0].data(), line.data());
    EXPECT_EQ(items[1].data(), line.data() + 12);
    EXPECT_EQ(items[2], "a\"b");
}

TEST(SplitCommaTextTest, CommaItemsKeepsEarlierUnescapedItemsWhileItsScratchGrows)
{
    // Many items with doubled quotes make the scratch storage grow during one split; views handed out
    // afterwards must all read the right bytes.
    std::string line;
    Items expected;
    for (int i = 0; i < 200; ++i) {
        line += "\"q\"\"" + std::to_string(i) + "\",";
        expected.push_back("q\"" + std::to_string(i));
    }
    expected.emplace_back();
    CommaItems items;
    items.split(line);
    ASSERT_EQ(items.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(items[i], expected[i]);
    }
    items.split("a");
    ASSERT_EQ(items.size(), 1U);
    EXPECT_EQ(items[0], "a");
}

} // namespace
} // namespace velmora
