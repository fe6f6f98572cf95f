#include "platform/FileIdentity.h"

#include "support/TempDir.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

namespace velmora {
namespace {

constexpr std::int64_t Nano = 1'000'000'000;

void waitForFileClockPast(std::int64_t time)
{
    while (fileClockNanoseconds() <= time) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

TEST(FileIdentityTest, NoneWhereThereIsNoRegularFile)
{
    const test::TempDir dir;
    EXPECT_FALSE(identifyFile(dir.file("missing.txt")).has_value());
    EXPECT_FALSE(identifyFile(dir.path()).has_value());
}

TEST(FileIdentityTest, TellsFilesApartAndKnowsOneUnderAnyOfItsNames)
{
    const test::TempDir dir;
    const auto first = identifyFile(dir.write("日本語/A_1min.txt", "0123456789"));
    const auto again = identifyFile(dir.file("日本語") / "." / "A_1min.txt");
    const auto other = identifyFile(dir.write("B_1min.txt", "0123456789"));
    ASSERT_TRUE(first && again && other);
    EXPECT_EQ(*first, *again);
    EXPECT_NE(first->inode, other->inode);
    EXPECT_EQ(first->device, other->device);
    EXPECT_EQ(first->size, 10U);
}

TEST(FileIdentityTest, AFileJustWrittenCarriesTheFileClocksTime)
{
    const test::TempDir dir;
    const std::int64_t before = fileClockNanoseconds();
    const auto identity = identifyFile(dir.write("A_1min.txt", "0123456789"));
    ASSERT_TRUE(identity.has_value());
    EXPECT_EQ(identity->size, 10U);
    // Nanoseconds since 1970 on both sides, a step of the clock apart at most.
    EXPECT_GE(identity->changed, before - Nano / 10);
    EXPECT_LE(identity->changed, fileClockNanoseconds() + Nano / 10);
}

// What the source cache relies on: once the file clock has moved past a file's change time, any change of the
// file shows in its identity, however soon it follows and whatever it leaves of size and name.
TEST(FileIdentityTest, AnyChangeAfterTheFileClockMovedOnShows)
{
    const test::TempDir dir;
    const auto path = dir.file("A_1min.txt");
    const struct
    {
        const char* name;
        std::function<void()> change;
    } cases[] = {
        {"rewritten at the same size", [&] { dir.write("A_1min.txt", "abcdefghij"); }},
        {"replaced by another file",
         [&] {
             dir.write("next.tmp", "0123456789");
             std::filesystem::rename(dir.file("next.tmp"), path);
         }},
        {"grown", [&] { std::ofstream(path, std::ios::binary | std::ios::app) << "\n"; }},
        {"modification time set back",
         [&] { std::filesystem::last_write_time(path, std::filesystem::file_time_type{}); }},
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(item.name);
        for (int round = 0; round < 20; ++round) {
            dir.write("A_1min.txt", "0123456789");
            const auto before = identifyFile(path);
            ASSERT_TRUE(before.has_value());
            if (!before->timesStampedLocally) {
                GTEST_SKIP() << "the temporary folder's file system stamps times in its own way";
            }
            waitForFileClockPast(before->changed);
            item.change();
            const auto after = identifyFile(path);
            ASSERT_TRUE(after.has_value());
            EXPECT_NE(*after, *before);
        }
    }
}

} // namespace
} // namespace velmora
