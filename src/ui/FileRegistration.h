#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <filesystem>
#include <string>
#include <string_view>

class QListWidget;
class QMimeData;

namespace velmora {

/// Bytes of a file or log line as the window shows them: UTF-8 when they are valid UTF-8, otherwise read as
/// Shift-JIS, the encoding of older Japanese price files and their headers.
QString displayText(std::string_view bytes);

/// The number of lines a registration previews.
constexpr int PreviewLineCount = 3;

/// The first three lines of a file, read one by one: a line's text runs to the first CR or LF and the next
/// line begins after the next LF. Missing lines are empty. Only the start of the file is read.
/// Throws fileNotFound for a path that does not exist and cannotOpenFile for one that cannot be read (a
/// folder, a file without read access).
std::array<std::string, PreviewLineCount> readPreviewLines(const std::filesystem::path& file);

/// The files a list shows, in its order: the registered files of the main window's ListBox1.
QStringList listedFiles(const QListWidget& list);

/// The local files among the URLs of a drop, in the order given; empty when the drop carries none.
QStringList droppedLocalFiles(const QMimeData& data);

} // namespace velmora
