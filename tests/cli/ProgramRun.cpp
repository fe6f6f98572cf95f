#include "cli/ProgramRun.h"

#include "support/TempDir.h"

#include <cstdlib>
#include <sys/wait.h> // WIFEXITED, WEXITSTATUS

namespace velmora::test {

namespace {

std::string shellQuoted(std::string_view word)
{
    std::string text = "'";
    for (const char c : word) {
        text += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return text + "'";
}

} // namespace

ProgramResult runProgram(const std::vector<std::string>& args, const std::filesystem::path& folder)
{
    const TempDir streams;
    std::string command = "cd " + shellQuoted(folder.string()) + " && " + shellQuoted(VELMORA_CONVERT_PATH);
    for (const auto& arg : args) {
        command += ' ';
        command += shellQuoted(arg);
    }
    command +=
        " </dev/null >" + shellQuoted(streams.file("out").string()) + " 2>" + shellQuoted(streams.file("err").string());
    const int status = std::system(command.c_str());
    ProgramResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = readBytes(streams.file("out"));
    result.err = readBytes(streams.file("err"));
    return result;
}

std::vector<std::string> lines(std::string_view text)
{
    std::vector<std::string> rows;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find('\n', start)) != std::string_view::npos; start = at + 1) {
        rows.emplace_back(text.substr(start, at - start));
    }
    return rows;
}

} // namespace velmora::test
