#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velmora::test {

/// What a run of the real velmora-convert left: its exit status and its two output streams.
struct ProgramResult
{
    int exitCode = -1;
    std::string out;
    std::string err;
};

/// Runs velmora-convert (or another copy of it) in the folder through a POSIX shell, with standard input from
/// /dev/null (not a terminal); its streams are kept elsewhere so that the folder holds only what the program
/// wrote. Variables in environment ("NAME=value ...", quoted for the shell) are set for the program alone.
ProgramResult runProgram(const std::vector<std::string>& args, const std::filesystem::path& folder,
                         const std::filesystem::path& program = VELMORA_CONVERT_PATH,
                         const std::string& environment = {});

/// Writes the source as EURUSD.csv into the folder and converts it (POSIX only, as runProgram) to 5, 60 and 1440
/// minutes with no settings and the options given, overwriting; the names (the source's by default) are the files
/// registered. The log of both streams is in `out`.
ProgramResult convertSource(const std::filesystem::path& folder, std::string_view source,
                            const std::vector<std::string>& options,
                            const std::vector<std::string>& names = {"EURUSD.csv"});

/// Every file in the folder but EURUSD.csv, by name, with its bytes: the bar files convertSource wrote.
std::vector<std::pair<std::string, std::string>> barFiles(const std::filesystem::path& folder);

/// A word quoted for the POSIX shell.
std::string shellQuoted(std::string_view word);

/// The lines of a text, each without its line feed.
std::vector<std::string> lines(std::string_view text);

} // namespace velmora::test
