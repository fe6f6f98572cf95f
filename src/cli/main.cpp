#include "cli/CliRunner.h"
#include "engine/settings/SettingsKeys.h"
#include "platform/Process.h"
#include "platform/SettingsLocation.h"
#include "platform/Terminal.h"

#include <csignal>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

namespace {

volatile std::sig_atomic_t interrupted = 0;

} // namespace

int main(int argc, char** argv)
{
    velmora::prepareConsole();
    const std::vector<std::string> args = velmora::programArguments(argc, argv);

    velmora::cli::CliEnvironment environment;
    const auto program = velmora::runningProgram(argc > 0 ? argv[0] : nullptr);
    if (!program.empty()) {
        // The desktop program's own settings file: beside both programs, or in the user's folder when the
        // programs are installed where the user cannot write.
        environment.defaultSettingsFile =
            velmora::locateSettings(velmora::settingsFilePath(program.parent_path() / "velmora"),
                                    velmora::userConfigFolder())
                .file;
    }
    if (velmora::isTerminal(0)) {
        environment.answers = &std::cin;
    }
    environment.progressBar = velmora::isTerminal(2);
    environment.cancelFlag = &interrupted;
    // Ctrl-C is the run's cancel request, seen at its next progress point as the window's run sees it.
    velmora::cancelOnInterrupt(interrupted);

    std::ios::sync_with_stdio(false);
    return velmora::cli::runCli(args, std::cout, std::cerr, environment);
}
