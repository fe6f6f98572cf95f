#pragma once

#include "engine/host/RunHost.h"

namespace velmora {

/// A host that shows nothing and overwrites without asking: for benchmarks and fuzzing, where only the
/// engine's own work counts. Override what a caller wants to see.
class NullRunHost : public RunHost
{
public:
    void showMessage(std::string_view /*text*/) override {}
    void appendLog(std::string_view /*text*/) override {}
    void clearLog() override {}
    void setStatusText(std::string_view /*text*/) override {}
    void setProgressRange(int /*minimum*/, int /*maximum*/) override {}
    void setProgressPosition(int /*position*/) override {}
    void showRunFinished(std::string_view /*text*/) override {}
    void setControlsEnabled(bool /*enabled*/) override {}
    void showTimeframeText(std::string_view /*text*/) override {}
    OverwriteReply askOverwrite(const OverwriteQuestion& /*question*/) override
    {
        return {OverwriteAnswer::Overwrite, {}};
    }
    void processEvents() override {}
    void yieldProcessor() override {}
    bool cancelRequested() const override { return false; }
};

} // namespace velmora
