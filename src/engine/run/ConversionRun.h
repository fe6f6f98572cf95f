#pragma once

#include "engine/host/RunHost.h"
#include "engine/run/RunRequest.h"
#include "platform/Clock.h"

#include <cstdint>
#include <memory>

namespace velmora {

struct WalkTuning;

/// One conversion run: every timeframe entry (outer loop) over every registered file (inner loop), one bar
/// file per pair. Everything outside the engine is reached through the host.
class ConversionRun
{
public:
    ConversionRun(RunHost& host, const Clock& clock, RunState& state);

    /// What the execute button does. Never throws: an error ends the run and is shown through the host.
    RunOutcome execute(const RunRequest& request);

    /// The jobs of the last run that wrote nothing because their walk gave no bar line (no usable line in the
    /// source, no bar inside the market window): each logged why, and no file was made or replaced.
    int jobsWithoutBars() const { return m_jobsWithoutBars; }

    /// The holes of the last run's sources, when it was asked to report them (else null).
    const GapReport* gapReport() const { return m_gapReport.get(); }

    /// Seeds the random choice of the iterations that call the progress-and-cancel hook; tests fix it.
    void setHookSeed(std::uint32_t seed) { m_hookSeed = seed; }

    /// How the run reads and walks its sources (engine/walk/WalkTuning.h); tests compare the ways, which all give the
    /// same files, log and messages.
    void setTuning(const WalkTuning& tuning);

    ConversionRun(const ConversionRun&) = delete;
    ConversionRun& operator=(const ConversionRun&) = delete;
    ~ConversionRun();

private:
    class JobSequence;

    bool startChecksPass(const RunRequest& request);

    RunHost& m_host;
    const Clock& m_clock;
    RunState& m_state;
    std::uint32_t m_hookSeed;
    std::unique_ptr<WalkTuning> m_tuning;
    int m_jobsWithoutBars = 0;
    std::unique_ptr<GapReport> m_gapReport;
};

} // namespace velmora
