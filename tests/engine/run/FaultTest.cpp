// Faults of the machine under a run, each made for real: a source that goes away between jobs, a target folder
// that refuses writes, a full disk, and the process killed in the middle of writing.
#include "engine/run/ConversionRun.h"
#include "platform/IniFile.h"
#include "support/ChildProcess.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"

#include <algorithm>
#include <csignal>
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace velmora {
namespace {

using test::folderNames;
using test::readBytes;
using test::RecordingHost;
using test::TempDir;

#ifndef _WIN32

/// One line a minute from 2009/01/05 00:00, at most until the end of January.
std::string minuteSource(int minutes)
{
    std::string text;
    for (int i = 0; i < minutes; ++i) {
        const int day = 5 + i / 1440;
        const int minute = i % 1440;
        text += "2009/01/" + std::string(day < 10 ? "0" : "") + std::to_string(day) + "," +
                std::to_string(minute / 60) + ":" + std::to_string(minute % 60) + ",1.2345,1.2350,1.2340,1.2346\r\n";
    }
    return text;
}

RunRequest requestFor(std::vector<std::string> files, std::string_view timeframes)
{
    RunRequest request;
    request.settings.timeframes = std::string(timeframes);
    request.settings.overwriteWithoutAsking = true;
    request.files = std::move(files);
    return request;
}

RunOutcome runWith(RecordingHost& host, const RunRequest& request)
{
    const FixedClock clock({2026, 12, 8}, 1000);
    RunState state;
    ConversionRun conversion(host, clock, state);
    conversion.setHookSeed(7);
    return conversion.execute(request);
}

TEST(FaultTest, SourceThatVanishesOrTurnsUnreadableBetweenJobsEndsTheRun)
{
    for (const bool becomesFolder : {false, true}) {
        TempDir dir;
        const auto source = dir.write("A_1min.txt", minuteSource(30));
        RecordingHost host;
        host.onLog = [&](std::string_view entry) {
            if (entry.find("A_5min.txt") != std::string_view::npos) {
                std::filesystem::remove(source);
                if (becomesFolder) {
                    std::filesystem::create_directory(source); // opens, but cannot be read as a file
                }
            }
        };
        EXPECT_EQ(runWith(host, requestFor({source.string()}, "5, 15")), RunOutcome::Failed);
        ASSERT_EQ(host.messages.size(), 1U);
        EXPECT_EQ(host.messages[0], "ファイル " + source.string() + " は開けません");
        EXPECT_FALSE(readBytes(dir.file("A_5min.txt")).empty());
        EXPECT_FALSE(std::filesystem::exists(dir.file("A_15min.txt")));
    }
}

TEST(FaultTest, ReadOnlyTargetFolderEndsTheRunAndWritesNothing)
{
    TempDir dir;
    const auto source = dir.write("A_1min.txt", minuteSource(30));
    std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                                                 std::filesystem::perms::group_exec |
                                                 std::filesystem::perms::others_read |
                                                 std::filesystem::perms::others_exec);
    std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    // Root writes through permission bits: run as nobody then, which the folder's bits do hold back.
    const int status = test::inChild([&] {
        if (geteuid() == 0 && setuid(65534) != 0) {
            return 3;
        }
        RecordingHost host;
        if (runWith(host, requestFor({source.string()}, "5")) != RunOutcome::Failed) {
            return 1;
        }
        const std::string expected = "ファイル " + dir.file("A_5min.txt").string() + " を作成できません";
        return host.messages == std::vector<std::string>{expected} ? 0 : 2;
    });
    std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(folderNames(dir.path()), std::vector<std::string>{"A_1min.txt"});
}

TEST(FaultTest, FullDiskWhileWritingKeepsThePreviousBarFile)
{
    TempDir dir;
    const auto source = dir.write("A_1min.txt", minuteSource(3000));
    const std::string previous = "previous output\r\n";
    dir.write("A_5min.txt", previous);
    const int status = test::inChild([&] {
        test::limitFileSize(4096);
        RecordingHost host;
        if (runWith(host, requestFor({source.string()}, "5")) != RunOutcome::Failed) {
            return 1;
        }
        const std::string expected = "ファイル " + dir.file("A_5min.txt").string() + " を作成できません";
        return host.messages == std::vector<std::string>{expected} ? 0 : 2;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(readBytes(dir.file("A_5min.txt")), previous);
    EXPECT_EQ(folderNames(dir.path()), (std::vector<std::string>{"A_1min.txt", "A_5min.txt"}));
}

TEST(FaultTest, FullDiskWhileSavingSettingsKeepsThePreviousFile)
{
    TempDir dir;
    const std::string previous = "[Form]\r\nEdit1=5, 60\r\n";
    const auto path = dir.write("velmora.ini", previous);
    const int status = test::inChild([&] {
        test::limitFileSize(1024);
        IniFile ini(path);
        for (int i = 0; i < 100; ++i) {
            ini.writeString("Summer", "Row" + std::to_string(i), std::string(40, 'x'));
        }
        try {
            ini.save();
        } catch (const RunError& error) {
            return std::string(error.what()) == path.string() + " に書き込めません" ? 0 : 2;
        }
        return 1;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(readBytes(path), previous);
    EXPECT_EQ(folderNames(dir.path()), std::vector<std::string>{"velmora.ini"});
}

TEST(FaultTest, KilledMidRunLeavesNoPartialBarFileAndThePreviousOneIntact)
{
    TempDir dir;
    const auto source = dir.write("A_1min.txt", minuteSource(30'000));
    const std::string previous = "previous output\r\n";
    dir.write("A_1min.txt.keep", "");
    dir.write("A_2min.txt", previous);
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    if (child == 0) {
        close(ready[0]);
        RecordingHost host;
        bool told = false;
        host.onProcessEvents = [&](int) {
            if (!told) {
                told = write(ready[1], "r", 1) == 1;
            }
        };
        // Many entries over one file: the run writes one bar file after another until it is killed.
        std::string entries = "2";
        for (int i = 0; i < 200; ++i) {
            entries += ", 2";
        }
        runWith(host, requestFor({source.string()}, entries));
        _exit(0);
    }
    close(ready[1]);
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    close(ready[0]);
    // Wait until the first bar file has been replaced, so that the kill lands among later writes.
    while (std::filesystem::file_size(dir.file("A_2min.txt")) == previous.size()) {
        usleep(1000);
    }
    usleep(20'000);
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));

    // The bar file is a whole one: the previous or a complete new output, never a cut one.
    const std::string bars = readBytes(dir.file("A_2min.txt"));
    ASSERT_GE(bars.size(), 2U);
    EXPECT_EQ(bars.substr(bars.size() - 2), "\r\n");
    EXPECT_EQ(bars.find("2009/01/05,"), 0U);
    EXPECT_NE(bars.find("2009/01/25,"), std::string::npos); // the last day of the source: nothing cut off
    // A temporary file the kill left behind is hidden and never under a bar file's name.
    for (const std::string& name : folderNames(dir.path())) {
        EXPECT_TRUE(name == "A_1min.txt" || name == "A_1min.txt.keep" || name == "A_2min.txt" ||
                    name.rfind(".A_2min.txt.tmp-", 0) == 0)
            << name;
    }
}

#else

TEST(FaultTest, SourceThatVanishesOrTurnsUnreadableBetweenJobsEndsTheRun)
{
    GTEST_SKIP() << "made with fork, setrlimit, POSIX folder modes or SIGKILL, which Windows does not have";
}

TEST(FaultTest, ReadOnlyTargetFolderEndsTheRunAndWritesNothing)
{
    GTEST_SKIP() << "made with fork, setrlimit, POSIX folder modes or SIGKILL, which Windows does not have";
}

TEST(FaultTest, FullDiskWhileWritingKeepsThePreviousBarFile)
{
    GTEST_SKIP() << "made with fork, setrlimit, POSIX folder modes or SIGKILL, which Windows does not have";
}

TEST(FaultTest, FullDiskWhileSavingSettingsKeepsThePreviousFile)
{
    GTEST_SKIP() << "made with fork, setrlimit, POSIX folder modes or SIGKILL, which Windows does not have";
}

TEST(FaultTest, KilledMidRunLeavesNoPartialBarFileAndThePreviousOneIntact)
{
    GTEST_SKIP() << "made with fork, setrlimit, POSIX folder modes or SIGKILL, which Windows does not have";
}

#endif

} // namespace
} // namespace velmora
