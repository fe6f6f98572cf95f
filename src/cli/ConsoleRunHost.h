#pragma once

#include "engine/host/RunHost.h"

#include <csignal>
#include <iosfwd>
#include <string>
#include <string_view>

namespace velmora::cli {

/// The run's host on a console: the log area becomes standard output, message boxes standard error, the
/// status bar an optional progress bar on standard error, and the cancel button a flag set by Ctrl-C.
class ConsoleRunHost final : public RunHost
{
public:
    struct Options
    {
        /// Where the overwrite question is answered (a terminal); nullptr skips every existing output.
        std::istream* answers = nullptr;
        /// Draw a progress bar on the error stream; only when it is a terminal.
        bool progressBar = false;
        /// Set (from a signal handler) when the user interrupts; nullptr when nothing can interrupt.
        const volatile std::sig_atomic_t* cancelFlag = nullptr;
    };

    ConsoleRunHost(std::ostream& out, std::ostream& err, Options options);

    void showMessage(std::string_view text) override;
    void appendLog(std::string_view text) override;
    void clearLog() override {}
    void setStatusText(std::string_view text) override;
    void setProgressRange(int minimum, int maximum) override;
    void setProgressPosition(int position) override;
    void showRunFinished(std::string_view statusText) override;
    void setControlsEnabled(bool /*enabled*/) override {}
    void showTimeframeText(std::string_view /*text*/) override {}
    OverwriteReply askOverwrite(const OverwriteQuestion& question) override;
    void processEvents() override {}
    void yieldProcessor() override;
    bool cancelRequested() const override;

private:
    /// Writes the text with its line breaks (CR LF, CR or LF) as the stream's own, one row per line.
    static void writeRows(std::ostream& stream, std::string_view text);
    void drawProgress(bool force);
    void eraseProgress();
    std::string ask(std::string_view prompt);

    std::ostream& m_out;
    std::ostream& m_err;
    Options m_options;
    std::string m_status;
    int m_minimum = 0;
    int m_maximum = 0;
    int m_position = 0;
    int m_drawnPercent = -1;
    bool m_drawn = false;
};

} // namespace velmora::cli
