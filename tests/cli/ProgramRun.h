#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::test {

/// What a run of the real velmora-convert left: its exit status and its two output streams.
struct ProgramResult
{
    int exitCode = -1;
    std::string out;
    std::string err;
};

/// Runs velmora-convert in the folder with standard input from /dev/null (not a terminal); its streams are
/// kept elsewhere so that the folder holds only what the program wrote.
ProgramResult runProgram(const std::vector<std::string>& args, const std::filesystem::path& folder);

/// The lines of a text, each without its line feed.
std::vector<std::string> lines(std::string_view text);

} // namespace velmora::test
