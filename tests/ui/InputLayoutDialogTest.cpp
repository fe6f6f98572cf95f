#include "ui/InputLayoutDialog.h"

#include "engine/settings/SettingsKeys.h"
#include "platform/IniFile.h"
#include "support/TempDir.h"
#include "support/WindowTestSupport.h"
#include "ui/VelmoraMainUnit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
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

void choose(const QWidget* dialog, const char* box, const char* name)
{
    auto* combo = child<QComboBox>(dialog, box);
    const int index = combo->findData(QString::fromLatin1(name));
    QVERIFY2(index >= 0, name);
    combo->setCurrentIndex(index);
}

/// The date, time, open, high, low and close the preview shows for a row, or {"読めない行"} for an unread one.
QStringList previewRow(const QWidget* dialog, int row)
{
    const auto* table = child<QTableWidget>(dialog, "previewTable");
    QStringList cells;
    for (int column = 1; column < table->columnCount(); ++column) {
        const QString text = table->item(row, column)->text();
        if (!text.isEmpty()) {
            cells.append(text);
        }
    }
    return cells;
}

/// Three days of 5-minute steps written day-first with two-digit years: the usual reading takes "15.08.22" as
/// 2015-08-22, so only a day-first reading gives the right dates.
std::string dayFirstTwoDigitYears()
{
    std::string text;
    for (int day = 15; day <= 17; ++day) {
        for (int minute = 0; minute < 60; minute += 5) {
            text += std::to_string(day) + ".08.22,10:" + (minute < 10 ? "0" : "") + std::to_string(minute) +
                    ",1.02340,1.02359,1.02330,1.02348,105\r\n";
        }
    }
    return text;
}

/// The cells of a preview row, comma-separated.
QStringList cells(const char* row)
{
    return QString::fromLatin1(row).split(QLatin1Char(','));
}

const QString Unread = QStringLiteral("読めない行");

} // namespace

