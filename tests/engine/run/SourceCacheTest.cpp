#include "engine/run/SourceCache.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(SourceCacheTest, AFileChangedBetweenJobsIsReadAgainEvenAtTheSameSize)
{
    const test::TempDir dir;
    const std::string path = dir.write("A_1min.txt", "first\r\n").string();
    SourceCache cache;
    EXPECT_EQ(cache.load(path).line(0), "first");
    dir.write("A_1min.txt", "again\r\n");
    EXPECT_EQ(cache.load(path).line(0), "again");
    std::filesystem::remove(path);
    EXPECT_THROW(cache.load(path), std::exception);
}

// A file a script wrote a moment ago is read once for all the jobs of a run, and still read anew whenever it
// changes, even within the same step of the system's file clock.
TEST(SourceCacheTest, AFileWrittenJustNowIsKeptUntilItChanges)
{
    const test::TempDir dir;
    const std::string path = dir.write("A_1min.txt", "0000\r\n").string();
    const auto identity = identifyFile(path);
    ASSERT_TRUE(identity.has_value());
    SourceCache cache;
    const std::uint64_t first = cache.load(path).serial();
    if (identity->timesStampedLocally) {
        EXPECT_EQ(cache.load(path).serial(), first);
    }
    for (int round = 0; round < 50; ++round) {
        const std::string text = std::to_string(1000 + round);
        dir.write("A_1min.txt", text + "\r\n");
        EXPECT_EQ(cache.load(path).line(0), text);
        EXPECT_EQ(cache.load(path).line(0), text);
    }
}

} // namespace
} // namespace velmora
