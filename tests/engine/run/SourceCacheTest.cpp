#include "engine/run/SourceCache.h"

#include "support/TempDir.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

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

// A file a script wrote a moment ago is read once for all the jobs of a run where the file system stamps its
// times finely from this machine's clock. Where its times promise nothing (coarse steps, another machine's
// clock) it is read anew at every job until it has been left alone for two seconds.
TEST(SourceCacheTest, AFileWrittenJustNowIsKeptOnlyWhereItsTimesTellEveryChange)
{
    const test::TempDir dir;
    const std::string path = dir.write("A_1min.txt", "0000\r\n").string();
    const auto identity = identifyFile(path);
    ASSERT_TRUE(identity.has_value());
    SourceCache cache;
    const std::uint64_t first = cache.load(path).serial();
    if (identity->timesStampedLocally) {
        EXPECT_EQ(cache.load(path).serial(), first) << "kept once the file clock has moved past the change";
        return;
    }
    EXPECT_NE(cache.load(path).serial(), first) << "read anew: a change now might not move the times";
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    const std::uint64_t settled = cache.load(path).serial();
    EXPECT_EQ(cache.load(path).serial(), settled) << "kept once left alone";
}

TEST(SourceCacheTest, AFileRewrittenWithinOneStepOfTheFileClockIsReadAgain)
{
    const test::TempDir dir;
    const std::string path = dir.write("A_1min.txt", "0000\r\n").string();
    SourceCache cache;
    for (int round = 0; round < 50; ++round) {
        const std::string text = std::to_string(1000 + round);
        dir.write("A_1min.txt", text + "\r\n");
        EXPECT_EQ(cache.load(path).line(0), text);
        EXPECT_EQ(cache.load(path).line(0), text);
    }
}

} // namespace
} // namespace velmora
