#include "ui/VelmoraUnit2.h"

#include "platform/IniFile.h"

#include <system_error>

namespace velmora {

TForm2::TForm2(std::filesystem::path settingsFile, QWidget* parent)
    : QWidget(parent, Qt::Window), m_settingsFile(std::move(settingsFile))
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Quenbry 連携モード"));
    std::error_code error;
    m_toolFound = std::filesystem::is_regular_file(std::filesystem::current_path(error) / DownloadToolName, error);
    if (m_toolFound) {
        m_settings = loadForm2Settings(IniFile(m_settingsFile));
    }
}

} // namespace velmora
