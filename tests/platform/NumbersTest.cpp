#include "platform/Numbers.h"

#include "platform/RunError.h"

#include <gtest/gtest.h>
#include <optional>

namespace velmora {
namespace {

TEST(NumbersTest, ReadsWholeNumbers)
{
    const struct
    {
        const char* text;
        std::optional<std::int32_t> value;
    } cases[] = {
        {"0", 0},
        {"17", 17},
        {"0017", 17},
        {"+5", 5},
        {"-60", -60},
        {"   42", 42},
        {" -7", -7},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"99999999999999999999999", std::nullopt},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"-", std::nullopt},
        {"+-5", std::nullopt},
        {"--5", std::nullopt},
        {"- 5", std::nullopt},
        {"5 ", std::nullopt},
        {"\t5", std::nullopt},
        {"5.0", std::nullopt},
        {"1e3", std::nullopt},
        {"0x10", std::nullopt},
        {"$10", std::nullopt},
        {"１２", std::nullopt}, // full-width digits are not digits
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseInt(c.text), c.value) << '"' << c.text << '"';
    }
}

TEST(NumbersTest, StrToIntNamesTheTextItCouldNotRead)
{
    EXPECT_EQ(StrToInt(" -12"), -12);
    try {
        StrToInt("12a");
        FAIL() << "no error";
    } catch (const RunError& error) {
        EXPECT_STREQ(error.what(), "'12a' は整数ではありません");
    }
}

} // namespace
} // namespace velmora
