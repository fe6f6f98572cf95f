#include "engine/bars/PriceFormat.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace velmora {
namespace {

std::string rendered(double value, int decimals)
{
    std::string out;
    PriceFormat(decimals).appendTo(out, value);
    return out;
}

TEST(PriceFormatTest, RendersAtTheDetectedDecimals)
{
    EXPECT_EQ(rendered(1.4712, 4), "1.4712");
    EXPECT_EQ(rendered(1.469, 4), "1.4690");
    EXPECT_EQ(rendered(0.8765, 4), "0.8765");
    EXPECT_EQ(rendered(112.3, 4), "112.3000");
    EXPECT_EQ(rendered(0.0123, 4), "0.0123");
    EXPECT_EQ(rendered(0.0, 4), "0.0000");
    EXPECT_EQ(rendered(1.0, 4), "1.0000");
    EXPECT_EQ(rendered(0.99996, 4), "1.0000"); // rounding carries into the whole part
    EXPECT_EQ(rendered(107.123, 3), "107.123");
    EXPECT_EQ(rendered(0.00001234, 8), "0.00001234");
}

TEST(PriceFormatTest, WrittenIsTheNearestDoubleToTheRenderedText)
{
    // Without writing the text, the value must be exactly the one reading the text gives: halves, carries,
    // values below 1, negatives and values too large for the scaled integer among them.
    std::mt19937_64 random(1440);
    std::vector<double> values{0.0,        -0.0,    0.5,      1.5,   2.5,
                               0.99996,    1.00005, -1.23456, 1e-9,  -1e-9,
                               123456.789, 9.5e17,  1e19,     -3e20, 1.7976931348623157e308};
    for (int k = 0; k < 2000; ++k) {
        values.push_back(std::ldexp(static_cast<double>(random() >> 11U), -static_cast<int>(random() % 60U)));
    }
    for (int decimals = 0; decimals <= PriceFormat::MaxDecimals; ++decimals) {
        const PriceFormat format(decimals);
        for (const double value : values) {
            char text[PriceFormat::MaxChars];
            const char* end = format.render(value, std::begin(text));
            double read = 0.0;
            std::from_chars(text, end, read);
            ASSERT_EQ(std::bit_cast<std::uint64_t>(format.written(value)), std::bit_cast<std::uint64_t>(read))
                << std::string_view(text, end) << " at " << decimals;
        }
    }
}

TEST(PriceFormatTest, RoundsHalvesToEven)
{
    EXPECT_EQ(rendered(1.125, 2), "1.12");
    EXPECT_EQ(rendered(1.375, 2), "1.38");
    EXPECT_EQ(rendered(0.5, 0), "0");
    EXPECT_EQ(rendered(1.5, 0), "2");
    EXPECT_EQ(rendered(2.5, 0), "2");
    EXPECT_EQ(rendered(0.125, 2), "0.12");
}

TEST(PriceFormatTest, ZeroDecimalsWriteNoPoint)
{
    EXPECT_EQ(rendered(112.0, 0), "112");
    EXPECT_EQ(rendered(0.0, 0), "0");
    EXPECT_EQ(rendered(14350.4, 0), "14350");
    // The longest digit strings the quick path writes: nineteen digits, whole or with fifteen decimals.
    EXPECT_EQ(rendered(8e18, 0), "8000000000000000000");
    EXPECT_EQ(rendered(1234.5, 15), "1234.500000000000000");
}

TEST(PriceFormatTest, NegativeAndHugeValuesStayReadable)
{
    EXPECT_EQ(rendered(-1.5, 2), "-1.50");
    EXPECT_EQ(rendered(-0.05, 2), "-0.05");
    EXPECT_EQ(rendered(-0.0, 2), "0.00");
    EXPECT_EQ(rendered(1e20, 2), "100000000000000000000.00");
    char buffer[PriceFormat::MaxChars];
    const char* end = PriceFormat(PriceFormat::MaxDecimals).render(-1.7e308, buffer);
    EXPECT_LE(static_cast<std::size_t>(end - buffer), PriceFormat::MaxChars);
}

TEST(PriceFormatTest, DecimalsAreClampedToWhatADoubleCarries)
{
    EXPECT_EQ(PriceFormat(40).decimals(), PriceFormat::MaxDecimals);
    EXPECT_EQ(PriceFormat(-1).decimals(), 0);
    EXPECT_EQ(PriceFormat(5).multiplier(), 100000);
}

TEST(PriceFormatTest, SamplesStayInsideTheFileFromTheFirstUsableLine)
{
    for (const std::size_t count : {0u, 1u, 2u, 50u, 100u, 101u, 150u, 199u, 200u, 201u, 1000u, 12345u}) {
        for (const std::size_t first : {0u, 1u, 7u}) {
            const auto lines = PriceFormat::sampleLines(count, first);
            const std::size_t available = count > first ? count - first : 0;
            EXPECT_EQ(lines.size(), std::min<std::size_t>(available, 100)) << count << "/" << first;
            for (std::size_t i = 0; i < lines.size(); ++i) {
                EXPECT_GE(lines[i], first);
                EXPECT_LT(lines[i], count);
                if (i > 0) {
                    EXPECT_GT(lines[i], lines[i - 1]) << count << "/" << first;
                }
            }
        }
    }
    // 200 lines or more: the step is a hundredth of them less one.
    const auto many = PriceFormat::sampleLines(1001, 1);
    EXPECT_EQ(many[1], 10u);
    EXPECT_EQ(many.back(), 1u + 99u * 9u);
    // A short file is spread over its whole length, not only its head.
    EXPECT_GE(PriceFormat::sampleLines(150, 0).back(), 140u);
}

TEST(PriceFormatTest, DetectsTheMostDecimalsAmongThePriceFields)
{
    const std::vector<std::string> lines = {
        "Date,Time,Open,High,Low,Close,Volume", "2008/01/08,09:00,1.4700,1.4710,1.4695,1.4705,10.123456",
        "2008/01/08,09:01,1.47,1.4712,1.4701,1.47025,12",
        "2008/01/08,09:02,1.4702,1.4702,1.4690", // short line: present fields still count
    };
    EXPECT_EQ(PriceFormat::detect(lines, 1, 1).decimals(), 5);
    EXPECT_EQ(PriceFormat::detect(std::span(lines).first(2), 1, 1).decimals(), 4);
    // The date field position moves the price fields; the symbol before the date is not a price.
    const std::vector<std::string> withSymbol = {"EURUSD.abcdefg 2008.01.08 09:00 112.3 112.35 112.2 112.31 5.5"};
    EXPECT_EQ(PriceFormat::detect(withSymbol, 0, 2).decimals(), 2);
    EXPECT_EQ(PriceFormat::detect(withSymbol, 1, 2).decimals(), 0);
}

} // namespace
} // namespace velmora
