#include "input/ParsedLine.h"

#include "input/DateTimeText.h"
#include "input/SourceLines.h"
#include "input/SourceRecord.h"
#include "platform/RunError.h"

#include <gtest/gtest.h>
#include <optional>
#include <random>
#include <string>

namespace velmora {
namespace {

class Messages : public MessageSink
{
public:
    void showMessage(std::string_view /*text*/) override { ++count; }
    int count = 0;
};

/// What the walk's own reading makes of a time: the minutes when it reads without a message or an error.
std::optional<std::int64_t> walkMinutes(std::string_view time)
{
    Messages messages;
    try {
        const auto minutes = TimeStrToInt(time, messages);
        if (minutes && messages.count == 0) {
            return *minutes;
        }
    } catch (const RunError&) {
    }
    return std::nullopt;
}

TEST(ParsedLineTest, AcceptsATimeOnlyWhenTheWalksReadingGivesTheSameStampQuietly)
{
    const std::int64_t day = *parseDateText("2009/01/05", '/', 2026);
    for (const std::string time :
         {"17:00",         "17:00:15",    "7:5",         "017:05", "1:2:3:4", "0:0", "99999:59", "123456789:1",
          "1234567890:00", "35791394:07", "35791394:08", "17",     "17:",     ":30", "",         "+5:30",
          "-1:00",         "5:3x",        "5:30.5",      "x:00"}) {
        LineParser parser(1, '/', 2026, {});
        ParsedLine parsed{};
        const bool accepted = parser.read("2009/01/05," + time + ",1.1,1.2,1.0,1.1", parsed);
        const auto minutes = walkMinutes(time);
        const bool fits = minutes && day * 1440 + *minutes <= INT32_MAX;
        EXPECT_EQ(accepted, fits) << time;
        if (accepted && fits) {
            EXPECT_EQ(parsed.stamp, day * 1440 + *minutes) << time;
        }
    }
}

TEST(ParsedLineTest, HoldsThePricesOnlyWhenTheyAreInTheLineAndRead)
{
    LineParser parser(1, '/', 2026, {});
    ParsedLine parsed{};
    ASSERT_TRUE(parser.read("2009/01/05,17:00,1.10,1.25,0.95,1.20,7", parsed));
    EXPECT_TRUE(parsed.pricesHeld());
    EXPECT_EQ(parsed.openText(), "1.10");
    EXPECT_EQ(parsed.closeText(), "1.20");
    EXPECT_EQ(parsed.high, 1.25);
    EXPECT_EQ(parsed.low, 0.95);

    // A close unquoted from a quoted field is held as the walk's own reading gives it.
    ASSERT_TRUE(parser.read("2009/01/05,17:00,1.1,1.2,1.0,\"1.1\"\"\"", parsed));
    EXPECT_EQ(parsed.closeText(), "1.1\"");

    // A high that does not read, a missing close, and an open too long to hold: the stamp is read, the prices
    // are left to the walk, which ends the run or reads them itself.
    for (const std::string line : {"2009/01/05,17:00,1.1,x,1.0,1.1", "2009/01/05,17:00,1.1,1.2,1.0",
                                   "2009/01/05,17:00,1.12345678901234567,1.2,1.0,1.1"}) {
        ASSERT_TRUE(parser.read(line, parsed)) << line;
        EXPECT_FALSE(parsed.pricesHeld()) << line;
    }
    // A date that does not read with the separator in force is the walk's to read (it may switch separators).
    EXPECT_FALSE(parser.read("2009.01.06,17:00,1.1,1.2,1.0,1.1", parsed));
}

TEST(ParsedLineTest, TheOnePassReadingAgreesWithTheFieldByFieldReading)
{
    // Lines cut and read in one pass must give exactly what read() gives them, line end and date memo included;
    // anything the pass does not take it leaves to read().
    std::mt19937 random(20090108);
    const auto pick = [&random](std::initializer_list<const char*> texts) {
        return std::string(texts.begin()[random() % texts.size()]);
    };
    for (const std::int32_t dateField : {1, 2}) {
        std::string text;
        for (int k = 0; k < 3000; ++k) {
            std::string line = dateField == 2 ? pick({"EURUSD,", "", "\"A\","}) : "";
            line += pick({"2009/01/05", "2009/01/05", "2009/01/06", "2009.01.05", "09/1/5", "2009/13/01", ""});
            const std::size_t more = random() % 7;
            for (std::size_t f = 0; f < more; ++f) {
                line += ',' + (f == 0 ? pick({"17:00", "17:00:15", "7:5", "x", "", "123456789:1", "17:00 "})
                                      : pick({"1.1", "1.2500", "-1", "x", "", "1.23456789", "1e3", " 1.2", "\"1\""}));
            }
            if (random() % 10 == 0) {
                line += ",1234567890123456789012345678901234567890";
            }
            text += line + pick({"\r\n", "\n", "\r"});
        }
        const SourceLines lines = SourceLines::fromBytes(text);
        const std::string_view all = lines.text();
        LineParser quick(dateField, '/', 2026, {});
        LineParser plain(dateField, '/', 2026, {});
        std::size_t taken = 0;
        for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
            const std::string_view line = lines.line(i);
            const auto at = static_cast<std::size_t>(line.data() - all.data());
            if (all.size() - at < LineParser::QuickWindow) {
                break;
            }
            ParsedLine fast{};
            ParsedLine slow{};
            std::size_t next = 0;
            const LineParser::Quick result = quick.readQuick(all.data() + at, fast, next);
            const bool read = plain.read(line, slow);
            if (result == LineParser::Quick::NotPlain) {
                ASSERT_EQ(quick.read(line, fast), read) << line;
                continue;
            }
            ++taken;
            ASSERT_EQ(result == LineParser::Quick::Read, read) << line;
            ASSERT_EQ(all.data() + at + next, lines.line(i + 1).data()) << line;
            ASSERT_EQ(quick.memo().text, plain.memo().text) << line;
            if (!read) {
                continue;
            }
            ASSERT_EQ(fast.stamp, slow.stamp) << line;
            ASSERT_EQ(fast.pricesHeld(), slow.pricesHeld()) << line;
            if (slow.pricesHeld()) {
                ASSERT_EQ(fast.openText(), slow.openText()) << line;
                ASSERT_EQ(fast.closeText(), slow.closeText()) << line;
                ASSERT_EQ(fast.high, slow.high) << line;
                ASSERT_EQ(fast.low, slow.low) << line;
                ASSERT_EQ(fast.outOfOrder, slow.outOfOrder) << line;
            }
        }
        EXPECT_GT(taken, 500U);
    }
}

TEST(ParsedLineTest, PricesComparedAsTextsOrderAsTheirNumbers)
{
    // Four texts of one length compared byte by byte must give what reading them as numbers gives, or decline.
    std::mt19937 random(20100101);
    const std::string bytes = "0123456789012345678901234567890123456789.....+-eE:/ x";
    int decided = 0;
    for (int k = 0; k < 200000; ++k) {
        const std::size_t length = 1 + random() % 9;
        const std::size_t point = random() % (length + 2); // sometimes none
        std::string texts[4];
        for (std::string& text : texts) {
            for (std::size_t i = 0; i < length; ++i) {
                text += i == point           ? '.'
                        : random() % 40 == 0 ? bytes[random() % bytes.size()]
                                             : "0123456789"[random() % 10];
            }
            text.append(8, ',');
        }
        const auto view = [length](const std::string& text) { return std::string_view(text).substr(0, length); };
        const int order = plainPriceOrder(texts[0].data(), texts[1].data(), texts[2].data(), texts[3].data(), length);
        double high = 0.0;
        double low = 0.0;
        // Only lines whose high and low read are looked at.
        if (order >= 0 && readDecimal(view(texts[1]), high) && readDecimal(view(texts[2]), low)) {
            ++decided;
            ASSERT_EQ(order == 1, pricesOutOfOrder(view(texts[0]), high, low, view(texts[3])))
                << view(texts[0]) << ' ' << view(texts[1]) << ' ' << view(texts[2]) << ' ' << view(texts[3]);
        }
    }
    EXPECT_GT(decided, 50000);
}

} // namespace
} // namespace velmora
