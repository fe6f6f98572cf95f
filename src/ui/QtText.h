#pragma once

#include <QString>

#include <filesystem>
#include <string>
#include <string_view>

namespace velmora {

// The engine keeps texts as UTF-8 bytes; the windows convert at their edge, all in the same way.

inline QString qText(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string stdText(const QString& text)
{
    return text.toStdString();
}

inline QString qPath(const std::filesystem::path& path)
{
    return qText(path.string());
}

inline std::filesystem::path stdPath(const QString& path)
{
    return {stdText(path)};
}

} // namespace velmora
