#pragma once

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

namespace velmora {

/// The program's arguments after its own name, as UTF-8 texts. On Windows they are taken from the wide command
/// line, so a Japanese file name arrives whole whatever the system's code page; elsewhere argv as it is.
std::vector<std::string> programArguments(int argc, char** argv);

/// The running program's own file, or an empty path when the system cannot tell (argv0 is the fallback).
std::filesystem::path runningProgram(const char* argv0);

/// Ctrl-C (and Ctrl-Break on Windows) sets the flag, which the run reads as its cancel request at the next
/// progress point. A second one ends the program at once, as it would without the handler.
void cancelOnInterrupt(volatile std::sig_atomic_t& flag);

/// Sets the standard streams up for the log: UTF-8 text passed through byte for byte. On Windows a console shows
/// it in UTF-8 (its code page is put back when the program ends) and no "\n" becomes "\r\n", so the log written
/// to a file is the same on every system. Nothing to do elsewhere.
void prepareConsole();

} // namespace velmora
