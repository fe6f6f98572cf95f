#include "cli/CliRunner.h"

#include "cli/CliOptions.h"
#include "cli/ConsoleRunHost.h"
#include "engine/ConversionRun.h"
#include "engine/RunRequestFromSettings.h"
#include "engine/SettingsKeys.h"
#include "platform/IniFile.h"

#include <fstream>
#include <ostream>

#ifndef VELMORA_VERSION
#define VELMORA_VERSION "unknown"
#endif

namespace velmora::cli {

namespace {

constexpr std::string_view ProgramName = "velmora-convert";

int usageError(std::ostream& err, std::string_view message)
{
    err << ProgramName << ": " << message << '\n' << "Try '" << ProgramName << " --help' for more information.\n";
    return ExitUsage;
}

} // namespace

int runCli(std::span<const std::string> args, std::ostream& out, std::ostream& err, const CliEnvironment& environment)
{
    const auto parsed = parseCommandLine(args);
    if (!parsed.error.empty()) {
        return usageError(err, parsed.error);
    }
    const CliOptions& options = parsed.options;
    if (options.help) {
        out << helpText();
        return ExitCompleted;
    }
    if (options.version) {
        out << ProgramName << ' ' << VELMORA_VERSION << '\n';
        return ExitCompleted;
    }

    // A settings file named on the command line must be there: a mistyped name would otherwise run silently
    // with the defaults. The program's own file may be missing, as on the desktop program's first start.
    auto settingsPath = environment.defaultSettingsFile;
    if (options.settingsFile) {
        settingsPath = *options.settingsFile;
        std::error_code error;
        if (!std::filesystem::exists(settingsPath, error) || std::filesystem::is_directory(settingsPath, error)) {
            return usageError(err, "settings file " + settingsPath.string() + " not found");
        }
        if (!std::ifstream(settingsPath)) {
            return usageError(err, "settings file " + settingsPath.string() + " cannot be read");
        }
    }

    FormSettings form;
    SummerSettings summer;
    if (!settingsPath.empty()) {
        const IniFile file(settingsPath);
        form = loadFormSettings(file);
        summer = loadSummerSettings(file);
    }

    RunRequest request = runRequestFromSettings(form, summer);
    applyOverrides(options, request);

    RunState state;
    state.kind = barKindFromSettings(form);

    const SystemClock systemClock;
    const Clock& clock = environment.clock != nullptr ? *environment.clock : systemClock;
    ConsoleRunHost host(out, err, {environment.answers, environment.progressBar, environment.cancelFlag});
    const auto outcome = ConversionRun(host, clock, state).execute(request);

    out.flush();
    switch (outcome) {
    case RunOutcome::Completed:
        return host.cancelRequested() ? ExitInterrupted : ExitCompleted;
    case RunOutcome::Cancelled:
        return ExitInterrupted;
    case RunOutcome::NotStarted:
    case RunOutcome::Failed:
        break;
    }
    return ExitFailed;
}

} // namespace velmora::cli
