#include "input/SourceLines.h"

#include "platform/RunError.h"
#include "support/TempDir.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {
namespace {

using namespace std::string_view_literals;
using Lines = std::vector<std::string>;

Lines linesOf(const SourceLines& lines)
{
    Lines result;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        result.emplace_back(lines.line(i));
    }
    return result;
}

/// The line rules written the plain way, byte by byte, to check the fast scanner against.
Lines referenceLines(std::string_view text)
{
    text = text.substr(0, text.find('\0'));
    Lines result;
    std::string current;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            result.push_back(current);
            current.clear();
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
        } else {
            current += text[i];
        }
    }
    if (!current.empty()) {
        result.push_back(current);
    }
    return result;
}

TEST(SourceLinesTest, SplitsAtEveryKindOfLineEnd)
{
    const struct
    {
        std::string_view bytes;
        Lines expected;
    } cases[] = {
        {""sv, {}},
        {"a"sv, {"a"}},
        {"a\n"sv, {"a"}},
        {"a\r\n"sv, {"a"}},
        {"a\r"sv, {"a"}},
        {"\n"sv, {""}},
        {"a\r\nb\nc\rd"sv, {"a", "b", "c", "d"}},
        {"a\n\nb\n"sv, {"a", "", "b"}},
        {"a\r\n\r\n"sv, {"a", ""}},
        {"a\r\r\nb"sv, {"a", "", "b"}},
        {"a\n\rb"sv, {"a", "", "b"}},
        {"a\0b\nc"sv, {"a"}},
        {"a\nb\0\nc"sv, {"a", "b"}},
        {"a\n\0b"sv, {"a"}},
        {"\0abc\n"sv, {}},
        {"2008/01/08,09:00,1.4700,1.4710\r\n2008/01/08,09:01,1.4705,1.4712\r\n"sv,
         {"2008/01/08,09:00,1.4700,1.4710", "2008/01/08,09:01,1.4705,1.4712"}},
        {"EURUSD\t2008/01/08\t09:00\x1f\x0e\x0d\x0a"
         "next line with tab\tand more text"sv,
         {"EURUSD\t2008/01/08\t09:00\x1f\x0e", "next line with tab\tand more text"}},
    };
    const test::TempDir folder;
    for (const auto& c : cases) {
        const auto file = folder.write("source.txt", c.bytes);
        EXPECT_EQ(linesOf(SourceLines::load(file)), c.expected) << testing::PrintToString(std::string(c.bytes));
        EXPECT_EQ(linesOf(SourceLines::fromBytes(c.bytes)), c.expected);
    }
}

TEST(SourceLinesTest, AgreesWithPlainSplittingOnRandomText)
{
    // Breaks at every position of the 64-byte blocks the scanner reads and across their edges, runs of breaks,
    // control bytes that are not breaks, and zero bytes.
    std::mt19937 random(20080108);
    const std::string_view alphabet = "abc,0123456789.:/\t\x01\x0d\x0a\x0d\x0a\x0d\x0a"sv;
    for (int round = 0; round < 2000; ++round) {
        std::string text(random() % 200, ' ');
        for (char& c : text) {
            c = alphabet[random() % alphabet.size()];
        }
        if (round % 10 == 0 && !text.empty()) {
            text[random() % text.size()] = '\0';
        }
        ASSERT_EQ(linesOf(SourceLines::fromBytes(text)), referenceLines(text)) << testing::PrintToString(text);
    }
}

TEST(SourceLinesTest, ReachesAnyLineOfALongFileInAnyOrder)
{
    // Thousands of lines of mixed breaks, so that lines are found from the kept starts as well as one after
    // another; read from a mapped file and from a copy.
    std::mt19937 random(20090105);
    std::string text;
    const std::string_view breaks[] = {"\r\n", "\n", "\r", "\n\n", "\r\r\n"};
    for (int i = 0; i < 5000; ++i) {
        text += std::to_string(i) + std::string(random() % 70, 'x');
        text += breaks[random() % 5];
    }
    text += "last";
    const test::TempDir folder;
    const Lines expected = referenceLines(text);
    for (const SourceLines& lines : {SourceLines::load(folder.write("long.txt", text)), SourceLines::fromBytes(text)}) {
        ASSERT_EQ(linesOf(lines), expected);
        for (int k = 0; k < 3000; ++k) {
            const std::size_t i = random() % expected.size();
            ASSERT_EQ(lines.line(i), expected[i]) << i;
        }
        EXPECT_LT(lines.memoryBytes(), text.size() / 10 + (lines.mapped() ? 0 : text.size()));
    }
}

