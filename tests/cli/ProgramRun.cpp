#include "cli/ProgramRun.h"

#include "support/TempDir.h"

#include <cstdlib>
#ifndef _WIN32
#include <sys/wait.h> // WIFEXITED, WEXITSTATUS
#endif

namespace velmora::test {

std::vector<std::pair<std::string, std::string>> barFiles(const std::filesystem::path& folder)
{
    std::vector<std::pair<std::string, std::string>> files;
    for (const auto& name : folderNames(folder)) {
        if (name != "EURUSD.csv") {
            files.emplace_back(name, readBytes(folder / name));
        }
    }
    return files;
}

std::string shellQuoted(std::string_view word)
{
    std::string text = "'";
    for (const char c : word) {
        text += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return text + "'";
}

#ifndef _WIN32
ProgramResult convertSource(const std::filesystem::path& folder, std::string_view source,
                            const std::vector<std::string>& options, const std::vector<std::string>& names)
{
    writeFile(folder / "EURUSD.csv", source);
    std::vector<std::string> args{"-s", "/dev/null", "-t", "5, 60, 1440", "--overwrite"};
    args.insert(args.end(), options.begin(), options.end());
    args.insert(args.end(), names.begin(), names.end());
    ProgramResult result = runProgram(args, folder);
    result.out += result.err;
    return result;
}

ProgramResult runProgram(const std::vector<std::string>& args, const std::filesystem::path& folder,
                         const std::filesystem::path& program, const std::string& environment)
{
    const TempDir streams;
    std::string command =
        "cd " + shellQuoted(folder.string()) + " && " + environment + " " + shellQuoted(program.string());
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
#endif

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
