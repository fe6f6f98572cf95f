#include "engine/walk/RunHostRecorder.h"

#include <utility> // move

namespace velmora {

void RunHostRecorder::add(Event event)
{
    const bool repeatable = event.kind == Kind::ProcessEvents || event.kind == Kind::Yield;
    if (repeatable && !m_events.empty() && m_events.back().kind == event.kind) {
        ++m_events.back().repeats;
        return;
    }
    m_textBytes += event.text.size();
    if (m_events.size() >= m_maxEvents || m_textBytes > m_maxTextBytes) {
        m_unusable = true;
        throw Full{};
    }
    m_events.push_back(std::move(event));
}

void RunHostRecorder::appendLog(std::string_view text)
{
    add({Kind::Log, 0, 0, 1, std::string(text)});
}

void RunHostRecorder::showMessage(std::string_view text)
{
    add({Kind::Message, 0, 0, 1, std::string(text)});
}

void RunHostRecorder::setProgressRange(int minimum, int maximum)
{
    add({Kind::Range, static_cast<std::size_t>(minimum), maximum, 1, {}});
}

void RunHostRecorder::setProgressPosition(int position)
{
    add({Kind::Position, static_cast<std::size_t>(position), 0, 1, {}});
}

void RunHostRecorder::processEvents()
{
    add({Kind::ProcessEvents, 0, 0, 1, {}});
}

void RunHostRecorder::yieldProcessor()
{
    add({Kind::Yield, 0, 0, 1, {}});
}

void RunHostRecorder::hook(std::size_t line)
{
    add({Kind::Hook, line, 0, 1, {}});
}

OverwriteReply RunHostRecorder::askOverwrite(const OverwriteQuestion& /*question*/)
{
    m_unusable = true;
    return {};
}

void RunHostRecorder::replay(RunHost& host, const std::function<void(std::size_t)>& hook) const
{
    for (const Event& event : m_events) {
        switch (event.kind) {
        case Kind::Log:
            host.appendLog(event.text);
            break;
        case Kind::Message:
            host.showMessage(event.text);
            break;
        case Kind::Range:
            host.setProgressRange(static_cast<int>(event.value), event.maximum);
            break;
        case Kind::Position:
            host.setProgressPosition(static_cast<int>(event.value));
            break;
        case Kind::ProcessEvents:
            for (std::size_t i = 0; i < event.repeats; ++i) {
                host.processEvents();
            }
            break;
        case Kind::Yield:
            for (std::size_t i = 0; i < event.repeats; ++i) {
                host.yieldProcessor();
            }
            break;
        case Kind::Hook:
            hook(event.value);
            break;
        }
    }
}

} // namespace velmora
