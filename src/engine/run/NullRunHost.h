#pragma once

#include "engine/run/RunHost.h"

namespace velmora {

/// A host that shows nothing and overwrites without asking: for benchmarks and fuzzing, where only the
/// engine's own work counts. Override what a caller wants to see.
class NullRunHost : public RunHost
{
public:
    void showMessage(std::string_view) override {}
    void appendLog(std::string_view) override {}
    void clearLog() override {}
    void setStatusText(std::string_view) override {}
    void setProgressRange(int, int) override {}
    void setProgressPosition(int) override {}
    void showRunFinished(std::string_view) override {}
    void setControlsEnabled(bool) override {}
    void showTimeframeText(std::string_view) override {}
    OverwriteReply askOverwrite(const OverwriteQuestion&) override { return {OverwriteAnswer::Overwrite, {}}; }
    void processEvents() override {}
    void yieldProcessor() override {}
    bool cancelRequested() const override { return false; }
};

} // namespace velmora
