#pragma once

#include "engine/host/RunHost.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

/// The message boxes of one job's walk, each text shown once: a file whose every line shows the same box must not
/// need one press of OK per line (nor bury the cancel button under them). Repeats are counted, and report() logs
/// how many lines showed each repeated text, once, at the end of the job. Lines are skipped as before; only the
/// repeated boxes go.
class RepeatedMessages : public MessageSink
{
public:
    explicit RepeatedMessages(MessageSink& target) : m_target(target) {}

    void showMessage(std::string_view text) override;

    /// Logs one line per text shown more than once.
    void report(RunHost& host) const;

    /// Texts kept for counting; texts beyond them (each line a different text) are shown as they come.
    static constexpr std::size_t MaxTexts = 16;

private:
    struct Shown
    {
        std::string text;
        std::size_t lines = 0;
    };

    MessageSink& m_target;
    std::vector<Shown> m_shown;
};

} // namespace velmora
