#include "ui/FileRegistration.h"

#include "platform/RunError.h"
#include "platform/Text.h"
#include "ui/QtText.h"

#include <QDir>
#include <QListWidget>
#include <QMimeData>
#include <QStringDecoder>
#include <QUrl>

#include <fstream>
#include <system_error>

namespace velmora {

QString displayText(std::string_view bytes)
{
    const QByteArrayView view(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(view);
    if (!utf8.hasError()) {
        return text;
    }
    // A Qt without ICU (the Windows build) knows no Shift_JIS by name: Windows' own code page 932 then.
    QStringDecoder shiftJis("Shift_JIS");
    if (!shiftJis.isValid()) {
        const auto decoded = utf8FromShiftJis(bytes);
        return decoded ? qText(*decoded) : text;
    }
    return shiftJis.decode(view);
}

std::array<std::string, PreviewLineCount> readPreviewLines(const std::filesystem::path& file)
{
    std::error_code error;
    if (!std::filesystem::exists(file, error)) {
        throw fileNotFound();
    }
    std::ifstream in;
    if (!std::filesystem::is_directory(file, error)) {
        in.open(file, std::ios::binary);
    }
    if (!in) {
        throw cannotOpenFile(pathText(file));
    }

    std::array<std::string, PreviewLineCount> lines;
    std::streambuf& buffer = *in.rdbuf();
    for (std::string& line : lines) {
        bool textEnded = false;
        for (int c = buffer.sbumpc(); c != std::char_traits<char>::eof(); c = buffer.sbumpc()) {
            if (c == '\n') {
                break;
            }
            if (c == '\r') {
                textEnded = true;
            } else if (!textEnded) {
                line.push_back(static_cast<char>(c));
            }
        }
    }
    // A UTF-8 byte-order mark at the start of the file is no part of its first line.
    if (lines.front().starts_with("\xEF\xBB\xBF")) {
        lines.front().erase(0, 3);
    }
    return lines;
}

QStringList listedFiles(const QListWidget& list)
{
    QStringList files;
    for (int i = 0; i < list.count(); ++i) {
        files.append(list.item(i)->text());
    }
    return files;
}

QStringList droppedLocalFiles(const QMimeData& data)
{
    QStringList files;
    if (!data.hasUrls()) {
        return files;
    }
    const QList<QUrl> urls = data.urls();
    for (const QUrl& url : urls) {
        if (url.isLocalFile()) {
            // Qt's paths use "/" everywhere; the list and the log show a Windows path as Explorer does.
            files.append(QDir::toNativeSeparators(url.toLocalFile()));
        }
    }
    return files;
}

} // namespace velmora
