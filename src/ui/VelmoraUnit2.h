#pragma once

#include "engine/SettingsKeys.h"

#include <QWidget>

#include <filesystem>
#include <optional>

namespace velmora {

/// The linkage window "Quenbry 連携モード". For now it only looks for the download tool and reads its own
/// settings section when the tool is there; it never writes that section, so the linkage settings survive
/// untouched until the window does its work.
class TForm2 : public QWidget
{
    Q_OBJECT

public:
    /// The name of the download tool's program, looked for in the current directory.
    static constexpr const char* DownloadToolName = "Quenbry.exe";

    explicit TForm2(std::filesystem::path settingsFile, QWidget* parent = nullptr);

    bool downloadToolFound() const { return m_toolFound; }
    /// Section "Form2" as read at creation; std::nullopt when the tool was not found (nothing is read then).
    const std::optional<Form2Settings>& linkageSettings() const { return m_settings; }

private:
    std::filesystem::path m_settingsFile;
    bool m_toolFound = false;
    std::optional<Form2Settings> m_settings;
};

} // namespace velmora
