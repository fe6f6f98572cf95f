#include "engine/OutputSpill.h"

#include <gtest/gtest.h>
#include <string>

namespace velmora {
namespace {

std::string bytesOf(int count, char first)
{
    std::string bytes;
    for (int i = 0; i < count; ++i) {
        bytes += static_cast<char>(first + i % 26);
    }
    return bytes;
}

TEST(OutputSpillTest, GivesBackSpilledAndRemainingBytesInOrderJobAfterJob)
{
    OutputSpill spill;
    // A large job, then a smaller one that must not see the first one's tail, then one that never spills.
    for (const int chunks : {5, 2, 0}) {
        spill.reset();
        std::string expected;
        std::string output;
        for (int k = 0; k < chunks; ++k) {
            output += bytesOf(300'000 + k, static_cast<char>('a' + k));
            expected += output;
            spill.take(output);
            EXPECT_TRUE(output.empty());
        }
        output += "tail\r\n";
        expected += "tail\r\n";
        EXPECT_EQ(spill.finish(output), expected) << chunks;
    }
}

} // namespace
} // namespace velmora