class InputLayoutDialogTest : public QObject
{
    Q_OBJECT

private slots:
    void dayFirstChosenInTheDialogIsSavedAndUsedByTheNextRun()
    {
        TempDir dir;
        const auto source = dir.write("EURUSD_1min.txt", dayFirstTwoDigitYears());
        const auto settings =
            dir.write("velmora.ini", "[Form]\r\nListBox=" + source.string() + "\r\nminute=1440\r\nCheckBox2=0\r\n");
        const FixedClock clock(TestToday, 77);
        TForm1 form(settings, {}, &clock);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));

        QStringList before;
        QStringList after;
        QString saved;
        const ModalAnswer answer(QStringLiteral("InputLayout"), [&](QWidget* dialog) {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("入力ファイルの形式"));
            QCOMPARE(child<QComboBox>(dialog, "fileBox")->currentText(), fromPath(source));
            before = previewRow(dialog, 0);
            choose(dialog, "dateOrderBox", "dmy");
            after = previewRow(dialog, 0);
            saved = child<QComboBox>(dialog, "presetBox")->currentData().toString();
            child<QPushButton>(dialog, "saveButton")->click();
        });
        child<QPushButton>(&form, "InputLayoutButton")->click();
        QVERIFY(answer.answered());

        // Today's reading, then the day-first one: the same line, other years.
        QCOMPARE(before, cells("2015/08/22,10:00:00,1.02340,1.02359,1.02330,1.02348"));
        QCOMPARE(after, cells("2022/08/15,10:00:00,1.02340,1.02359,1.02330,1.02348"));
        QCOMPARE(saved, QStringLiteral("dmy"));
        const InputSettings stored = loadInputSettings(IniFile(settings));
        QCOMPARE(QString::fromStdString(stored.layout), QStringLiteral("dmy"));

        child<QPushButton>(&form, "Button1")->click();
        QTRY_VERIFY(!form.isBusy());
        const std::string bars = readBytes(dir.file("EURUSD_Daily.txt"));
        QVERIFY2(!bars.empty(), qPrintable(child<QPlainTextEdit>(&form, "Memo1")->toPlainText()));
        // Daily bars from the 17:00 cut: each day's 10:00 lines close the bar opened the evening before.
        QCOMPARE(bars, std::string("2022/08/14,17:00:00,1.02340,1.02359,1.02330,1.02348\r\n"
                                   "2022/08/15,17:00:00,1.02340,1.02359,1.02330,1.02348\r\n"
                                   "2022/08/16,17:00:00,1.02340,1.02359,1.02330,1.02348\r\n"));
    }

    void previewShowsWhatEachLayoutReads_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("preset");
        QTest::addColumn<QByteArray>("dateOrder");
        QTest::addColumn<QByteArray>("price");
        QTest::addColumn<int>("row");
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<QString>("reading");

        const QString mt4 =
            QStringLiteral("Date,Time,Open,High,Low,Close\r\n2022.08.15,10:06,1.0234,1.0236,1.0233,1.0235,105\r\n");
        QTest::newRow("auto: a header is unread, the usual line read as written")
            << mt4 << QByteArray("auto") << QByteArray("") << QByteArray("") << 0 << QStringList{Unread}
            << QStringLiteral("自動: 標準の形式で読みます");
        QTest::newRow("auto: usual line")
            << mt4 << QByteArray("auto") << QByteArray("") << QByteArray("") << 1
            << cells("2022/08/15,10:06:00,1.0234,1.0236,1.0233,1.0235") << QStringLiteral("自動: 標準の形式で読みます");

        const QString ticks = QStringLiteral(
            "Local time,Ask,Bid,AskVolume,BidVolume\r\n01.01.2010 00:00:07.534 GMT+0300,1.43156,1.43151,2.5,1.1\r\n");
        QTest::newRow("auto: day-first ticks take the bid")
            << ticks << QByteArray("auto") << QByteArray("") << QByteArray("") << 1
            << cells("2010/01/01,00:00:07.534,1.43151,1.43151,1.43151,1.43151")
            << QStringLiteral("自動: 「日-月-年、区切りは自動、価格は Bid」の形式と判断して読みます");
        QTest::newRow("mid chosen over detected ticks")
            << ticks << QByteArray("auto") << QByteArray("") << QByteArray("mid") << 1
            << cells("2010/01/01,00:00:07.534,1.431535,1.431535,1.431535,1.431535")
            << QStringLiteral("「日-月-年、区切りは自動、価格は Ask と Bid の中値」の形式で読みます");
        QTest::newRow("usual: ticks are not read")
            << ticks << QByteArray("usual") << QByteArray("") << QByteArray("") << 1 << QStringList{Unread}
            << QStringLiteral("標準の形式で読みます");

        const QString comma = QStringLiteral("2022-08-15;10:06;1,02340;1,02359;1,02340;1,02348;105\r\n");
        QTest::newRow("decimal comma preset")
            << comma << QByteArray("decimal-comma") << QByteArray("") << QByteArray("") << 0
            << cells("2022/08/15,10:06:00,1.02340,1.02359,1.02340,1.02348")
            << QStringLiteral(
                   "「年-月-日、区切りはセミコロン、小数点はカンマ、価格は始値・高値・安値・終値」の形式で読みます");

        const QString us = QStringLiteral("03/06/2026,09:30,256.80,257.25,256.60,256.77,1200\r\n");
        QTest::newRow("month first") << us << QByteArray("mdy") << QByteArray("") << QByteArray("") << 0
                                     << cells("2026/03/06,09:30:00,256.80,257.25,256.60,256.77")
                                     << QStringLiteral(
                                            "「月-日-年、区切りは自動、価格は始値・高値・安値・終値」の形式で読みます");
        QTest::newRow("the same file day first")
            << us << QByteArray("mdy") << QByteArray("dmy") << QByteArray("") << 0
            << cells("2026/06/03,09:30:00,256.80,257.25,256.60,256.77")
            << QStringLiteral("「日-月-年、区切りは自動、価格は始値・高値・安値・終値」の形式で読みます");

        const QString iso = QStringLiteral("2026-03-06T14:30:00Z,256.80,257.25,256.60,256.77,1200\r\n");
        QTest::newRow("auto: ISO 8601 in one field")
            << iso << QByteArray("auto") << QByteArray("") << QByteArray("") << 0
            << cells("2026/03/06,14:30:00,256.80,257.25,256.60,256.77")
            << QStringLiteral("自動: 「年-月-日、区切りは自動、価格は始値・高値・安値・終値」の形式と判断して読みます");
    }

    void previewShowsWhatEachLayoutReads()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, preset);
        QFETCH(QByteArray, dateOrder);
        QFETCH(QByteArray, price);
        QFETCH(int, row);
        QFETCH(QStringList, cells);
        QFETCH(QString, reading);

        TempDir dir;
        const auto source = dir.write("source.csv", file.toStdString());
        const auto settings = dir.write("velmora.ini", "");
        InputLayoutDialog dialog(settings, {fromPath(source)}, 0, 1, TestToday.year);
        choose(&dialog, "presetBox", preset.constData());
        if (!dateOrder.isEmpty()) {
            choose(&dialog, "dateOrderBox", dateOrder.constData());
        }
        if (!price.isEmpty()) {
            choose(&dialog, "priceBox", price.constData());
        }
        QCOMPARE(previewRow(&dialog, row), cells);
        QVERIFY2(child<QLabel>(&dialog, "readingLabel")->text().startsWith(reading),
                 qPrintable(child<QLabel>(&dialog, "readingLabel")->text()));
    }

    void detailsSaveAsCustomAndComeBackWhenOpenedAgain()
    {
        TempDir dir;
        const auto source = dir.write("source.csv", "2022-08-15;10:06;1,02340;1,02359;1,02340;1,02348;105\r\n");
        const auto settings = dir.write("velmora.ini", "[Form]\r\nminute=5\r\n");
        {
            InputLayoutDialog dialog(settings, {fromPath(source)}, 0, 1, TestToday.year);
            choose(&dialog, "separatorBox", "semicolon");
            child<QCheckBox>(&dialog, "decimalCommaBox")->setChecked(true);
            child<QSpinBox>(&dialog, "volumeColumnBox")->setValue(7);
            QCOMPARE(child<QComboBox>(&dialog, "presetBox")->currentData().toString(), QStringLiteral("custom"));
            QCOMPARE(previewRow(&dialog, 0).value(2), QStringLiteral("1.02340"));
            dialog.saveClick();
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
        }
        const InputSettings stored = loadInputSettings(IniFile(settings));
        QCOMPARE(QString::fromStdString(stored.layout), QStringLiteral("custom"));
        QCOMPARE(QString::fromStdString(stored.separator), QStringLiteral("semicolon"));
        QVERIFY(stored.decimalComma);
        QCOMPARE(stored.volumeColumn, 7);
        QCOMPARE(loadFormSettings(IniFile(settings)).minute, std::string("5")); // the other sections stay

        const std::string bytes = readBytes(settings);
        {
            InputLayoutDialog dialog(settings, {fromPath(source)}, 0, 1, TestToday.year);
            QCOMPARE(child<QComboBox>(&dialog, "separatorBox")->currentData().toString(), QStringLiteral("semicolon"));
            QVERIFY(child<QCheckBox>(&dialog, "decimalCommaBox")->isChecked());
            QCOMPARE(child<QSpinBox>(&dialog, "volumeColumnBox")->value(), 7);
            choose(&dialog, "presetBox", "usual");
            child<QPushButton>(&dialog, "closeButton")->click();
        }
        QCOMPARE(readBytes(settings), bytes); // closed without saving
    }

    void aFileThatCannotBeReadIsNamedAndNothingIsPreviewed()
    {
        TempDir dir;
        const auto settings = dir.write("velmora.ini", "");
        InputLayoutDialog dialog(settings, {fromPath(dir.file("gone.csv"))}, 0, 1, TestToday.year);
        QCOMPARE(child<QTableWidget>(&dialog, "previewTable")->rowCount(), 0);
        QVERIFY(child<QLabel>(&dialog, "readingLabel")->text().contains(QStringLiteral("gone.csv")));
        InputLayoutDialog empty(settings, {}, -1, 1, TestToday.year);
        QCOMPARE(child<QLabel>(&empty, "readingLabel")->text(), QStringLiteral("ファイルが登録されていません"));
    }
};

QTEST_MAIN(InputLayoutDialogTest)
#include "InputLayoutDialogTest.moc"
