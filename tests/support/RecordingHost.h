#pragma once

#include "engine/host/RunHost.h"

#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::test {

/// A RunHost that records everything a run shows and answers the overwrite question from scripted replies.
/// Tests read the public members directly; `events` keeps every call that shows or asks something in order as
/// one short line each ("log:…", "status:…", "range:0-9", "position:5", "finished:…", "enabled:0",
/// "timeframe:…", "message:…", "ask:<name>", "clearLog") for checks on the order of steps. processEvents and
/// yieldProcessor are only counted: how often a run gives way to the window is timing, not something it shows,
/// and a transcript that held them would break at every harmless change of pace.
class RecordingHost : public RunHost
{
public:
    /// Log entries as appended; clearLog empties the list.
    std::vector<std::string> log;
    std::vector<std::string> statusTexts;
    std::vector<std::string> finishedTexts;
    std::vector<std::string> messages;
    std::vector<std::string> timeframeTexts;
    std::vector<bool> controlsEnabled;
    struct Range
    {
        int minimum = 0;
        int maximum = 0;
        bool operator==(const Range&) const = default;
    };
    std::vector<Range> progressRanges;
    std::vector<int> progressPositions;
    std::vector<OverwriteQuestion> questions;
    std::vector<std::string> events;
    int clearLogCount = 0;
    int processEventsCount = 0;
    int yieldCount = 0;

    /// Answers for the overwrite questions, used front first. A question with no answer left fails the test
    /// and is answered Skip.
    std::deque<OverwriteReply> replies;
    void replyOverwrite() { replies.push_back({OverwriteAnswer::Overwrite, {}}); }
    void replySaveAs(std::filesystem::path path) { replies.push_back({OverwriteAnswer::SaveAs, std::move(path)}); }
    void replySkip() { replies.push_back({OverwriteAnswer::Skip, {}}); }

    /// What cancelRequested() answers; set it directly or from one of the hooks below.
    bool cancel = false;
    /// Called at every processEvents(), after it is recorded, with the number of calls so far (1 for the
    /// first): lets a test confirm a cancel at a chosen point, as a click during message processing would.
    std::function<void(int)> onProcessEvents;
    /// Called at every log entry, after it is recorded.
    std::function<void(std::string_view)> onLog;
    /// Called at every progress position, after it is recorded: the walk's hook shows one just before it
    /// looks for a cancel, so a cancel confirmed here lands at a point the transcript shows.
    std::function<void(int)> onPosition;

    /// The log entries split at their line breaks (CR LF, CR or LF), as the log area shows them.
    std::vector<std::string> logRows() const;

    void showMessage(std::string_view text) override;
    void appendLog(std::string_view text) override;
    void clearLog() override;
    void setStatusText(std::string_view text) override;
    void setProgressRange(int minimum, int maximum) override;
    void setProgressPosition(int position) override;
    void showRunFinished(std::string_view statusText) override;
    void setControlsEnabled(bool enabled) override;
    void showTimeframeText(std::string_view text) override;
    OverwriteReply askOverwrite(const OverwriteQuestion& question) override;
    void processEvents() override;
    void yieldProcessor() override;
    bool cancelRequested() const override { return cancel; }
};

} // namespace velmora::test
