#include "cli/CliRunner.h"
#include "engine/settings/SettingsKeys.h"
#include "platform/SettingsLocation.h"
#include "platform/Terminal.h"

#include <csignal>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

namespace {

volatile std::sig_atomic_t interrupted = 0;

// Only sets the flag: the run sees it as a cancel request at its next progress point. The handler is
// then reset to the default, so a second Ctrl-C ends the program at once.
extern "C" void onInterrupt(int signalNumber)
{
    interrupted = 1;
    std::signal(signalNumber, SIG_DFL);
}

std::filesystem::path programPath(const char* argv0)
{
    std::error_code error;
#if defined(__linux__)
    auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        return self;
    }
#endif
    auto path = std::filesystem::absolute(argv0 != nullptr ? argv0 : "velmora-convert", error);
    return error ? std::filesystem::path() : path;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        args.emplace_back(argv[i]);
    }

    velmora::cli::CliEnvironment environment;
    const auto program = programPath(argc > 0 ? argv[0] : nullptr);
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
    std::signal(SIGINT, onInterrupt);

    std::ios::sync_with_stdio(false);
    return velmora::cli::runCli(args, std::cout, std::cerr, environment);
}
