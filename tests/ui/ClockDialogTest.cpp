#include "ui/ClockDialog.h"

#include "engine/clock/ClockPresets.h"
#include "engine/settings/DaylightRules.h"
#include "platform/IniFile.h"
#include "support/TempDir.h"
#include "support/WindowTestSupport.h"
#include "ui/VelmoraMainUnit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

#include <cstdio>
#include <fstream>
#include <sstream>

using namespace velmora;
using namespace velmora::test;

namespace {

template <typename T> T* child(const QWidget& window, const char* name)
{
    return window.findChild<T*>(QString::fromLatin1(name));
}

QString boxText(const QWidget& dialog, const char* name)
{
    return child<QComboBox>(dialog, name)->currentText();
}

/// One minute line in UTC, its price counting the minutes from the first line, so a bar's open names its line.
std::string utcMinutes(int fromDay, int days)
{
    std::string text;
    int index = 0;
    for (int day = fromDay; day < fromDay + days; ++day) {
        for (int minute = 0; minute < 1440; ++minute, ++index) {
            char line[80];
            const double price = 1.0 + index / 100000.0;
            std::snprintf(line, sizeof line, "2024/03/%02d,%02d:%02d,%.5f,%.5f,%.5f,%.5f\r\n", day, minute / 60,
                          minute % 60, price, price, price, price);
            text += line;
        }
    }
    return text;
}

} // namespace

class ClockDialogTest : public QObject
{
    Q_OBJECT

private slots:
    void aPresetFillsTheClocksAndTheWindowAndSavingWritesSectionClock()
    {
        if (daylightZones().empty()) {
            QSKIP("the zone clocks come from the zone database, which this build has not");
        }
        struct Case
        {
            const char* preset;
            const char* source;
            const char* market;
            const char* label;
            QString caption;
        };
        const Case cases[] = {
            {"utc-new-york", "UTC", "America/New_York", "America/New_York",
             QStringLiteral("（America/New_York の時刻で指定）")},
            {"broker", "NY+7", "NY+7", "NY+7", QStringLiteral("（NY+7 の時刻で指定）")},
            {"tokyo-session", "Asia/Tokyo", "Asia/Tokyo", "Asia/Tokyo", QStringLiteral("（Asia/Tokyo の時刻で指定）")},
            {"file", "", "", "", QStringLiteral("マーケットの時間として書き出す （現地時間で指定）")},
        };
        for (const Case& c : cases) {
            TempDir dir;
            const auto ini = dir.file("velmora.ini");
            const ClockPreset* preset = clockPresetNamed(c.preset);
            int index = 0;
            while (clockPresets()[static_cast<std::size_t>(index)].name != c.preset) {
                ++index;
            }
            {
                TForm1 form(ini);
                child<QCheckBox>(form, "CheckBox2")->setChecked(false);
                ModalAnswer answer(QStringLiteral("ClockDialog"), [index](QWidget* modal) {
                    static_cast<ClockDialog*>(modal)->applyPreset(index);
                    clickChild(modal, QStringLiteral("SaveButton"));
                });
                child<QPushButton>(form, "ButtonClock")->click();
                QVERIFY(answer.answered());
                QCOMPARE(child<QLineEdit>(form, "Edit3")->text(), QString::fromUtf8(preset->cutTime));
                QVERIFY(child<QCheckBox>(form, "CheckBox2")->isChecked());
                QCOMPARE(child<QComboBox>(form, "ComboBox1")->currentIndex(), preset->openDay - 1);
                QCOMPARE(child<QLineEdit>(form, "Edit4")->text(), QString::fromUtf8(preset->openTime));
                QCOMPARE(child<QComboBox>(form, "ComboBox2")->currentIndex(), preset->closeDay - 1);
                QCOMPARE(child<QLineEdit>(form, "Edit5")->text(), QString::fromUtf8(preset->closeTime));
                QVERIFY2(child<QCheckBox>(form, "CheckBox2")->text().remove(QLatin1Char('\n')).endsWith(c.caption),
                         c.preset);
                // The caption stays inside its frame however long the clock's name.
                QVERIFY(child<QCheckBox>(form, "CheckBox2")->geometry().right() <
                        child<QWidget>(form, "Bevel2")->width());
                // The run of the window takes the clocks as saved.
                const ClockSettings clocks = form.runRequest().settings.clocks;
                QCOMPARE(clocks, clocksOf(*preset));
            }
            const IniFile file(ini);
            const ClockSectionSettings stored = loadClockSettings(file);
            QCOMPARE(QString::fromStdString(stored.sourceClock), QString::fromUtf8(c.source));
            QCOMPARE(QString::fromStdString(stored.marketClock), QString::fromUtf8(c.market));
            QCOMPARE(QString::fromStdString(stored.labelClock), QString::fromUtf8(c.label));
            const FormSettings form = loadFormSettings(file);
            QCOMPARE(QString::fromStdString(form.mktChangeTime), QString::fromUtf8(preset->cutTime));
            QVERIFY(form.checkBox2);
        }
    }

