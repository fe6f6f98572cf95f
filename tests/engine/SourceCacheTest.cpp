#include "engine/SourceCache.h"

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

} // namespace
} // namespace velmora
