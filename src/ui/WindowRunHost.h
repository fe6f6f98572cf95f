#pragma once

#include "engine/host/RunHost.h"

namespace velmora {

class TForm1;
class TForm2;
class TConfirmForm;

/// The conversion run's view of the main window: log, status bar and progress bar, busy state, the cancel
/// request and the two modal questions. It lives for one run (or one linkage batch), on the user-interface thread.
/// Given a linkage window, the status text, the progress and the messages go to that window, which is the one
/// the user sees during a batch.
class WindowRunHost final : public RunHost
{
public:
    /// Without a confirmation dialog an existing output is skipped.
    WindowRunHost(TForm1& window, TConfirmForm* confirm, TForm2* linkageWindow = nullptr);

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
    bool cancelRequested() const override;

private:
    TForm1& m_window;
    TConfirmForm* m_confirm;
    TForm2* m_linkage;
};

} // namespace velmora