    void aTextThatNamesNoClockIsRefusedAndACancelPutsTheWindowBack()
    {
        if (daylightZones().empty()) {
            QSKIP("the zone clocks come from the zone database, which this build has not");
        }
        TempDir dir;
        const auto ini = dir.write("velmora.ini", "[Clock]\r\nSourceClock=UTC\r\n");
        TForm1 form(ini);
        child<QLineEdit>(form, "Edit3")->setText(QStringLiteral("6:00"));
        QString refusal;
        bool stayedOpen = false;
        ModalAnswer answer(QStringLiteral("ClockDialog"), [&](QWidget* modal) {
            QCOMPARE(boxText(*modal, "SourceClockBox"), QStringLiteral("UTC"));
            QCOMPARE(boxText(*modal, "MarketClockBox"), QStringLiteral("ファイルの時計"));
            static_cast<ClockDialog*>(modal)->applyPreset(2); // fills the window's boxes at once
            child<QComboBox>(*modal, "MarketClockBox")->setCurrentText(QStringLiteral("Mars/Olympus"));
            ModalAnswer message(QStringLiteral("ClockMessage"), [&refusal](QWidget* box) {
                refusal = static_cast<QMessageBox*>(box)->text();
                static_cast<QMessageBox*>(box)->accept();
            });
            clickChild(modal, QStringLiteral("SaveButton"));
            stayedOpen = modal->isVisible();
            // Typed offsets are kept as the engine writes them back.
            child<QComboBox>(*modal, "MarketClockBox")->setCurrentText(QStringLiteral("utc+9"));
            QCOMPARE(static_cast<ClockDialog*>(modal)->checkedClocks()->marketClock, std::string("UTC+09:00"));
            clickChild(modal, QStringLiteral("CancelButton"));
        });
        child<QPushButton>(form, "ButtonClock")->click();
        QVERIFY(answer.answered());
        QCOMPARE(refusal, QStringLiteral("タイムゾーン「Mars/Olympus」が見つかりません"));
        QVERIFY(stayedOpen);
        QCOMPARE(child<QLineEdit>(form, "Edit3")->text(), QStringLiteral("6:00"));
        QCOMPARE(loadClockSettings(IniFile(ini)).marketClock, std::string());
        // A source clock alone is the market clock too: the caption names it.
        QVERIFY(child<QCheckBox>(form, "CheckBox2")->text().endsWith(QStringLiteral("（UTC の時刻で指定）")));
    }

    void aRunFromTheWindowCutsDailyBarsAtFivePmNewYorkFromUtcData()
    {
        if (daylightZones().empty()) {
            QSKIP("the zone clocks come from the zone database, which this build has not");
        }
        TempDir dir;
        // Sunday 3 March to Saturday 16 March 2024 in UTC, every minute; New York springs forward on the 10th.
        const auto source = dir.write("EURUSD_utc.txt", utcMinutes(3, 14));
        const auto ini =
            dir.write("velmora.ini", "[Form]\r\nminute=1440\r\nCheckBox6=1\r\nListBox=" + source.string() + "\r\n");
        {
            TForm1 form(ini);
            ModalAnswer answer(QStringLiteral("ClockDialog"), [](QWidget* modal) {
                static_cast<ClockDialog*>(modal)->applyPreset(1);
                clickChild(modal, QStringLiteral("SaveButton"));
            });
            child<QPushButton>(form, "ButtonClock")->click();
            QVERIFY(answer.answered());
            form.Button1Click();
        }
        std::filesystem::path written;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
            if (entry.path() != source && entry.path() != ini) {
                written = entry.path();
            }
        }
        QVERIFY(!written.empty());
        std::ifstream in(written);
        std::vector<double> opens;
        for (std::string line; std::getline(in, line);) {
            std::vector<std::string> fields;
            std::stringstream split(line);
            for (std::string field; std::getline(split, field, ',');) {
                fields.push_back(field);
            }
            opens.push_back(std::stod(fields[fields.size() - 4]));
        }
        // Five bars a week, each opening on the line of 17:00 New York: 22:00 UTC before the switch, 21:00 after.
        std::vector<double> expected;
        for (const auto& [day, hour] : std::vector<std::pair<int, int>>{
                 {0, 22}, {1, 22}, {2, 22}, {3, 22}, {4, 22}, {7, 21}, {8, 21}, {9, 21}, {10, 21}, {11, 21}}) {
            expected.push_back(1.0 + (day * 1440 + hour * 60) / 100000.0);
        }
        QCOMPARE(opens.size(), expected.size());
        for (std::size_t i = 0; i < opens.size(); ++i) {
            QVERIFY2(std::abs(opens[i] - expected[i]) < 0.000001, std::to_string(i).c_str());
        }
    }
};

QTEST_MAIN(ClockDialogTest)
#include "ClockDialogTest.moc"
