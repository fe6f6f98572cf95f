#include "ui/JapaneseUiFont.h"

#include <QApplication>
#include <QFontDatabase>
#include <QString>
#include <QStringList>

namespace velmora {

QFont japaneseUiFont()
{
    const QStringList installed = QFontDatabase::families();
    QString family;
    for (const QString& candidate : {QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("Noto Sans CJK JP"),
                                     QStringLiteral("Noto Sans JP"), QStringLiteral("Noto Sans CJK SC")}) {
        if (installed.contains(candidate)) {
            family = candidate;
            break;
        }
    }
    QFont font = QApplication::font();
    if (!family.isEmpty()) {
        font.setFamily(family);
    }
    font.setPixelSize(12);
    return font;
}

} // namespace velmora
