#include "ui/OutputFormatDialog.h"

#include "engine/settings/SettingsKeys.h"
#include "platform/IniFile.h"
#include "support/TempDir.h"
#include "support/WindowTestSupport.h"
#include "ui/VelmoraMainUnit.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

using namespace velmora;
using namespace velmora::test;

namespace {

template <class Widget> Widget* child(const QWidget* window, const char* name)
{
    auto* found = window->findChild<Widget*>(QString::fromLatin1(name));
    if (found == nullptr) {
        qFatal("no child %s", name);
    }
    return found;
}

/// Two hours of a pair's minutes in the usual layout, four decimals and a volume.
std::string twoHours()
{
    std::string text;
    for (int minute = 0; minute < 120; ++minute) {
        const int hour = 10 + minute / 60;
        const int rest = minute % 60;
        text += "2019.08.19," + std::to_string(hour) + ":" + (rest < 10 ? "0" : "") + std::to_string(rest) +
                ",1.1050,1.1052,1.1049,1.1051,3\r\n";
    }
    return text;
}

} // namespace

class OutputFormatDialogTest : public QObject
{
    Q_OBJECT

private slots:
    void theButtonSitsInTheSpecialFrameBesideTheOthers()
    {
        TempDir dir;
        TForm1 form(dir.write("velmora.ini", ""), {});
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const auto* button = child<QPushButton>(&form, "OutputFormatButton");
        QCOMPARE(button->text(), QStringLiteral("出力形式"));
        QCOMPARE(button->parentWidget()->objectName(), QStringLiteral("Bevel3"));
        QVERIFY(button->parentWidget()->rect().contains(button->geometry()));
        for (const char* other : {"Button5", "InputLayoutButton", "ButtonClock", "Label11"}) {
            QVERIFY2(!button->geometry().intersects(child<QWidget>(&form, other)->geometry()), other);
        }
        // The caption fits its button.
        QVERIFY(button->fontMetrics().horizontalAdvance(button->text()) < button->width());
    }

    void theChosenFormatIsPreviewedSavedAndWrittenByTheNextRun()
    {
        TempDir dir;
        const auto source = dir.write("EURUSD_1min.txt", twoHours());
        const auto settings =
            dir.write("velmora.ini", "[Form]\r\nListBox=" + source.string() + "\r\nminute=60\r\nCheckBox2=0\r\n");
        const FixedClock clock(TestToday, 77);
        TForm1 form(settings, {}, &clock);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));

        QStringList textPreview;
        QStringList hstPreview;
        const ModalAnswer answer(QStringLiteral("OutputFormat"), [&](QWidget* dialog) {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("出力形式"));
            textPreview = child<QPlainTextEdit>(dialog, "previewText")->toPlainText().split(QLatin1Char('\n'));
            auto* format = child<QComboBox>(dialog, "formatBox");
            format->setCurrentIndex(format->findData(QStringLiteral("hst")));
            child<QLineEdit>(dialog, "symbolEdit")->setText(QStringLiteral("EURUSDx"));
            hstPreview = child<QPlainTextEdit>(dialog, "previewText")->toPlainText().split(QLatin1Char('\n'));
            QCOMPARE(child<QLabel>(dialog, "previewLabel")->text(), QStringLiteral("「60」の先頭 3 行"));
            child<QPushButton>(dialog, "saveButton")->click();
        });
        child<QPushButton>(&form, "OutputFormatButton")->click();
        QVERIFY(answer.answered());

        QCOMPARE(textPreview, (QStringList{QStringLiteral("2019/08/19,10:00:00,1.1050,1.1052,1.1049,1.1051"),
                                           QStringLiteral("2019/08/19,11:00:00,1.1050,1.1052,1.1049,1.1051")}));
        QCOMPARE(hstPreview, (QStringList{QStringLiteral("version 401, EURUSDx, 60 min, digits 4"),
                                          QStringLiteral("2019.08.19 10:00:00  1.1050  1.1052  1.1049  1.1051  180"),
                                          QStringLiteral("2019.08.19 11:00:00  1.1050  1.1052  1.1049  1.1051  180")}));
        const OutputSettings stored = loadOutputSettings(IniFile(settings));
        QCOMPARE(stored, (OutputSettings{"hst", "EURUSDx", ""}));

        child<QPushButton>(&form, "Button1")->click();
        QTRY_VERIFY(!form.isBusy());
        const std::string hst = readBytes(dir.file("EURUSDx60.hst"));
        QVERIFY2(hst.size() == 148 + 2 * 60, qPrintable(child<QPlainTextEdit>(&form, "Memo1")->toPlainText()));
        QCOMPARE(hst.substr(68, 8), std::string("EURUSDx\0", 8));
        QVERIFY(!std::filesystem::exists(dir.file("EURUSD_1hour.txt")));
    }
};

QTEST_MAIN(OutputFormatDialogTest)
#include "OutputFormatDialogTest.moc"
