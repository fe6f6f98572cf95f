#pragma once

#include <filesystem>

namespace velmora {

/// Where a program keeps its settings file, and whether that is the user's own folder rather than the program's.
struct SettingsLocation
{
    std::filesystem::path file;
    bool inUserFolder = false;

    bool operator==(const SettingsLocation&) const = default;
};

/// The folder for the user's program settings: $XDG_CONFIG_HOME when it is an absolute path, else ~/.config;
/// %APPDATA% on Windows. Empty when the environment names none.
std::filesystem::path userConfigFolder();

/// userConfigFolder() from the given values of the variables (null when unset): XDG_CONFIG_HOME and HOME, or on
/// Windows APPDATA (the first) alone.
std::filesystem::path userConfigFolder(const char* configHome, const char* home);

/// Where settings whose file would lie beside the program (besideProgram) are kept. That file wins whenever it
/// exists, so a copied, portable program keeps working as before; it is also chosen when its folder may be
/// written. Otherwise (an installed program under /usr/bin or Program Files) the same name in a "velmora"
/// folder of userFolder, or besideProgram still when userFolder is empty. Creates nothing.
SettingsLocation locateSettings(const std::filesystem::path& besideProgram, const std::filesystem::path& userFolder);

/// Makes the folder a settings file in the user's folder needs before its first save; false when it cannot.
bool prepareSettingsFolder(const SettingsLocation& location);

} // namespace velmora
