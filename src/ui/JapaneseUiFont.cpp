#include "ui/JapaneseUiFont.h"

#include <QApplication>
#include <QFontDatabase>
#include <QString>
#include <QStringList>

namespace velmora {

namespace {

QStringList preferredFamilies()
{
    QStringList families{QStringLiteral("ＭＳ Ｐゴシック")};
#ifdef Q_OS_WIN
    // A Windows without the Japanese supplemental fonts has no ＭＳ Ｐゴシック, and Qt's own fallback there is
    // an old bitmap face: the UI fonts every Windows since 8.1 (Yu Gothic UI) and Vista (Meiryo UI) has come
    // first.
    families << QStringLiteral("Yu Gothic UI") << QStringLiteral("Meiryo UI");
#endif
    families << QStringLiteral("Noto Sans CJK JP") << QStringLiteral("Noto Sans JP")
             << QStringLiteral("Noto Sans CJK SC");
    return families;
}

} // namespace

QFont japaneseUiFont()
{
    const QStringList installed = QFontDatabase::families();
    QString family;
    for (const QString& candidate : preferredFamilies()) {
        if (installed.contains(candidate)) {
            family = candidate;
            break;
        }
    }
    QFont font = QApplication::font();
#ifdef Q_OS_WIN
    if (family.isEmpty()) {
        family = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    }
#endif
    if (!family.isEmpty()) {
        font.setFamily(family);
    }
    font.setPixelSize(12);
    return font;
}

} // namespace velmora
