#pragma once

#include "platform/Text.h"

#include <QString>
#include <QStringList>

#include <filesystem>
#include <span>
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

// Paths through the UTF-8 texts of platform/Text.h: on Windows a path's narrow string is in the system's code
// page, which would turn a Japanese folder name into question marks.
inline QString qPath(const std::filesystem::path& path)
{
    return qText(pathText(path));
}

inline std::filesystem::path stdPath(const QString& path)
{
    return pathFromText(stdText(path));
}

inline QStringList qTexts(std::span<const std::string> texts)
{
    QStringList list;
    list.reserve(static_cast<qsizetype>(texts.size()));
    for (const std::string& text : texts) {
        list.append(qText(text));
    }
    return list;
}

} // namespace velmora
