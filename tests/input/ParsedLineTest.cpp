#include "input/ParsedLine.h"

#include "input/DateTimeText.h"
#include "input/SourceLines.h"
#include "input/SourceRecord.h"
#include "platform/RunError.h"

#include <cstdint>
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

/// What the walk takes from a line, read the walk's way: the fields cut by SourceRecord, the date by
/// ReadDateText, the time by TimeStrToInt, high and low by parseDecimal. A line on which the walk would show a
/// message, change the separator, end the run or go beyond a 32-bit stamp has no stamp: the parser must leave
/// it to the walk.
class WalkReading
{
public:
    explicit WalkReading(std::int32_t dateField) : m_record(dateField) {}

    std::optional<std::int64_t> stamp;
    bool pricesHeld = false;
    std::string_view open;
    std::string_view close;
    double high = 0.0;
    double low = 0.0;
    bool outOfOrder = false;
    /// The date text of the last line whose date read, and its day: what a parser's memo must hold.
    std::string lastDate;
    std::int64_t lastDay = 0;

    void read(std::string_view line)
    {
        stamp.reset();
        pricesHeld = false;
        m_record.split(line);
        if (m_record.dateIndex() < 0 || m_record.fieldCount() < static_cast<std::size_t>(m_record.dateIndex()) + 2) {
            return;
        }
        Messages messages;
        DateSeparators separators{'/', '\0'};
        DateTextContext context{separators, messages, 2026};
        const auto day = ReadDateText(m_record.date(), context);
        if (!day || messages.count != 0 || separators.input != '/') {
            return;
        }
        lastDate = m_record.date();
        lastDay = *day;
        const auto minutes = walkMinutes(m_record.time());
        if (!minutes) {
            return;
        }
        const std::int64_t value = lastDay * 1440 + *minutes;
        if (value > INT32_MAX || value < INT32_MIN) {
            return;
        }
        stamp = value;
        readPrices();
    }

private:
    void readPrices()
    {
        if (!m_record.complete() || m_record.open().size() > ParsedLine::PriceChars ||
            m_record.close().size() > ParsedLine::PriceChars) {
            return;
        }
        const auto highValue = parseDecimal(m_record.high());
        const auto lowValue = parseDecimal(m_record.low());
        if (!highValue || !lowValue) {
            return;
        }
        pricesHeld = true;
        open = m_record.open();
        close = m_record.close();
        high = *highValue;
        low = *lowValue;
        outOfOrder = pricesOutOfOrder(open, high, low, close);
    }

    SourceRecord m_record;
};

/// Whether a parser's reading of a line (accepted, into parsed) is the walk's.
testing::AssertionResult readsAsTheWalk(bool accepted, const ParsedLine& parsed, const WalkReading& walk)
{
    if (accepted != walk.stamp.has_value()) {
        return testing::AssertionFailure() << (accepted ? "accepted" : "refused");
    }
    if (!accepted) {
        return testing::AssertionSuccess();
    }
    if (parsed.stamp != *walk.stamp || parsed.pricesHeld() != walk.pricesHeld) {
        return testing::AssertionFailure() << "stamp " << parsed.stamp << " held " << parsed.pricesHeld();
    }
    if (walk.pricesHeld &&
        (parsed.openText() != walk.open || parsed.closeText() != walk.close || parsed.high != walk.high ||
         parsed.low != walk.low || parsed.outOfOrder != walk.outOfOrder)) {
        return testing::AssertionFailure() << "prices " << parsed.openText() << ' ' << parsed.high << ' ' << parsed.low
                                           << ' ' << parsed.closeText() << ' ' << parsed.outOfOrder;
    }
    return testing::AssertionSuccess();
}

