#include "platform/AtomicFile.h"

#include "platform/RunError.h"
#include "support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>

#ifdef __linux__
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace velmora {
namespace {

using test::readBytes;
using test::TempDir;

std::size_t entriesIn(const std::filesystem::path& folder)
{
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) {
        ++count;
    }
    return count;
}

TEST(AtomicFileTest, CreatesAndReplacesWithoutLeavingTemporaries)
{
    TempDir dir;
    const auto target = dir.file("velmora.ini");
    writeFileAtomically(target, "first\r\n");
    EXPECT_EQ(readBytes(target), "first\r\n");
    writeFileAtomically(target, "second");
    EXPECT_EQ(readBytes(target), "second");
    EXPECT_EQ(entriesIn(dir.path()), 1U);

    // Put on the disk ahead of the commit, and written to again after that.
    AtomicFile file(target);
    file.write("third");
    EXPECT_TRUE(file.sync());
    file.write(" and more");
    file.commit();
    EXPECT_EQ(readBytes(target), "third and more");
    EXPECT_EQ(entriesIn(dir.path()), 1U);
}

TEST(AtomicFileTest, AbandonedWriteLeavesTargetAsItWas)
{
    TempDir dir;
    const auto target = dir.write("velmora.ini", "old");
    {
        AtomicFile file(target);
        file.write("half of the new");
    }
    EXPECT_EQ(readBytes(target), "old");
    EXPECT_EQ(entriesIn(dir.path()), 1U);
}

TEST(AtomicFileTest, FolderThatDoesNotExistIsAnError)
{
    TempDir dir;
    const auto target = dir.file("no-such-folder") / "velmora.ini";
    try {
        writeFileAtomically(target, "x");
        ADD_FAILURE() << "wrote into a missing folder";
    } catch (const RunError& error) {
        EXPECT_EQ(error.what(), "ファイル " + target.string() + " を作成できません");
    }
    EXPECT_EQ(entriesIn(dir.path()), 0U);
}

TEST(AtomicFileTest, FailedRenameRemovesTheTemporary)
{
    TempDir dir;
    const auto target = dir.file("velmora.ini");
    std::filesystem::create_directories(target / "kept");
    EXPECT_THROW(writeFileAtomically(target, "x"), RunError);
    EXPECT_TRUE(std::filesystem::is_directory(target / "kept"));
    EXPECT_EQ(entriesIn(dir.path()), 1U);
}

TEST(AtomicFileTest, WritesThroughASymbolicLink)
{
#ifdef _WIN32
    GTEST_SKIP() << "symbolic links need a privilege on Windows that a user's program does not have";
#endif
    TempDir dir;
    const auto real = dir.write("real.ini", "old");
    const auto link = dir.file("velmora.ini");
    std::filesystem::create_symlink(real, link);
    writeFileAtomically(link, "new");
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(readBytes(real), "new");
    EXPECT_EQ(entriesIn(dir.path()), 2U);
}

#ifdef __linux__
TEST(AtomicFileTest, KeepsThePermissionsOfTheFileItReplaces)
{
    TempDir dir;
    const auto target = dir.write("velmora.ini", "old");
    std::filesystem::permissions(target, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    writeFileAtomically(target, "new");
    EXPECT_EQ(std::filesystem::status(target).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

// A full disk, simulated with a file-size limit: it stops writes even for root, unlike permission bits.
TEST(AtomicFileTest, FailedWriteLeavesThePreviousFileIntact)
{
    TempDir dir;
    const auto target = dir.write("velmora.ini", "[Form]\r\nminute=5\r\n");

    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 1024;
    auto* previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool threw = false;
    try {
        writeFileAtomically(target, std::string(64 * 1024, 'x'));
    } catch (const RunError&) {
        threw = true;
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_TRUE(threw);
    EXPECT_EQ(readBytes(target), "[Form]\r\nminute=5\r\n");
    EXPECT_EQ(entriesIn(dir.path()), 1U);
}

TEST(AtomicFileTest, ReadOnlyFolderIsAnError)
{
    if (geteuid() == 0) {
        GTEST_SKIP() << "permission bits do not stop root; the file-size test covers a failing write";
    }
    TempDir dir;
    const auto target = dir.write("velmora.ini", "old");
    std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    EXPECT_THROW(writeFileAtomically(target, "new"), RunError);
    std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_all);
    EXPECT_EQ(readBytes(target), "old");
    EXPECT_EQ(entriesIn(dir.path()), 1U);
}
#elif defined(_WIN32)
TEST(AtomicFileTest, KeepsThePermissionsOfTheFileItReplaces)
{
    GTEST_SKIP() << "POSIX file modes: a Windows file has none to keep";
}

TEST(AtomicFileTest, FailedWriteLeavesThePreviousFileIntact)
{
    GTEST_SKIP() << "a file-size limit (setrlimit) stands for a full disk on POSIX systems only";
}

TEST(AtomicFileTest, ReadOnlyFolderIsAnError)
{
    GTEST_SKIP() << "POSIX folder modes do not take write access away on Windows";
}
#endif

TEST(AtomicFileTest, ReplacesFilesWhatCharactersTheirNamesHold)
{
    const char* const names[] = {"EURUSD_1min.txt", "ドル円_5分足.txt", "日本語 フォルダ/設定.ini", "a b/c d.csv"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        TempDir dir;
        const auto target = dir.write(name, "old");
        writeFileAtomically(target, "new");
        EXPECT_EQ(readBytes(target), "new");
        EXPECT_EQ(entriesIn(target.parent_path()), 1U) << "no temporary left";
    }
}

// A reader that opened the target the ordinary way (no sharing of deletion on Windows) keeps it from being
// replaced there; the write then fails as a whole. Elsewhere the reader keeps the old file's bytes.
TEST(AtomicFileTest, ATargetHeldOpenByAReaderIsReplacedOrLeftWhole)
{
    TempDir dir;
    const auto target = dir.write("EURUSD_5min.txt", "old");
    std::ifstream reader(target, std::ios::binary);
    ASSERT_TRUE(reader.is_open());
#ifdef _WIN32
    EXPECT_THROW(writeFileAtomically(target, "new"), RunError);
    reader.close();
    EXPECT_EQ(readBytes(target), "old");
#else
    writeFileAtomically(target, "new");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(reader), {}), "old");
    EXPECT_EQ(readBytes(target), "new");
#endif
    EXPECT_EQ(entriesIn(dir.path()), 1U) << "no temporary left";
}

} // namespace
} // namespace velmora
