#pragma once

#include "engine/host/RunHost.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace velmora {

/// A host for a walk done ahead of its turn: it keeps, in order, everything the walk asks of its host and every
/// call of its hook, so that they can be played to the real host at the job's turn, as if the walk ran then.
/// A walk asks nothing else of a host; anything else marks the recording unusable.
class RunHostRecorder : public RunHost
{
public:
    /// Thrown into the walk when the recording is full: the job is then walked at its turn instead.
    struct Full
    {
    };

    /// A walk that logs more than this is kept no further: it is walked again at its turn rather than holding
    /// an unbounded log in memory.
    static constexpr std::size_t MaxEvents = std::size_t{1} << 20U;
    static constexpr std::size_t MaxTextBytes = std::size_t{32} << 20U;

    explicit RunHostRecorder(std::size_t maxEvents = MaxEvents, std::size_t maxTextBytes = MaxTextBytes)
        : m_maxEvents(maxEvents), m_maxTextBytes(maxTextBytes)
    {
    }

    void appendLog(std::string_view text) override;
    void showMessage(std::string_view text) override;
    void setProgressRange(int minimum, int maximum) override;
    void setProgressPosition(int position) override;
    void processEvents() override;
    void yieldProcessor() override;
    /// What the walk's hook is called with.
    void hook(std::size_t line);

    void clearLog() override { m_unusable = true; }
    void setStatusText(std::string_view /*text*/) override { m_unusable = true; }
    void showRunFinished(std::string_view /*statusText*/) override { m_unusable = true; }
    void setControlsEnabled(bool /*enabled*/) override { m_unusable = true; }
    void showTimeframeText(std::string_view /*text*/) override { m_unusable = true; }
    OverwriteReply askOverwrite(const OverwriteQuestion& /*question*/) override;
    bool cancelRequested() const override { return false; }

    bool usable() const { return !m_unusable; }

    /// Plays the recording to the host and the hook, in order. Whatever they throw (a cancel at the hook)
    /// ends the playing there, as it would have ended the walk.
    void replay(RunHost& host, const std::function<void(std::size_t)>& hook) const;

private:
    enum class Kind : unsigned char { Log, Message, Range, Position, ProcessEvents, Yield, Hook };
    struct Event
    {
        Kind kind;
        std::size_t value = 0; ///< position, line, or the range's minimum
        int maximum = 0;
        std::size_t repeats = 1; ///< a run of equal ProcessEvents or Yield events
        std::string text;
    };

    void add(Event event);

    std::size_t m_maxEvents;
    std::size_t m_maxTextBytes;
    std::vector<Event> m_events;
    std::size_t m_textBytes = 0;
    bool m_unusable = false;
};

} // namespace velmora
