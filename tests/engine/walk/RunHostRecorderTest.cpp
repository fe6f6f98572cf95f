#include "engine/walk/RunHostRecorder.h"

#include "support/RecordingHost.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

using test::RecordingHost;

TEST(RunHostRecorderTest, PlaysEverythingBackInOrderWithRepeatsAndHookCalls)
{
    RunHostRecorder recorder;
    recorder.setProgressRange(0, 99);
    recorder.appendLog("a\r\nb");
    recorder.yieldProcessor();
    recorder.yieldProcessor();
    recorder.processEvents();
    recorder.hook(42);
    recorder.showMessage("m");
    recorder.setProgressPosition(7);
    recorder.yieldProcessor();

    RecordingHost host;
    // The host only counts the calls that give way; this test marks them to see where they are played.
    host.onProcessEvents = [&host](int) { host.events.emplace_back("processEvents"); };
    std::vector<std::size_t> hooks;
    recorder.replay(host, [&](std::size_t line) {
        hooks.push_back(line);
        host.events.emplace_back("hook");
    });
    const std::vector<std::string> expected{"range:0-99", "log:a\r\nb", "processEvents",
                                            "hook",       "message:m",  "position:7"};
    EXPECT_EQ(host.events, expected);
    EXPECT_EQ(host.yieldCount, 3) << "the two repeated yields and the last";
    EXPECT_EQ(hooks, std::vector<std::size_t>{42});
    EXPECT_TRUE(recorder.usable());
}

TEST(RunHostRecorderTest, AHookThatThrowsEndsThePlayingThere)
{
    RunHostRecorder recorder;
    recorder.appendLog("before");
    recorder.hook(1);
    recorder.appendLog("after");
    RecordingHost host;
    EXPECT_THROW(recorder.replay(host, [](std::size_t) { throw 1; }), int);
    EXPECT_EQ(host.log, std::vector<std::string>{"before"});
}

TEST(RunHostRecorderTest, OutgrowingItsLimitsOrAskingWhatAWalkNeverAsksMakesItUnusable)
{
    RunHostRecorder small(2, 100);
    small.appendLog("one");
    small.appendLog("two");
    EXPECT_THROW(small.appendLog("three"), RunHostRecorder::Full);
    EXPECT_FALSE(small.usable());

    RunHostRecorder wordy(100, 5);
    EXPECT_THROW(wordy.appendLog("longer than five"), RunHostRecorder::Full);
    EXPECT_FALSE(wordy.usable());

    RunHostRecorder asked;
    asked.askOverwrite({});
    EXPECT_FALSE(asked.usable());
}

} // namespace
} // namespace velmora
