#include "cli/ConsoleRunHost.h"

#include <gtest/gtest.h>
#include <sstream>

using velmora::OverwriteAnswer;
using velmora::OverwriteQuestion;
using velmora::cli::ConsoleRunHost;

namespace {

const OverwriteQuestion question{"EURUSD_5min_2009.txt", "/data/EURUSD_5min_2009.txt",
                                 "/data/EURUSD_5min_2009(new).txt"};

} // namespace

TEST(ConsoleRunHostTest, WritesOneLineForEveryLogRowAndMessageRow)
{
    std::ostringstream out;
    std::ostringstream err;
    ConsoleRunHost host(out, err, {});
    host.appendLog("EURUSD_5min_2009.txt を書き出しました");
    host.appendLog("Date,Time,Open\r\nは所定の形式ではないので飛ばします");
    host.appendLog("a\rb\nc");
    host.appendLog("");
    host.showMessage("「書きだす時の日付の区切り文字」の項目が空です。\r「/」や「-」などを指定してください");

    EXPECT_EQ(out.str(), "EURUSD_5min_2009.txt を書き出しました\n"
                         "Date,Time,Open\nは所定の形式ではないので飛ばします\n"
                         "a\nb\nc\n"
                         "\n");
    EXPECT_EQ(err.str(), "「書きだす時の日付の区切り文字」の項目が空です。\n「/」や「-」などを指定してください\n");
}

TEST(ConsoleRunHostTest, SkipsExistingOutputsWithoutATerminal)
{
    std::ostringstream out;
    std::ostringstream err;
    ConsoleRunHost host(out, err, {});
    EXPECT_EQ(host.askOverwrite(question).answer, OverwriteAnswer::Skip);
    EXPECT_EQ(err.str(), "");
}

TEST(ConsoleRunHostTest, AsksOnTheTerminal)
{
    struct Case
    {
        std::string typed;
        OverwriteAnswer answer;
        std::filesystem::path saveAs;
    };
    const Case cases[] = {
        {"o\n", OverwriteAnswer::Overwrite, {}},
        {"N\n", OverwriteAnswer::Skip, {}},
        {"s\n\n", OverwriteAnswer::SaveAs, question.proposedPath},
        {"s\r\nother.txt\r\n", OverwriteAnswer::SaveAs, "other.txt"},
        {"what\nyes\no\n", OverwriteAnswer::Overwrite, {}}, // asked again until the answer is one of the three
        {"", OverwriteAnswer::Skip, {}},                    // end of input closes the question
        {"s\n", OverwriteAnswer::SaveAs, question.proposedPath},
    };
    for (const auto& c : cases) {
        std::istringstream in(c.typed);
        std::ostringstream out;
        std::ostringstream err;
        ConsoleRunHost host(out, err, {&in, false, nullptr});
        const auto reply = host.askOverwrite(question);
        EXPECT_EQ(reply.answer, c.answer) << c.typed;
        EXPECT_EQ(reply.saveAsPath, c.saveAs) << c.typed;
        EXPECT_NE(err.str().find("EURUSD_5min_2009.txt は既に存在しています"), std::string::npos);
        EXPECT_EQ(out.str(), "");
    }
}

TEST(ConsoleRunHostTest, DrawsProgressOnlyWhenAsked)
{
    std::ostringstream out;
    std::ostringstream quietErr;
    ConsoleRunHost quiet(out, quietErr, {});
    quiet.setStatusText("5min 処理中 1 / 4");
    quiet.setProgressRange(0, 99);
    quiet.setProgressPosition(50);
    EXPECT_EQ(quietErr.str(), "");

    std::ostringstream err;
    ConsoleRunHost host(out, err, {nullptr, true, nullptr});
    host.setStatusText("5min 処理中 1 / 4");
    host.setProgressRange(0, 200);
    host.setProgressPosition(100);
    EXPECT_NE(err.str().find("5min 処理中 1 / 4 [###############...............] 50%"), std::string::npos);

    // The bar is taken off the line before a log row, and the run's end leaves no bar behind.
    host.appendLog("EURUSD_5min_2009.txt を書き出しました");
    host.showRunFinished("処理が完了しました");
    const auto text = err.str();
    EXPECT_EQ(text.substr(text.size() - 4), "\r\033[K");
    EXPECT_EQ(out.str(), "EURUSD_5min_2009.txt を書き出しました\n");
}

TEST(ConsoleRunHostTest, CancelFollowsTheInterruptFlag)
{
    volatile std::sig_atomic_t flag = 0;
    std::ostringstream out;
    ConsoleRunHost host(out, out, {nullptr, false, &flag});
    EXPECT_FALSE(host.cancelRequested());
    flag = 1;
    EXPECT_TRUE(host.cancelRequested());

    ConsoleRunHost uninterruptible(out, out, {});
    EXPECT_FALSE(uninterruptible.cancelRequested());
}
