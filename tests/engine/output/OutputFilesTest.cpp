#include "engine/output/OutputFiles.h"

#include "platform/RunError.h"
#include "support/ChildProcess.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"

#include <algorithm>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>
#endif
#include <vector>

namespace velmora {
namespace {

namespace fs = std::filesystem;
using test::readBytes;
using test::RecordingHost;
using test::TempDir;

constexpr EntryNaming plain(std::string_view text)
{
    return {text, text == "1440", false};
}
constexpr EntryNaming sequence(std::string_view text, bool daily = false)
{
    return {text, daily, true};
}

TEST(OutputFilesTest, SubstitutesTheLabel)
{
    struct Case
    {
        std::string_view source;
        EntryNaming entry;
        std::string_view expected;
    };
    const Case cases[] = {
        {"EURUSD_1min_2009.txt", plain("5"), "EURUSD_5min_2009.txt"},
        {"EURUSD_1min_2009.txt", plain("60"), "EURUSD_1hour_2009.txt"},
        {"EURUSD_1min_2009.txt", plain("90"), "EURUSD_1hour30min_2009.txt"},
        {"EURUSD_1min_2009.txt", plain("240"), "EURUSD_4hour_2009.txt"},
        {"EURUSD_1min_2009.txt", plain("1440"), "EURUSD_Daily_2009.txt"},
        {"EURUSD_1min_2009.txt", sequence("-60+240*3"), "EURUSD_-60+240x3min_2009.txt"},
        {"EURUSD_1min_2009.txt", sequence("-60+240*3", true), "EURUSD_Daily_2009.txt"},
        {"EURUSD.csv", plain("5"), "EURUSD 5min.csv"},
        {"EURUSD", plain("5"), "EURUSD 5min"},
        {"EUR.USD.csv", plain("5"), "EUR.USD 5min.csv"},
        // Only the one digit before "min" is the token, only lower case counts, and only the first one.
        {"EURUSD_15min.txt", plain("60"), "EURUSD_11hour.txt"},
        {"EURUSD_1MIN.txt", plain("5"), "EURUSD_1MIN 5min.txt"},
        {"EURUSD_1min_1min.txt", plain("5"), "EURUSD_5min_1min.txt"},
        {"ドル円_1min.txt", plain("5"), "ドル円_5min.txt"},
        {"EURUSD_1min.txt", plain("05"), "EURUSD_05min.txt"},
        {"EURUSD_1min.txt", plain("59"), "EURUSD_59min.txt"},
        {"EURUSD_1min.txt", plain("120"), "EURUSD_2hour.txt"},
        {"EURUSD_1min.txt", plain("61"), "EURUSD_1hour1min.txt"},
        {"EURUSD_1min.txt", plain("01440"), "EURUSD_24hour.txt"},
        // "*" becomes "x" in the whole name, but only for a sequence entry of N-minute bars.
        {"a*b_1min.txt", sequence("-5+10"), "axb_-5+10min.txt"},
        {"a*b_1min.txt", plain("5"), "a*b_5min.txt"},
        // Parts after a second "*" are ignored by the entry but stay in its text: no folder may come of them.
        {"EURUSD_1min.txt", sequence("-60+240*3*/../x"), "EURUSD_-60+240x3x_.._xmin.txt"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SubstituteLabel(c.source, c.entry), c.expected) << c.source << " / " << c.entry.text;
    }
}

TEST(OutputFilesTest, ForcesTheExtension)
{
    struct Case
    {
        std::string_view name;
        bool force;
        std::string_view extension;
        std::string_view expected;
    };
    const Case cases[] = {
        {"EURUSD_5min.txt", true, ".csv", "EURUSD_5min.csv"},  {"EURUSD_5min.txt", true, "csv", "EURUSD_5min.csv"},
        {"EURUSD 5min", true, "csv", "EURUSD 5min.csv"},       {"EUR.USD_5min.txt", true, "csv", "EUR.USD_5min.csv"},
        {"EURUSD_5min.txt", false, ".csv", "EURUSD_5min.txt"}, {"EURUSD_5min.txt", true, "", "EURUSD_5min.txt"},
        {"EURUSD_5min.txt", true, "c/d", "EURUSD_5min.c_d"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ForceExtension(c.name, c.force, c.extension), c.expected) << c.name << " / " << c.extension;
    }
}

TEST(OutputFilesTest, PlacesTheOutputBesideTheSourceOrInTheTimeframeFolder)
{
    const fs::path source = fs::path("data") / "EURUSD" / "1min" / "EURUSD_1min_2009.txt";
    const auto beside = OutputLocationOf(source, plain("240"), nullptr);
    EXPECT_EQ(beside.folder, source.parent_path());
    EXPECT_EQ(beside.name, "EURUSD_4hour_2009.txt");

    LinkageContext linkage{"EURUSD", fs::path("HistoricalData"), "1min", LinkageOverwrite::WhenNewer};
    for (const auto* minuteFolder : {"1min", "1min/", "1min\\"}) {
        linkage.minuteSubFolder = minuteFolder;
        const auto linked = OutputLocationOf(source, plain("240"), &linkage);
        EXPECT_EQ(linked.folder, fs::path("HistoricalData") / "EURUSD" / "4hour") << minuteFolder;
        EXPECT_EQ(linked.name, "EURUSD_4hour_2009.txt");
    }
    linkage.minuteSubFolder.clear();
    EXPECT_EQ(OutputLocationOf(source, plain("240"), &linkage).folder, source.parent_path());
}

class WriteOutputTest : public ::testing::Test
{
protected:
    OutputLocation location() const { return {m_dir.path(), "EURUSD_5min.txt"}; }
    fs::path target() const { return m_dir.file("EURUSD_5min.txt"); }

