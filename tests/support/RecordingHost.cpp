#include "support/RecordingHost.h"

#include <gtest/gtest.h>

namespace velmora::test {

std::vector<std::string> RecordingHost::logRows() const
{
    std::vector<std::string> rows;
    for (const auto& entry : log) {
        std::string row;
        for (std::size_t i = 0; i < entry.size(); ++i) {
            const char c = entry[i];
            if (c == '\r' || c == '\n') {
                rows.push_back(std::move(row));
                row.clear();
                if (c == '\r' && i + 1 < entry.size() && entry[i + 1] == '\n') {
                    ++i;
                }
            } else {
                row += c;
            }
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

void RecordingHost::showMessage(std::string_view text)
{
    messages.emplace_back(text);
    events.push_back("message:" + std::string(text));
}

void RecordingHost::appendLog(std::string_view text)
{
    log.emplace_back(text);
    events.push_back("log:" + std::string(text));
    if (onLog) {
        onLog(text);
    }
}

void RecordingHost::clearLog()
{
    log.clear();
    ++clearLogCount;
    events.emplace_back("clearLog");
}

void RecordingHost::setStatusText(std::string_view text)
{
    statusTexts.emplace_back(text);
    events.push_back("status:" + std::string(text));
}

void RecordingHost::setProgressRange(int minimum, int maximum)
{
    progressRanges.push_back({minimum, maximum});
    events.push_back("range:" + std::to_string(minimum) + "-" + std::to_string(maximum));
}

void RecordingHost::setProgressPosition(int position)
{
    progressPositions.push_back(position);
    events.push_back("position:" + std::to_string(position));
    if (onPosition) {
        onPosition(position);
    }
}

void RecordingHost::showRunFinished(std::string_view statusText)
{
    finishedTexts.emplace_back(statusText);
    events.push_back("finished:" + std::string(statusText));
}

void RecordingHost::setControlsEnabled(bool enabled)
{
    controlsEnabled.push_back(enabled);
    events.emplace_back(enabled ? "enabled:1" : "enabled:0");
}

void RecordingHost::showTimeframeText(std::string_view text)
{
    timeframeTexts.emplace_back(text);
    events.push_back("timeframe:" + std::string(text));
}

OverwriteReply RecordingHost::askOverwrite(const OverwriteQuestion& question)
{
    questions.push_back(question);
    events.push_back("ask:" + question.outputName);
    if (replies.empty()) {
        ADD_FAILURE() << "unexpected overwrite question for " << question.target;
        return {OverwriteAnswer::Skip, {}};
    }
    auto reply = std::move(replies.front());
    replies.pop_front();
    return reply;
}

void RecordingHost::processEvents()
{
    ++processEventsCount;
    if (onProcessEvents) {
        onProcessEvents(processEventsCount);
    }
}

void RecordingHost::yieldProcessor()
{
    ++yieldCount;
}

} // namespace velmora::test
