#include "input/layout/LayoutRewriter.h"

#include <gtest/gtest.h>
#include <string>
#include <string_view>

namespace velmora {
namespace {

struct RewriteCase
{
    std::string_view line;
    SourceLayout layout;
    std::string_view rewritten; ///< empty: the layout does not read the line
};

void expectRewrites(const RewriteCase& c)
{
    std::string out = "kept,";
    const bool read = rewriteLine(c.line, c.layout, 1, out);
    EXPECT_EQ(read, !c.rewritten.empty()) << c.line;
    EXPECT_EQ(out, "kept," + std::string(c.rewritten)) << c.line;
}

// The middle of ask and bid is written exactly, one decimal finer where their sum is odd, and is copied into
// all four price columns.
TEST(LayoutRewriteTest, WritesTheMiddleOfAskAndBidExactly)
{
    const SourceLayout mid = chosenLayout(DateOrder::DayFirst, FieldSeparator::Any, false, PriceColumns::Mid);
    const RewriteCase cases[] = {
        {"04.01.2009 17:01:00.534 GMT+0300,1.30012,1.2999,2.5,1.1", mid,
         "2009/01/04,17:01:00.534,1.30001,1.30001,1.30001,1.30001"},
        {"04.01.2009 17:01:00,1.3,1.29995", mid, "2009/01/04,17:01:00,1.299975,1.299975,1.299975,1.299975"},
        {"04.01.2009 17:01,-0.5,0.25", mid, "2009/01/04,17:01:00,-0.125,-0.125,-0.125,-0.125"},
        {"04.01.2009 17:01,-0.0001,0", mid, "2009/01/04,17:01:00,-0.00005,-0.00005,-0.00005,-0.00005"},
        {"04.01.2009;17:01;1,5;1,25", chosenLayout(DateOrder::DayFirst, FieldSeparator::Any, true, PriceColumns::Mid),
         "2009/01/04,17:01:00,1.375,1.375,1.375,1.375"},
        {"04.01.2009 17:01,1.30012,1.2999",
         chosenLayout(DateOrder::DayFirst, FieldSeparator::Any, false, PriceColumns::Ask),
         "2009/01/04,17:01:00,1.30012,1.30012,1.30012,1.30012"},
        {"04.01.2009 17:01,1.3,x", mid, ""},
        // Too long to be summed exactly in 64 bits once the decimals are aligned: not read, rather than wrong.
        {"04.01.2009 17:01,123456789012345,1.29915", mid, ""},
        {"04.01.2009 17:01,29999999999999999,0.01", mid, ""},
        // A missing bid is an empty field, which holds no bytes to copy.
        {"04.01.2009 17:01,1.3", mid, ""},
        {"04.01.2009 17:01,1.3", chosenLayout(DateOrder::DayFirst, FieldSeparator::Any, false, PriceColumns::Bid), ""},
    };
    for (const RewriteCase& c : cases) {
        expectRewrites(c);
    }
}

// Prices go through as written wherever the usual reader takes them (long, signed, exponent, a bare point);
// a line with a price it refuses is not read at all.
TEST(LayoutRewriteTest, CopiesPricesAsWrittenAndRefusesUnreadableOnes)
{
    const SourceLayout ymd = chosenLayout(DateOrder::YearFirst);
    const RewriteCase cases[] = {
        {"2009-01-04,17:01,123456789012345,2,0.5,1.5", ymd, "2009/01/04,17:01:00,123456789012345,2,0.5,1.5"},
        {"2009-01-04,17:01,1234567890123456,2,0.5,1.5", ymd, "2009/01/04,17:01:00,1234567890123456,2,0.5,1.5"},
        {"2009-01-04,17:01,1.5e2,+2,.5,1.,x", ymd, "2009/01/04,17:01:00,1.5e2,+2,.5,1."},
        {"2009-01-04,17:01,1..5,2,0.5,1.5", ymd, ""},
        {"2009-01-04,17:01,1.5,2,0.5,", ymd, ""},
        {"2009-01-04;17:01;1,5;2;0,5;1,5;2,5", chosenLayout(DateOrder::YearFirst, FieldSeparator::Any, true),
         "2009/01/04,17:01:00,1.5,2,0.5,1.5,2.5"},
    };
    for (const RewriteCase& c : cases) {
        expectRewrites(c);
    }
}

// Each line picks its own separator (a tab anywhere, else a semicolon, else a comma, else blanks), and the year
// is written as the date gives it.
TEST(LayoutRewriteTest, PicksTheSeparatorPerLineAndWritesTheYear)
{
    const SourceLayout ymd = chosenLayout(DateOrder::YearFirst);
    const RewriteCase cases[] = {
        {"2009-01-04 17:01 1.5 2 0.5 1.5", ymd, "2009/01/04,17:01:00,1.5,2,0.5,1.5"},
        // A semicolon outranks the comma, so "1.5,7" is one field and no price.
        {"2009-01-04;17:01;1.5;2;0.5;1.5,7", ymd, ""},
        {"2009-01-04\t17:01\t1,5\t2;0\t0,5\t1,5", chosenLayout(DateOrder::YearFirst, FieldSeparator::Any, true), ""},
        {"2009-01-04\t17:01\t1.5\t2\t0.5\t1.5", ymd, "2009/01/04,17:01:00,1.5,2,0.5,1.5"},
        {"99-01-04,17:01,1,2,0.5,1.5,7", ymd, "1999/01/04,17:01:00,1,2,0.5,1.5,7"},
        {"0912-01-04,17:01,1,2,0.5,1.5", ymd, "912/01/04,17:01:00,1,2,0.5,1.5"},
        {"04/01/2009 17:01,1,2,0.5,1.5", chosenLayout(DateOrder::MonthFirst), "2009/04/01,17:01:00,1,2,0.5,1.5"},
    };
    for (const RewriteCase& c : cases) {
        expectRewrites(c);
    }
}

// Ten digits are seconds, thirteen milliseconds since 1970 in UTC: the date and the time in one field, and nothing
// else is such a moment. A column before the date is passed over.
TEST(LayoutRewriteTest, ReadsEpochTimesAndLeadingColumns)
{
    const SourceLayout epoch = chosenLayout(DateOrder::Epoch);
    SourceLayout second = chosenLayout(DateOrder::YearFirst);
    second.dateColumn = 2;
    SourceLayout epochTicks = chosenLayout(DateOrder::Epoch, FieldSeparator::Any, false, PriceColumns::Bid);
    epochTicks.dateColumn = 3;
    const RewriteCase cases[] = {
        {"1660557960,1,2,0.5,1.5,17,1660558019,3", epoch, "2022/08/15,10:06:00,1,2,0.5,1.5,17"},
        {"1660557960123,1,2,0.5,1.5", epoch, "2022/08/15,10:06:00.123,1,2,0.5,1.5"},
        {"0000000000,1,2,0.5,1.5", epoch, "1970/01/01,00:00:00,1,2,0.5,1.5"},
        {"1709251199,1,2,0.5,1.5", epoch, "2024/02/29,23:59:59,1,2,0.5,1.5"},
        {"166055796,1,2,0.5,1.5", epoch, ""},
        {"16605579600,1,2,0.5,1.5", epoch, ""},
        {"1660557960.5,1,2,0.5,1.5", epoch, ""},
        {"open_time,open,high,low,close", epoch, ""},
        {"7;EURUSD;1660557960;1,5;1,25", epochTicks, ""},
        {"7,EURUSD,1660557960,1.5,1.25", epochTicks, "2022/08/15,10:06:00,1.25,1.25,1.25,1.25"},
        {"EURUSD,2022.08.15,10:06,1,2,0.5,1.5,7", second, "2022/08/15,10:06:00,1,2,0.5,1.5,7"},
    };
    for (const RewriteCase& c : cases) {
        expectRewrites(c);
    }
}

} // namespace
} // namespace velmora
