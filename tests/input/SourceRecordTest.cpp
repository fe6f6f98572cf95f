#include "input/SourceRecord.h"

#include "platform/RunError.h"

#include <bit>
#include <charconv>
#include <cstdint>
#include <gtest/gtest.h>
#include <optional>
#include <random>
#include <string>

namespace velmora {
namespace {

std::string errorOf(auto&& action)
{
    try {
        action();
    } catch (const RunError& error) {
        return error.what();
    }
    return "(no error)";
}

TEST(SourceRecordTest, FindsTheFieldsFromTheDatePosition)
{
    SourceRecord record(2);
    record.split("EURUSD,2008/01/08,09:00,1.4700,1.4710,1.4695,1.4705,10");
    EXPECT_TRUE(record.complete());
    EXPECT_EQ(record.date(), "2008/01/08");
    EXPECT_EQ(record.time(), "09:00");
    EXPECT_EQ(record.open(), "1.4700");
    EXPECT_EQ(record.high(), "1.4710");
    EXPECT_EQ(record.low(), "1.4695");
    EXPECT_EQ(record.close(), "1.4705");

    // One record serves every line; a date and time in one column are two fields.
    record = SourceRecord(1);
    record.split("2008/01/08 09:01  1.4705 1.4712 1.4700 1.4711");
    EXPECT_TRUE(record.complete());
    EXPECT_EQ(record.time(), "09:01");
    EXPECT_EQ(record.close(), "1.4711");
}

TEST(SourceRecordTest, ShortLineNamesTheMissingFieldIndex)
{
    SourceRecord record(1);
    record.split("2008/01/08,09:00,1.47");
    EXPECT_FALSE(record.complete());
    EXPECT_EQ(record.open(), "1.47");
    EXPECT_EQ(errorOf([&] { record.high(); }), "リストのインデックスが範囲を超えています (3)");
    record.split("");
    EXPECT_EQ(errorOf([&] { record.date(); }), "リストのインデックスが範囲を超えています (0)");

    SourceRecord noDate(0);
    noDate.split("2008/01/08,09:00,1,1,1,1");
    EXPECT_FALSE(noDate.complete());
    EXPECT_EQ(errorOf([&] { noDate.date(); }), "リストのインデックスが範囲を超えています (-1)");
}

TEST(SourceRecordTest, ReadsDecimalNumbers)
{
    const struct
    {
        const char* text;
        std::optional<double> value;
    } cases[] = {
        {"1.4700", 1.47}, {" -1.5 ", -1.5}, {"+2", 2.0}, {"1e3", 1000.0}, {"1.5E-2", 0.015}, {".5", 0.5},
        {"5.", 5.0},      {"-0", -0.0},     {"", {}},    {"  ", {}},      {".", {}},         {"abc", {}},
        {"1.2.3", {}},    {"1e", {}},       {"1e+", {}}, {"inf", {}},     {"nan", {}},       {"0x10", {}},
        {"1,5", {}},      {"--1", {}},      {"+-1", {}}, {"1 2", {}},     {"1e999", {}},     {"e5", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseDecimal(c.text), c.value) << '"' << c.text << '"';
    }
    EXPECT_EQ(errorOf([] { StrToFloat("1.47x"); }), "'1.47x' は浮動小数点数ではありません");
}

TEST(SourceRecordTest, ReadsEveryPriceToTheDoubleFromCharsGives)
{
    // The short ways of reading digits (up to 15 of them, divided by a power of ten) must round exactly as the
    // general reading does, and take and refuse the same texts.
    std::mt19937 random(20090107);
    const std::string_view alphabet = "01234567890123456789012345678901234567899.-";
    for (int round = 0; round < 50000; ++round) {
        std::string text(random() % 19, 'x');
        for (char& c : text) {
            c = alphabet[random() % alphabet.size()];
        }
        double reference = 0.0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), reference);
        const bool readable = error == std::errc() && end == text.data() + text.size();
        double value = -1.0;
        ASSERT_EQ(readDecimal(text, value), readable) << text;
        if (readable) {
            ASSERT_EQ(std::bit_cast<std::uint64_t>(value), std::bit_cast<std::uint64_t>(reference)) << text;
        }
    }
}

TEST(SourceRecordTest, CutsEveryLineAsTheCommaTextRuleDoes)
{
    // Plain lines take a quick pass of their own; lines with blanks, quotes, control bytes or many fields the
    // general one. Both must give the fields SplitCommaText gives, at every length around the 16-byte steps.
    std::mt19937 random(20090106);
    const std::string_view alphabet = "0123456789.,,,:/-+e\" \t\x01\x80\xff";
    SourceRecord record;
    for (int round = 0; round < 20000; ++round) {
        std::string line(random() % 70, 'x');
        const std::size_t variety = round % 3 == 0 ? alphabet.size() : 15; // most lines plain
        for (char& c : line) {
            c = alphabet[random() % variety];
        }
        if (round % 500 == 0) {
            line = std::string(40, ',');
        }
        record.split(line);
        const std::vector<std::string> expected = SplitCommaText(line);
        ASSERT_EQ(record.fieldCount(), expected.size()) << testing::PrintToString(line);
        for (std::size_t i = 0; i < expected.size(); ++i) {
            ASSERT_EQ(record.field(static_cast<std::int64_t>(i)), expected[i]) << testing::PrintToString(line);
        }
    }
}

} // namespace
} // namespace velmora
