#include "input/SourceLines.h"
#include "input/layout/LayoutRewriter.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {
namespace {

/// A line of pieces drawn at random: mostly the shapes real files have, each piece now and then a little wrong,
/// so that both the lines the quick path takes and those it hands on come often.
std::string randomLine(std::mt19937& random)
{
    struct Pieces
    {
        std::vector<std::string> good;
        std::vector<std::string> odd;
    };
    static const Pieces dates{{"2009-01-04", "04.01.2009", "01/04/2009", "2009.01.04", "31.12.2099"},
                              {"20090104", "09-01-04", "2009-13-04", "2009-02-30", " 2009-01-04", "2009T01-04",
                               "2009 01 04", "4.1.2009", "2009-1-04"}};
    static const Pieces joins{{"T", " ", ","}, {"  ", ";", "\t", "T "}};
    static const Pieces times{
        {"17:01", "17:01:00", "17:01:00.534", "23:59:59", "00:00:00.1", "17:01:60"},
        {"7:01", "24:00", "17:1", "170100", "17:01:00.", "17:01:00.5:3", "17:01.5", "17:01:61", "17:01:00 "}};
    static const Pieces zones{{"", "", "Z", "+0000", " GMT+0300", "+09:00", " UTC", "GMT", ",Z", ";GMT+0300"},
                              {" XYZ", "-05:00 ", "\tUTC", "GMT +1"}};
    static const Pieces prices{{"1.3000", "1.29915", "12", "0", "5.", ".5", "123456789012345", "1,3000", "1.3,5"},
                               {"1.30.0", "+1.2", "-1.5", "1e-3", "", " 1.2", "\"1.2\"", "1234567890123456",
                                "123456789012345.", ".", "1.2 ", "1,2,3", ",5"}};
    static const std::vector<std::string> separators{",", ",", ";", "\t", " "};
    const auto pick = [&random](const std::vector<std::string>& from) {
        return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(random)];
    };
    const auto piece = [&](const Pieces& from) {
        return std::uniform_int_distribution<int>(0, 11)(random) == 0 ? pick(from.odd) : pick(from.good);
    };
    const std::string separator = pick(separators);
    std::string line = piece(dates) + piece(joins) + piece(times) + piece(zones);
    const int fields = std::uniform_int_distribution<int>(1, 7)(random);
    for (int k = 0; k < fields; ++k) {
        line += separator + piece(prices);
    }
    switch (std::uniform_int_distribution<int>(0, 9)(random)) {
    case 0:
        line = '"' + line + '"';
        break;
    case 1:
        line += separator;
        break;
    case 2:
        line += std::string(40, 'x'); // past the first 64 bytes
        break;
    default:
        break;
    }
    return line;
}

// The lines of a text rewritten as they are read give what rewriting each line alone gives: line after line,
// from the kept starts, and cut by the rewriter itself as the reading ahead cuts them.
void expectRewrittenLines(SourceLines& source, const std::shared_ptr<const LineRewriter>& rewriter,
                          const std::vector<std::string>& expected)
{
    source.rewriteWith(rewriter);
    ASSERT_EQ(source.size(), expected.size());
    for (std::size_t i = 0; i < source.size(); ++i) {
        ASSERT_EQ(source.line(i), expected[i]) << i;
    }
    for (std::size_t i = source.size(); i-- > 0; i -= std::min<std::size_t>(i, 500)) {
        ASSERT_EQ(source.line(i), expected[i]) << i;
    }
    const std::unique_ptr<LineRewriter::Scratch> scratch = rewriter->makeScratch();
    const char* next = source.text().data();
    for (std::size_t i = 0; i < source.size(); ++i) {
        const std::string_view line =
            rewriter->rewriteFrom(next, source.text().data() + source.text().size(), *scratch, next);
        ASSERT_EQ(line, expected[i]) << i;
        ASSERT_TRUE(line.data()[line.size()] == '\r' && line.data()[line.size() + 1] == '\n') << i;
    }
}

