#pragma once

#include "platform/Clock.h"

#include <csignal>
#include <filesystem>
#include <iosfwd>
#include <span>
#include <string>

namespace velmora::cli {

constexpr int ExitCompleted = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;
/// The run completed, but one or more jobs wrote nothing: no usable line in the source, no bar inside the market
/// window.
constexpr int ExitJobsWithoutBars = 3;
constexpr int ExitInterrupted = 130;

/// What velmora-convert takes from its process: main() fills it from the real one, tests fix it.
struct CliEnvironment
{
    /// The settings file read when --settings is not given; its absence means the defaults.
    std::filesystem::path defaultSettingsFile;
    /// Where the overwrite question is answered; nullptr when standard input is not a terminal.
    std::istream* answers = nullptr;
    /// Standard error is a terminal: draw a progress bar on it.
    bool progressBar = false;
    /// Set by the interrupt handler.
    const volatile std::sig_atomic_t* cancelFlag = nullptr;
    /// The system clock when nullptr.
    const Clock* clock = nullptr;
};

/// Runs velmora-convert with the arguments after the program name: the log goes to out, messages and usage
/// errors to err. Returns the exit status.
int runCli(std::span<const std::string> args, std::ostream& out, std::ostream& err, const CliEnvironment& environment);

} // namespace velmora::cli