    /// The names in the folder, sorted: shows that no temporary file was left behind.
    std::vector<std::string> entries(const fs::path& folder) const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir m_dir;
    RecordingHost m_host;
};

using Names = std::vector<std::string>;

TEST_F(WriteOutputTest, WritesANewFileWithoutAsking)
{
    WriteOutput("2009.01.02,00:00,1,2,0.5,1.5\r\n", location(), false, m_host);
    EXPECT_EQ(readBytes(target()), "2009.01.02,00:00,1,2,0.5,1.5\r\n");
    EXPECT_EQ(m_host.log, Names{"EURUSD_5min.txt を書き出しました"});
    EXPECT_TRUE(m_host.questions.empty());

    WriteOutput("", {m_dir.path(), "empty.txt"}, false, m_host);
    EXPECT_TRUE(fs::is_regular_file(m_dir.file("empty.txt")));
    EXPECT_EQ(fs::file_size(m_dir.file("empty.txt")), 0U);
}

TEST_F(WriteOutputTest, OverwritesSilentlyWhenAllowed)
{
    m_dir.write("EURUSD_5min.txt", "old\r\n");
    WriteOutput("new\r\n", location(), true, m_host);
    EXPECT_EQ(readBytes(target()), "new\r\n");
    EXPECT_EQ(m_host.log, Names{"EURUSD_5min.txt を書き出しました"});
    EXPECT_TRUE(m_host.questions.empty());
}

TEST_F(WriteOutputTest, AsksBeforeOverwriting)
{
    m_dir.write("EURUSD_5min.txt", "old\r\n");
    m_host.replyOverwrite();
    WriteOutput("new\r\n", location(), false, m_host);

    ASSERT_EQ(m_host.questions.size(), 1U);
    EXPECT_EQ(m_host.questions[0].outputName, "EURUSD_5min.txt");
    EXPECT_EQ(m_host.questions[0].target, target());
    EXPECT_EQ(m_host.questions[0].proposedPath, m_dir.file("EURUSD_5min(new).txt"));
    EXPECT_EQ(readBytes(target()), "new\r\n");
    EXPECT_EQ(m_host.log, Names{"EURUSD_5min.txt を書き出しました"});
}

TEST_F(WriteOutputTest, ProposesNewBeforeTheExtensionOrAtTheEnd)
{
    m_dir.write("EURUSD 5min", "old");
    m_host.replySkip();
    WriteOutput("new", {m_dir.path(), "EURUSD 5min"}, false, m_host);
    ASSERT_EQ(m_host.questions.size(), 1U);
    EXPECT_EQ(m_host.questions[0].proposedPath, m_dir.file("EURUSD 5min(new)"));
}

TEST_F(WriteOutputTest, SavesUnderTheChosenName)
{
    m_dir.write("EURUSD_5min.txt", "old");
    m_dir.write("other/keep.txt", "");
    m_host.replySaveAs(m_dir.file("other") / "chosen.csv");
    m_host.replySaveAs("beside.txt");
    WriteOutput("new", location(), false, m_host);
    WriteOutput("new", location(), false, m_host);

    EXPECT_EQ(readBytes(target()), "old");
    EXPECT_EQ(readBytes(m_dir.file("other") / "chosen.csv"), "new");
    EXPECT_EQ(readBytes(m_dir.file("beside.txt")), "new");
    EXPECT_EQ(m_host.log, (Names{"chosen.csv を書き出しました", "beside.txt を書き出しました"}));
}

TEST_F(WriteOutputTest, SkipWritesNothing)
{
    m_dir.write("EURUSD_5min.txt", "old");
    m_host.replySkip();
    m_host.replySaveAs({}); // a save-as that chose no file
    WriteOutput("new", location(), false, m_host);
    WriteOutput("new", location(), false, m_host);

    EXPECT_EQ(readBytes(target()), "old");
    EXPECT_EQ(entries(m_dir.path()), Names{"EURUSD_5min.txt"});
    EXPECT_EQ(m_host.log, Names(2, "EURUSD_5min.txtの保存をキャンセルします..."));
}

TEST_F(WriteOutputTest, MissingFolderFailsWithoutCreatingIt)
{
    const OutputLocation missing{m_dir.file("4hour"), "EURUSD_4hour.txt"};
    try {
        WriteOutput("new", missing, false, m_host);
        FAIL() << "no error";
    } catch (const RunError& error) {
        EXPECT_EQ(error.what(), "ファイル " + (missing.folder / missing.name).string() + " を作成できません");
    }
    EXPECT_TRUE(entries(m_dir.path()).empty());
    EXPECT_TRUE(m_host.log.empty());
}

TEST_F(WriteOutputTest, FolderInPlaceOfTheTargetStaysAsItWas)
{
    m_dir.write("EURUSD_5min.txt/inside.txt", "kept");
    for (const bool overwrite : {false, true}) {
        EXPECT_THROW(WriteOutput("new", location(), overwrite, m_host), RunError);
        EXPECT_EQ(entries(m_dir.path()), Names{"EURUSD_5min.txt"});
        EXPECT_EQ(readBytes(target() / "inside.txt"), "kept");
    }
    EXPECT_TRUE(m_host.questions.empty());
    EXPECT_TRUE(m_host.log.empty());
}

TEST_F(WriteOutputTest, FailedSaveAsLeavesTheExistingOutput)
{
    m_dir.write("EURUSD_5min.txt", "old");
    m_host.replySaveAs(m_dir.file("missing") / "chosen.txt");
    EXPECT_THROW(WriteOutput("new", location(), false, m_host), RunError);
    EXPECT_EQ(readBytes(target()), "old");
    EXPECT_EQ(entries(m_dir.path()), Names{"EURUSD_5min.txt"});
}

#ifndef _WIN32
TEST_F(WriteOutputTest, FullDiskLeavesTheOldOutputAndNoTemporary)
{
    m_dir.write("EURUSD_5min.txt", "old\r\n");
    const std::string big(256 * 1024, 'x');
    for (const bool overwrite : {false, true}) {
        const int result = test::inChild([&] {
            test::limitFileSize(4096);
            RecordingHost host;
            host.replyOverwrite();
            try {
                WriteOutput(big, location(), overwrite, host);
            } catch (const RunError& error) {
                const auto expected = "ファイル " + target().string() + " を作成できません";
                return error.what() == expected && host.log.empty() ? 0 : 2;
            }
            return 1;
        });
        EXPECT_EQ(result, 0) << "1: no error, 2: wrong message or logged";
        EXPECT_EQ(readBytes(target()), "old\r\n");
        EXPECT_EQ(entries(m_dir.path()), Names{"EURUSD_5min.txt"});
    }
}

TEST_F(WriteOutputTest, NoFreeFileHandleLeavesTheOldOutput)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer runtime itself needs free descriptors to check the exception's type";
#endif
    m_dir.write("EURUSD_5min.txt", "old\r\n");
    const int result = test::inChild([&] {
        // Every descriptor below the lowest free one is taken, so the limit refuses the next open().
        const int lowestFree = ::open("/dev/null", O_RDONLY);
        ::close(lowestFree);
        const rlimit limit{static_cast<rlim_t>(lowestFree), static_cast<rlim_t>(lowestFree)};
        setrlimit(RLIMIT_NOFILE, &limit);
        RecordingHost host;
        try {
            WriteOutput("new", location(), true, host);
        } catch (const RunError&) {
            return host.log.empty() ? 0 : 2;
        }
        return 1;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(readBytes(target()), "old\r\n");
    EXPECT_EQ(entries(m_dir.path()), Names{"EURUSD_5min.txt"});
}

#else
TEST_F(WriteOutputTest, FullDiskLeavesTheOldOutputAndNoTemporary)
{
    GTEST_SKIP() << "a file-size limit in a forked child stands for a full disk on POSIX systems only";
}

TEST_F(WriteOutputTest, NoFreeFileHandleLeavesTheOldOutput)
{
    GTEST_SKIP() << "a descriptor limit in a forked child is POSIX only";
}
#endif

} // namespace
} // namespace velmora