// The quick path for the usual shapes writes exactly what the general reading writes, for every layout, on
// lines right and wrong, one at a time and as a whole text.
TEST(QuickRewriteTest, QuickPathWritesWhatTheGeneralReadingWrites)
{
    std::mt19937 random(20261209);
    std::vector<std::string> lines(3000);
    for (std::string& line : lines) {
        line = randomLine(random);
    }
    // Every way a line may end, empty lines among them, the last line without a break.
    const std::vector<std::string> breaks{"\r\n", "\n", "\r", "\r\n"};
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i % 97 == 5) {
            lines[i].clear();
        }
        text += lines[i] + (i + 1 < lines.size() ? breaks[i % breaks.size()] : "");
    }
    SourceLines source = SourceLines::fromBytes(text);
    std::size_t mostRead = 0;
    for (const DateOrder order : {DateOrder::YearFirst, DateOrder::DayFirst, DateOrder::MonthFirst, DateOrder::Epoch}) {
        for (const FieldSeparator separator : {FieldSeparator::Any, FieldSeparator::Comma, FieldSeparator::Semicolon,
                                               FieldSeparator::Tab, FieldSeparator::Blanks}) {
            for (const PriceColumns prices :
                 {PriceColumns::Ohlc, PriceColumns::Bid, PriceColumns::Ask, PriceColumns::Mid}) {
                for (const bool decimalComma : {false, true}) {
                    SourceLayout layout = chosenLayout(order, FieldSeparator::Any, decimalComma, prices);
                    layout.separator = separator;
                    layout.volumeColumn = prices == PriceColumns::Bid ? 5 : 0;
                    const std::int32_t dateField = decimalComma ? 2 : 1;
                    std::vector<std::string> expected;
                    std::size_t read = 0;
                    for (const std::string& line : lines) {
                        std::string one;
                        RewrittenZone zone;
                        std::string quick;
                        RewrittenZone quickZone;
                        const bool general = rewriteLineInGeneral(line, layout, dateField, one, &zone);
                        ASSERT_EQ(rewriteLine(line, layout, dateField, quick, &quickZone), general) << line;
                        ASSERT_EQ(quick, one) << line;
                        ASSERT_EQ(quickZone.text, zone.text) << line;
                        expected.push_back(general ? one : line);
                        read += general ? 1 : 0;
                    }
                    mostRead = std::max(mostRead, read);
                    expectRewrittenLines(source, layoutRewriter(layout, dateField), expected);
                }
            }
        }
    }
    EXPECT_GT(mostRead, lines.size() / 5) << "the lines must often be read, not only refused";
}

// Epoch times and a column or more before the date take the quick path too, and it writes what the general
// reading writes: with every separator, with fields it must refuse, and past the first 64 bytes.
TEST(QuickRewriteTest, QuickPathOfEpochTimesAndLeadingColumnsWritesWhatTheGeneralReadingWrites)
{
    const std::string_view lines[] = {
        "1660557960,1.3,1.4,1.2,1.35,17,1660558019,3",
        "1660557960123;1,3;1,4;1,2;1,35",
        "1660557960\t1.3\t1.4\t1.2\t1.35",
        "1660557960 ,1.3,1.4,1.2,1.35",
        "166055796,1.3,1.4,1.2,1.35",
        "1660557960.5,1.3,1.4,1.2,1.35",
        "EURUSD,1660557960,1.3,1.4,1.2,1.35,17",
        "EURUSD,2022.08.15,10:06,1.3,1.4,1.2,1.35,17",
        "EURUSD;2022.08.15;10:06;1,3;1,4;1,2;1,35",
        "7,EURUSD,15.08.2022,10:06:00.534,1.3,1.29",
        "EUR USD,2022.08.15,10:06,1.3,1.4,1.2,1.35",
        "\"EURUSD\",2022.08.15,10:06,1.3,1.4,1.2,1.35",
        "EURUSD,2022.08.15 10:06,1.3,1.4,1.2,1.35",
        "EURUSD,2022.08.15,10:06,1.3,1.4,1.2,1.35,17,xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx",
        "A,B,C,2022.08.15,10:06,1.3,1.4,1.2,1.35,17,1,2,3,4,5,6",
        "EURUSD\t2022.08.15,10:06,1.3,1.4,1.2,1.35",
    };
    for (const DateOrder order : {DateOrder::YearFirst, DateOrder::DayFirst, DateOrder::Epoch}) {
        for (const int column : {1, 2, 3, 4}) {
            for (const PriceColumns prices : {PriceColumns::Ohlc, PriceColumns::Bid}) {
                for (const bool decimalComma : {false, true}) {
                    SourceLayout layout = chosenLayout(order, FieldSeparator::Any, decimalComma, prices);
                    layout.dateColumn = column;
                    for (const std::string_view line : lines) {
                        std::string general;
                        std::string quick;
                        const bool read = rewriteLineInGeneral(line, layout, 1, general);
                        ASSERT_EQ(rewriteLine(line, layout, 1, quick), read) << line;
                        ASSERT_EQ(quick, general) << line;
                    }
                }
            }
        }
    }
}

} // namespace
} // namespace velmora