TEST(SourceLinesTest, ReadsBackwardsAfterItsHeadAtEveryKindOfLineEnd)
{
    // The head lines as they stand, then the rest from the last: one line after another, and any line alone,
    // across kept starts, empty lines and zero bytes.
    std::mt19937 random(20220815);
    const std::string_view alphabet = "ab,01.:\x0d\x0a\x0d\x0a\x0d\x0a"sv;
    for (int round = 0; round < 1000; ++round) {
        std::string text(random() % (round % 50 == 0 ? 40'000 : 120), ' ');
        for (char& c : text) {
            c = alphabet[random() % alphabet.size()];
        }
        if (round % 10 == 0 && !text.empty()) {
            text[random() % text.size()] = '\0';
        }
        const Lines forwards = referenceLines(text);
        const std::size_t head = forwards.empty() ? 0 : random() % 3;
        Lines expected(forwards.begin(),
                       forwards.begin() + static_cast<std::ptrdiff_t>(std::min(head, forwards.size())));
        expected.insert(expected.end(), forwards.rbegin(),
                        forwards.rend() - static_cast<std::ptrdiff_t>(expected.size()));
        SourceLines lines = SourceLines::fromBytes(text);
        lines.readBackwards(head);
        ASSERT_EQ(linesOf(lines), expected) << testing::PrintToString(text);
        for (int k = 0; k < 20 && !expected.empty(); ++k) {
            const std::size_t i = random() % expected.size();
            ASSERT_EQ(lines.line(i), expected[i]) << i;
        }
    }
}

TEST(SourceLinesTest, IndexingInTwoHalvesFindsTheSameLines)
{
    // Long texts cut near their middle: kept starts before and after the cut, zero bytes in either half, CR LF
    // pairs and runs of CRs around the middle, and a middle with no line feed after it.
    std::mt19937 random(20100104);
    const std::string_view breaks[] = {"\r\n", "\n", "\r", "\n\n", "\r\r\n", "\r\r"};
    for (int round = 0; round < 60; ++round) {
        std::string text;
        const int lineCount = 1000 + static_cast<int>(random() % 5000);
        for (int i = 0; i < lineCount; ++i) {
            text += std::to_string(i) + std::string(random() % 40, 'x');
            text += breaks[round % 7 == 0 ? 2 : random() % 6];
        }
        if (round % 5 == 1) {
            text[random() % text.size()] = '\0';
        }
        if (round % 3 == 2) {
            text += "last";
        }
        const SourceLines whole = SourceLines::fromBytes(text, SIZE_MAX);
        const SourceLines halves = SourceLines::fromBytes(text, 0);
        ASSERT_EQ(halves.size(), whole.size()) << round;
        ASSERT_EQ(linesOf(halves), linesOf(whole)) << round;
        for (int k = 0; k < 500; ++k) {
            const std::size_t i = random() % whole.size();
            ASSERT_EQ(halves.line(i), whole.line(i)) << round << " line " << i;
        }
    }
}

TEST(SourceLinesTest, EmptyFileHasNoLines)
{
    const test::TempDir folder;
    EXPECT_TRUE(SourceLines::load(folder.write("empty.txt", "")).empty());
    EXPECT_TRUE(SourceLines::load(folder.write("zero.txt", std::string(1, '\0') + "a\r\n")).empty());
}

TEST(SourceLinesTest, FileThatCannotBeOpenedEndsTheRun)
{
    const test::TempDir folder;
    const auto missing = folder.file("missing.txt");
    for (const auto& path : {missing, folder.path()}) {
        try {
            SourceLines::load(path);
            FAIL() << path;
        } catch (const RunError& error) {
            EXPECT_EQ(std::string(error.what()), "ファイル " + path.string() + " は開けません");
        }
    }
}

} // namespace
} // namespace velmora
