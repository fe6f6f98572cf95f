#include "platform/Process.h"

#include <cstdlib> // atexit

#ifdef _WIN32
#include <cstdio>
#include <fcntl.h> // _O_BINARY
#include <io.h>    // _setmode, _isatty
// shellapi.h needs the declarations of windows.h before it.
// clang-format off
#include <windows.h>
#include <shellapi.h> // CommandLineToArgvW
// clang-format on
#endif

namespace velmora {

namespace {

volatile std::sig_atomic_t* interruptFlag = nullptr;

#ifdef _WIN32

std::string utf8Of(const wchar_t* text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) {
        return {};
    }
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes.data(), size, nullptr, nullptr);
    bytes.pop_back(); // the terminating zero
    return bytes;
}

// Runs on a thread of its own that the system starts for the event.
BOOL WINAPI onConsoleEvent(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) {
        return FALSE;
    }
    if (interruptFlag == nullptr || *interruptFlag != 0) {
        return FALSE; // the second one: the default handler ends the process
    }
    *interruptFlag = 1;
    return TRUE;
}

UINT savedOutputCodePage = 0;
UINT savedInputCodePage = 0;

void restoreCodePages()
{
    if (savedOutputCodePage != 0) {
        SetConsoleOutputCP(savedOutputCodePage);
    }
    if (savedInputCodePage != 0) {
        SetConsoleCP(savedInputCodePage);
    }
}

#else

// Only sets the flag; the handler is then reset to the default, so a second Ctrl-C ends the program at once.
extern "C" void onInterruptSignal(int signalNumber)
{
    if (interruptFlag != nullptr) {
        *interruptFlag = 1;
    }
    std::signal(signalNumber, SIG_DFL);
}

#endif

} // namespace

std::vector<std::string> programArguments(int argc, char** argv)
{
    std::vector<std::string> args;
#ifdef _WIN32
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide != nullptr) {
        for (int i = 1; i < count; ++i) {
            args.push_back(utf8Of(wide[i]));
        }
        LocalFree(static_cast<HLOCAL>(wide));
        return args;
    }
#endif
    for (int i = 1; i < argc; ++i) {
        args.emplace_back(argv[i]);
    }
    return args;
}

std::filesystem::path runningProgram(const char* argv0)
{
    std::error_code error;
#if defined(_WIN32)
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            break;
        }
        if (length < buffer.size()) {
            buffer.resize(length);
            return std::filesystem::path(buffer);
        }
        buffer.resize(buffer.size() * 2);
    }
#elif defined(__linux__)
    auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        return self;
    }
#endif
    auto path = std::filesystem::absolute(argv0 != nullptr ? argv0 : "velmora-convert", error);
    return error ? std::filesystem::path() : path;
}

void cancelOnInterrupt(volatile std::sig_atomic_t& flag)
{
    interruptFlag = &flag;
#ifdef _WIN32
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
#else
    std::signal(SIGINT, onInterruptSignal);
#endif
}

void prepareConsole()
{
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    if (_isatty(_fileno(stdout)) != 0 || _isatty(_fileno(stderr)) != 0 || _isatty(_fileno(stdin)) != 0) {
        savedOutputCodePage = GetConsoleOutputCP();
        savedInputCodePage = GetConsoleCP();
        SetConsoleOutputCP(CP_UTF8);
        SetConsoleCP(CP_UTF8);
        std::atexit(restoreCodePages);
    }
#endif
}

} // namespace velmora
