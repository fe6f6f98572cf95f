#include "platform/SettingsLocation.h"

#include <cstdlib> // getenv
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h> // access
#endif

namespace velmora {

namespace {

std::filesystem::path utf8Path(const char* text)
{
    const std::string_view view(text);
    return {std::u8string(view.begin(), view.end())};
}

/// Whether the program may create a file in the folder: asked of the system rather than read from mode bits,
/// which say nothing of access lists, read-only mounts or Windows' protected folders.
bool folderWritable(const std::filesystem::path& folder)
{
#ifdef _WIN32
    // Windows answers only by trying; the probe deletes itself when closed.
    const auto probe = folder / L".velmora-write-probe";
    HANDLE handle = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    CloseHandle(handle);
    return true;
#else
    return ::access(folder.empty() ? "." : folder.c_str(), W_OK | X_OK) == 0;
#endif
}

} // namespace

std::filesystem::path userConfigFolder(const char* configHome, const char* home)
{
#ifdef _WIN32
    (void)home;
    return configHome != nullptr && *configHome != '\0' ? utf8Path(configHome) : std::filesystem::path();
#else
    // The XDG rule: a relative XDG_CONFIG_HOME is invalid and is ignored.
    if (configHome != nullptr && *configHome == '/') {
        return utf8Path(configHome);
    }
    if (home != nullptr && *home == '/') {
        return utf8Path(home) / ".config";
    }
    return {};
#endif
}

std::filesystem::path userConfigFolder()
{
#ifdef _WIN32
    // The environment in UTF-16, whatever the system's code page.
    const wchar_t* appData = _wgetenv(L"APPDATA");
    return appData != nullptr && *appData != L'\0' ? std::filesystem::path(appData) : std::filesystem::path();
#else
    return userConfigFolder(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
#endif
}

SettingsLocation locateSettings(const std::filesystem::path& besideProgram, const std::filesystem::path& userFolder)
{
    std::error_code error;
    if (userFolder.empty() || std::filesystem::exists(besideProgram, error) ||
        folderWritable(besideProgram.parent_path())) {
        return {besideProgram, false};
    }
    return {userFolder / "velmora" / besideProgram.filename(), true};
}

bool prepareSettingsFolder(const SettingsLocation& location)
{
    if (!location.inUserFolder) {
        return true;
    }
    std::error_code error;
    std::filesystem::create_directories(location.file.parent_path(), error);
    return !error;
}

} // namespace velmora