TEST(ParsedLineTest, ReadsTheTimesTheWalkReadsQuietlyAndRefusesTheRest)
{
    // 2009/01/05 is day 39818 counted from 1899-12-30.
    constexpr std::int64_t DayStart = std::int64_t{39818} * 1440;
    struct Case
    {
        std::string_view time;
        std::optional<std::int64_t> minutes; ///< none: refused
    };
    const Case cases[] = {
        {"17:00", 1020},       {"17:00:15", 1020}, {"7:5", 425},   {"017:05", 1025}, {"0005:0030", 330},
        {"1:2:3:4", 62},       {"1:2:x", 62},      {"0:0", 0},     {"24:00", 1440},  {"99999:59", 5999999},
        {"+5:30", 330},        {"-1:00", -60},     {"5:-30", 270}, {"-0:5", 5},      {"123456789:1", {}},
        {"1234567890:00", {}}, // hours × 60 beyond 32 bits: the walk ends the run
        {"35791394:07", {}},   // the minutes fit 32 bits, the stamp does not
        {"35791394:08", {}},   {"17", {}},         {"17:", {}},    {":30", {}},      {"", {}},
        {"5:3x", {}},          {"5:30.5", {}},     {"5: 30", {}},  {"x:00", {}},
    };
    for (const Case& c : cases) {
        LineParser parser(1, '/', 2026, {});
        ParsedLine parsed{};
        const bool accepted = parser.read("2009/01/05," + std::string(c.time) + ",1.1,1.2,1.0,1.1", parsed);
        EXPECT_EQ(accepted, c.minutes.has_value()) << c.time;
        if (accepted && c.minutes) {
            EXPECT_EQ(parsed.stamp, DayStart + *c.minutes) << c.time;
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

/// Lines of every kind a price file may hold, most of them plain and short enough for the one-pass reading.
std::string mixedLines(std::int32_t dateField, std::mt19937& random)
{
    const auto pick = [&random](std::initializer_list<const char*> texts) {
        return std::string(texts.begin()[random() % texts.size()]);
    };
    std::string text;
    for (int k = 0; k < 3000; ++k) {
        std::string line = dateField == 2 ? pick({"EURUSD,", "", "\"A\","}) : "";
        line += pick({"2009/01/05", "2009/01/05", "2009/01/06", "2009.01.05", "09/1/5", "2009/13/01", ""});
        // The date, then up to the time, four prices, a volume and one field more.
        const std::size_t more = random() % 9;
        for (std::size_t f = 0; f < more; ++f) {
            if (f == 0) {
                line += ',' + pick({"17:00", "17:00:15", "7:5", "x", "", "123456789:1", "17:00 "});
            } else if (f < 5) {
                line += ',' + pick({"1.1", "1.2500", "-1", "x", "", "1.23456789", "1e3", " 1.2", "\"1\"",
                                    "1.23456789012345", "1.234567890123456"});
            } else {
                line += ',' + pick({"1.1", "17", "0012", "2.50", "", "x", "1e3", "-3", "123456789012345",
                                    "1234567890123456", "7x"});
            }
        }
        if (random() % 10 == 0) {
            line += ",1234567890123456789012345678901234567890";
        }
        text += line + pick({"\r\n", "\n", "\r"});
    }
    return text;
}

TEST(ParsedLineTest, BothReadingsGiveWhatTheWalksOwnReadingGives)
{
    // Lines read field by field (read) and cut and read in one pass (readQuick) must give exactly what the
    // walk's own reading gives them, line end and date memo included; anything the pass does not take it leaves
    // to read().
    std::mt19937 random(20090108);
    for (const std::int32_t dateField : {1, 2}) {
        const SourceLines lines = SourceLines::fromBytes(mixedLines(dateField, random));
        const std::string_view all = lines.text();
        LineParser quick(dateField, '/', 2026, {});
        LineParser plain(dateField, '/', 2026, {});
        quick.readVolumes();
        plain.readVolumes();
        std::size_t volumes = 0;
        WalkReading walk(dateField);
        std::size_t taken = 0;
        std::size_t accepted = 0;
        for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
            const std::string_view line = lines.line(i);
            const auto at = static_cast<std::size_t>(line.data() - all.data());
            if (all.size() - at < LineParser::QuickWindow) {
                break;
            }
            walk.read(line);
            ParsedLine slow{};
            const bool read = plain.read(line, slow);
            ASSERT_TRUE(readsAsTheWalk(read, slow, walk)) << "read: " << line;
            accepted += read ? 1 : 0;

            ParsedLine fast{};
            std::size_t next = 0;
            const LineParser::Quick result = quick.readQuick(all.data() + at, fast, next);
            if (result == LineParser::Quick::NotPlain) {
                ASSERT_TRUE(readsAsTheWalk(quick.read(line, fast), fast, walk)) << "read after the pass: " << line;
            } else {
                ++taken;
                ASSERT_TRUE(readsAsTheWalk(result == LineParser::Quick::Read, fast, walk)) << "pass: " << line;
                ASSERT_EQ(all.data() + at + next, lines.line(i + 1).data()) << line;
                if (result == LineParser::Quick::Read) {
                    // The volume found from the pass's cuts, with the line's break as the reading ahead has it.
                    quick.readQuickVolume(all.substr(at, next));
                    ASSERT_EQ(quick.volume().value, plain.volume().value) << line;
                    ASSERT_EQ(quick.volume().decimals, plain.volume().decimals) << line;
                    volumes += plain.volume().value != 0.0 ? 1U : 0U;
                }
            }
            for (const LineParser* parser : {&quick, &plain}) {
                ASSERT_EQ(parser->memo().text, walk.lastDate) << line;
                ASSERT_EQ(parser->memo().day, walk.lastDay) << line;
            }
        }
        EXPECT_GT(taken, 500U);
        EXPECT_GT(accepted, 500U);
        EXPECT_GT(volumes, 10U);
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
