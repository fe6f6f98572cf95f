#include "cli/CliRunner.h"

#include "cli/CliOptions.h"
#include "cli/ConsoleRunHost.h"
#include "engine/run/ConversionRun.h"
#include "engine/run/LinkageBatch.h"
#include "engine/run/RunRequestFromSettings.h"
#include "engine/settings/SettingsKeys.h"
#include "platform/AtomicFile.h"
#include "platform/IniFile.h"
#include "platform/Text.h"

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

int completedStatus(const ConsoleRunHost& host, int jobsWithoutBars)
{
    if (host.cancelRequested()) {
        return ExitInterrupted;
    }
    return jobsWithoutBars > 0 ? ExitJobsWithoutBars : ExitCompleted;
}

int exitStatusOf(RunOutcome outcome, const ConsoleRunHost& host, int jobsWithoutBars)
{
    switch (outcome) {
    case RunOutcome::Completed:
        return completedStatus(host, jobsWithoutBars);
    case RunOutcome::Cancelled:
        return ExitInterrupted;
    case RunOutcome::NotStarted:
    case RunOutcome::Failed:
        break;
    }
    return ExitFailed;
}

/// The linkage batch as the linkage window runs it, over the instrument folders checked in section "Form2".
int runLinkage(const CliOptions& options, const FormSettings& form, const Form2Settings& form2,
               const RunRequest& request, std::ostream& out, std::ostream& err, const CliEnvironment& environment,
               const Clock& clock)
{
    std::error_code error;
    auto folder = options.toolDir ? *options.toolDir : std::filesystem::current_path(error);
    if (options.toolDir && !std::filesystem::is_directory(folder, error)) {
        return usageError(err, "tool folder " + pathText(folder) + " not found");
    }
    folder = std::filesystem::absolute(folder, error).lexically_normal();

    const auto tool = findDownloadTool(folder);
    if (!tool) {
        err << ProgramName << ": " << DownloadToolProgram << " not found in " << pathText(folder) << '\n';
        return ExitFailed;
    }
    LinkageBatch batch;
    batch.tool = *tool;
    batch.checkedFolders = checkedFoldersOf(ListCurrencyFolders(tool->baseFolder()), form2.checkList);
    batch.timeframes = options.timeframes.value_or(form2.edit1Text);
    batch.overwritePolicy = form2.radioGroup1;
    if (batch.checkedFolders.empty()) {
        // Nothing failed, but a scheduled job that never converts anything deserves a word in its mail.
        err << ProgramName << ": no instrument folder of " << pathText(tool->baseFolder())
            << " is checked in the linkage settings (section \"Form2\", key \"CheckList\")\n";
        return ExitCompleted;
    }

    RunState state;
    state.kind = barKindFromSettings(form);
    ConsoleRunHost host(out, err, {environment.answers, environment.progressBar, environment.cancelFlag});
    LinkageBatchHooks hooks;
    // The window names the folder in its status bar; a log read later needs it on a line of its own.
    hooks.beforeRun = [&](std::string_view currency, std::span<const std::string>) { out << '[' << currency << "]\n"; };
    const auto result = RunLinkageBatch(batch, request, host, clock, state, hooks);
    out.flush();
    switch (result.outcome) {
    case LinkageBatchOutcome::Completed:
        return completedStatus(host, result.jobsWithoutBars);
    case LinkageBatchOutcome::Cancelled:
        return ExitInterrupted;
    case LinkageBatchOutcome::Failed:
        break;
    }
    return ExitFailed;
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
            return usageError(err, "settings file " + pathText(settingsPath) + " not found");
        }
        if (!std::ifstream(settingsPath)) {
            return usageError(err, "settings file " + pathText(settingsPath) + " cannot be read");
        }
    }

    RunSections sections;
    Form2Settings form2;
    if (!settingsPath.empty()) {
        const IniFile file(settingsPath);
        sections = loadRunSections(file);
        form2 = loadForm2Settings(file);
    }
    const FormSettings& form = sections.form;

    RunRequest request = runRequestFromSettings(sections);
    request.frontEnd = RunFrontEnd::CommandLine;
    applyOverrides(options, request);

    const SystemClock systemClock;
    const Clock& clock = environment.clock != nullptr ? *environment.clock : systemClock;
    if (options.linkage) {
        return runLinkage(options, form, form2, request, out, err, environment, clock);
    }

    RunState state;
    state.kind = barKindFromSettings(form);
    ConsoleRunHost host(out, err, {environment.answers, environment.progressBar, environment.cancelFlag});
    ConversionRun run(host, clock, state);
    const auto outcome = run.execute(request);
    out.flush();
    if (options.gapReportFile && run.gapReport() != nullptr) {
        try {
            writeFileAtomically(*options.gapReportFile, run.gapReport()->csv());
        } catch (const std::exception& error) {
            err << error.what() << '\n';
            return ExitFailed;
        }
    }
    return exitStatusOf(outcome, host, run.jobsWithoutBars());
}

} // namespace velmora::cli
