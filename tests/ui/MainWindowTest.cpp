#include "engine/settings/SettingsKeys.h"
#include "platform/IniFile.h"
#include "support/TempDir.h"
#include "support/WindowTestSupport.h"
#include "ui/QtTranslations.h"
#include "ui/VelmoraMainUnit.h"
#include "ui/VelmoraUnit2.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QtTest>

using namespace velmora;
using namespace velmora::test;

namespace {

template <class T> T* child(const QWidget& window, const char* name)
{
    return window.findChild<T*>(QString::fromLatin1(name));
}

QString text(const QWidget& window, const char* name)
{
    return child<QLineEdit>(window, name)->text();
}

bool enabled(const QWidget& window, const char* name)
{
    return child<QWidget>(window, name)->isEnabled();
}

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void firstStartShowsDefaults()
    {
        TempDir dir;
        const FixedClock clock(TestToday);
        TForm1 form(dir.file("velmora.ini"), {}, &clock);

        QCOMPARE(form.windowTitle(),
                 QStringLiteral("1分足やTickから指定した時間足のデータを作ったりずらしたりするアプリ ver 0.06 beta 2"));
        QCOMPARE(text(form, "Edit1"), QStringLiteral("5, 60, 240, 1440"));
        QCOMPARE(text(form, "Edit3"), QStringLiteral("17:00"));
        QCOMPARE(text(form, "Edit2"), QStringLiteral("hh:nn:ss"));
        QCOMPARE(text(form, "Edit4"), QStringLiteral("17:00"));
        QCOMPARE(text(form, "Edit5"), QStringLiteral("17:00"));
        QCOMPARE(text(form, "EditExt"), QStringLiteral(".txt"));
        QCOMPARE(text(form, "EditDateS"), QStringLiteral("/"));
        QCOMPARE(text(form, "Edit6"), QStringLiteral("0"));
        QCOMPARE(text(form, "Edit7"), QStringLiteral("1"));
        QVERIFY(child<QCheckBox>(form, "CheckBox1")->isChecked());
        QVERIFY(child<QCheckBox>(form, "CheckBox2")->isChecked());
        QVERIFY(!child<QCheckBox>(form, "CheckBox3")->isChecked());
        QVERIFY(!child<QCheckBox>(form, "CheckBox4")->isChecked());
        QVERIFY(!child<QCheckBox>(form, "CheckBox6")->isChecked());
        QVERIFY(child<QRadioButton>(form, "RadioGroup1Item0")->isChecked());
        QCOMPARE(child<QComboBox>(form, "ComboBox1")->currentText(), QStringLiteral("日曜"));
        QCOMPARE(child<QComboBox>(form, "ComboBox2")->currentText(), QStringLiteral("金曜"));
        QCOMPARE(child<QComboBox>(form, "ComboBox2")->count(), 7);
        QCOMPARE(child<QLabel>(form, "Label5")->text(),
                 QStringLiteral("書きだす時の日付の区切り文字 (※現在の設定 ： 2024/05/06 )"));

        QCOMPARE(child<QListWidget>(form, "ListBox1")->count(), 0);
        QVERIFY(!enabled(form, "Button1"));
        QVERIFY(enabled(form, "Button2"));
        QVERIFY(enabled(form, "Button4"));
        QVERIFY(!enabled(form, "EditExt")); // CheckBox4 is off
        QVERIFY(!form.startsHidden());

        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(!child<QPushButton>(form, "Cancel")->isVisible());
        QVERIFY(!child<QRadioButton>(form, "RadioButton1")->isVisible());
        QVERIFY(!child<QRadioButton>(form, "RadioButton2")->isVisible());
        QCOMPARE(form.size(), QSize(625, 777));
        // Centred in the offscreen platform's work area of 800 x 800: (800 - 625) / 2 and (800 - 777) / 2 are
        // halves, each rounded to its even neighbour.
        QCOMPARE(QGuiApplication::primaryScreen()->availableGeometry(), QRect(0, 0, 800, 800));
        QCOMPARE(form.pos(), QPoint(88, 12));
    }

    void restoredSettingsFillTheWindow()
    {
        TempDir dir;
        dir.write("velmora.ini", "[Form]\r\nListBox=/data/a.txt,/data/b.txt\r\nCheckBox2=0\r\nCheckBox4=1\r\n"
                                 "MktCloseYoubi=0x4\r\nRadioGroup1=1\r\nTimeZoneEditValue=-3\r\nLeft=40\r\nTop=30\r\n");
        const FixedClock clock(TestToday);
        TForm1 form(dir.file("velmora.ini"), {}, &clock);

        QCOMPARE(form.registeredFiles(), (QStringList{QStringLiteral("/data/a.txt"), QStringLiteral("/data/b.txt")}));
        QVERIFY(enabled(form, "Button1"));
        for (const char* name : {"Edit4", "Edit5", "ComboBox1", "ComboBox2"}) {
            QVERIFY2(!enabled(form, name), name);
        }
        QVERIFY(enabled(form, "EditExt"));
        QCOMPARE(child<QComboBox>(form, "ComboBox2")->currentText(), QStringLiteral("木曜"));
        QVERIFY(child<QRadioButton>(form, "RadioGroup1Item1")->isChecked());
        QCOMPARE(text(form, "Edit6"), QStringLiteral("-3"));
        QCOMPARE(form.pos(), QPoint(40, 30));
    }

    void clickRulesSurviveTheBusyLock()
    {
        TempDir dir;
        TForm1 form(dir.file("velmora.ini"));
        auto* checkBox2 = child<QCheckBox>(form, "CheckBox2");
        auto* checkBox4 = child<QCheckBox>(form, "CheckBox4");

        checkBox2->setChecked(false);
        checkBox4->setChecked(true);
        QVERIFY(!enabled(form, "Edit4") && !enabled(form, "ComboBox1"));
        QVERIFY(enabled(form, "EditExt"));

        form.SetControlsEnabled(false);
        QVERIFY(form.isBusy());
        QVERIFY(!enabled(form, "Edit1") && !enabled(form, "ListBox1") && !enabled(form, "Memo1"));
        QVERIFY(!enabled(form, "Button1") && !enabled(form, "Button5") && !enabled(form, "Label5"));
        QVERIFY(enabled(form, "Cancel"));

        form.SetControlsEnabled(true);
        QVERIFY(!form.isBusy());
        QVERIFY(enabled(form, "Edit1") && enabled(form, "Button1") && enabled(form, "EditExt"));
        QVERIFY(!enabled(form, "Edit4") && !enabled(form, "Edit5"));
        QVERIFY(!enabled(form, "ComboBox1") && !enabled(form, "ComboBox2"));
        QVERIFY(!enabled(form, "Cancel"));

        checkBox4->setChecked(false);
        QVERIFY(!enabled(form, "EditExt"));
    }

    void commandLineWordsAreComparedExactly_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<bool>("hidden");
        QTest::newRow("auto") << QStringLiteral("auto") << true;
        QTest::newRow("edit") << QStringLiteral("edit") << true;
        QTest::newRow("AUTO") << QStringLiteral("AUTO") << false;
        QTest::newRow("Edit") << QStringLiteral("Edit") << false;
        QTest::newRow("auto with blank") << QStringLiteral("auto ") << false;
        QTest::newRow("none") << QString() << false;
    }

    void commandLineWordsAreComparedExactly()
    {
        QFETCH(QString, argument);
        QFETCH(bool, hidden);
        TempDir dir;
        TForm1 form(dir.file("velmora.ini"), argument);
        QCOMPARE(form.startsHidden(), hidden);
        QCOMPARE(form.firstArgument(), argument);
    }

    void resizingWidensTheUpperFramesAndStopsAtTheMinimum()
    {
        TempDir dir;
        TForm1 form(dir.file("velmora.ini"));
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const int frame1 = child<QFrame>(form, "Bevel1")->width();
        const int frame2 = child<QFrame>(form, "Bevel2")->width();
        const int edit1 = child<QLineEdit>(form, "Edit1")->width();
        const int frame3 = child<QFrame>(form, "Bevel3")->width();

        form.resize(form.width() + 100, form.height());
        QTRY_COMPARE(child<QFrame>(form, "Bevel1")->width(), frame1 + 100);
        QCOMPARE(child<QFrame>(form, "Bevel2")->width(), frame2 + 100);
        QCOMPARE(child<QLineEdit>(form, "Edit1")->width(), edit1 + 100);
        QCOMPARE(child<QFrame>(form, "Bevel3")->width(), frame3);

        form.resize(400, 300);
        // 565 before the special frame had its second row of buttons.
        QTRY_COMPARE(form.size(), QSize(625, 595));
    }

    void destructionSavesSectionFormOnly()
    {
        TempDir dir;
        const std::string others = "[Form2]\r\nCheckList=USDJPY\r\n[Summer]\r\nCheckBox1=1\r\n";
        dir.write("velmora.ini", others);
        {
            TForm1 form(dir.file("velmora.ini"));
            child<QLineEdit>(form, "Edit1")->setText(QStringLiteral("15, 30"));
            child<QCheckBox>(form, "CheckBox6")->setChecked(true);
            child<QComboBox>(form, "ComboBox1")->setCurrentIndex(1);
            child<QLineEdit>(form, "Edit7")->setText(QStringLiteral("3"));
            QCOMPARE(readBytes(dir.file("velmora.ini")), others); // nothing is written while the program runs
        }
        const IniFile file(dir.file("velmora.ini"));
        const FormSettings saved = loadFormSettings(file);
        QCOMPARE(saved.minute, std::string("15, 30"));
        QVERIFY(saved.checkBox6);
        QCOMPARE(saved.mktOpenYoubi, 1);
        QCOMPARE(saved.dateCsvField, 3);
        QCOMPARE(saved.width, 625);
        QCOMPARE(file.readString("Form2", "CheckList", ""), std::string("USDJPY"));
        QVERIFY(file.readBool("Summer", "CheckBox1", false));
    }

    void separatorBoxRefusesAMultiByteCharacter()
    {
        TempDir dir;
        const FixedClock clock(TestToday);
        TForm1 form(dir.file("velmora.ini"), {}, &clock);
        auto* box = child<QLineEdit>(form, "EditDateS");

        box->setText(QStringLiteral("-"));
        QCOMPARE(child<QLabel>(form, "Label5")->text(),
                 QStringLiteral("書きだす時の日付の区切り文字 (※現在の設定 ： 2024-05-06 )"));

        QString shown;
        const ModalAnswer answer(QStringLiteral("Message"), [&](QWidget* message) {
            shown = qobject_cast<QMessageBox*>(message)->text();
            qobject_cast<QMessageBox*>(message)->accept();
        });
        box->setText(QStringLiteral("／"));
        QVERIFY(answer.answered());
        QCOMPARE(shown, QStringLiteral("／ は、日付の区切り文字には使用できません"));
        QCOMPARE(box->text(), QStringLiteral("-"));
    }

    // The progress bar stands at x = 100 and moves right only for a status text that would run under it.
    void theProgressBarStandsAtItsPlaceUnlessTheStatusIsLonger_data()
    {
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("longer");
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("a count") << QStringLiteral("3") << false;
        QTest::newRow("a job") << QStringLiteral("5分足 1/2") << false;
        QTest::newRow("a long job") << QStringLiteral("EURUSD_1min_2009_full_year.txt を 1440分足に変換中 (2/4)")
                                    << true;
    }

    void theProgressBarStandsAtItsPlaceUnlessTheStatusIsLonger()
    {
        QFETCH(QString, status);
        QFETCH(bool, longer);
        TempDir dir;
        TForm1 form(dir.file("velmora.ini"));
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const auto* bar = child<QProgressBar>(form, "ProgressBar1");
        // A drop of three files shows their count.
        const QStringList files{fromPath(dir.write("a.txt", "x\r\n")), fromPath(dir.write("b.txt", "y\r\n")),
                                fromPath(dir.write("c.txt", "z\r\n"))};
        form.RegisterDroppedFiles(files);
        QCOMPARE(form.statusText(), QStringLiteral("3"));
        QCOMPARE(bar->x(), TForm1::ProgressBarX);

        form.setStatusText(status);
        const int textWidth = child<QStatusBar>(form, "StatusBar1")->fontMetrics().horizontalAdvance(status);
        QCOMPARE(bar->x() > TForm1::ProgressBarX, longer);
        QVERIFY(bar->x() >= std::max(TForm1::ProgressBarX, textWidth));
    }

    // The two spin boxes are saved as their text, as typed, like every other box.
    void spinBoxesAreSavedAsTyped_data()
    {
        QTest::addColumn<QString>("timeZone");
        QTest::addColumn<QString>("dateField");
        QTest::newRow("numbers") << QStringLiteral("-3") << QStringLiteral("2");
        QTest::newRow("leading zero and sign") << QStringLiteral("+09") << QStringLiteral("03");
        QTest::newRow("not numbers") << QStringLiteral("abc") << QStringLiteral("");
        QTest::newRow("beyond the spin range") << QStringLiteral("250") << QStringLiteral("0");
    }

    void spinBoxesAreSavedAsTyped()
    {
        QFETCH(QString, timeZone);
        QFETCH(QString, dateField);
        TempDir dir;
        {
            TForm1 form(dir.file("velmora.ini"));
            child<QLineEdit>(form, "Edit6")->setText(timeZone);
            child<QLineEdit>(form, "Edit7")->setText(dateField);
        }
        const IniFile file(dir.file("velmora.ini"));
        QCOMPARE(QString::fromStdString(file.readString("Form", "TimeZoneEditValue", "?")), timeZone);
        QCOMPARE(QString::fromStdString(file.readString("Form", "DateCsvField", "?")), dateField);
        // Each key keeps its place in the writing order.
        const std::string bytes = readBytes(dir.file("velmora.ini"));
        QVERIFY(bytes.find("MktCloseTime=") < bytes.find("TimeZoneEditValue="));
        QVERIFY(bytes.find("DateCsvField=") < bytes.find("EditExt="));
    }

    void linkageWindowLooksForTheDownloadTool()
    {
        TempDir dir;
        const auto previous = std::filesystem::current_path();
        dir.write("velmora.ini", "[Form2]\r\nEdit1.Text=60\r\n");
        std::filesystem::current_path(dir.path());
        {
            const TForm2 withoutTool(dir.file("velmora.ini"));
            QVERIFY(!withoutTool.downloadToolFound());
            dir.write("Quenbry.exe", "");
            const TForm2 withTool(dir.file("velmora.ini"));
            QVERIFY(withTool.downloadToolFound());
            QCOMPARE(withTool.linkageSettings()->edit1Text, std::string("60"));
        }
        std::filesystem::current_path(previous);
        // The section read is written back whole: the key stored keeps its place, the others follow.
        QCOMPARE(readBytes(dir.file("velmora.ini")),
                 std::string("[Form2]\r\nEdit1.Text=60\r\nCheckList=\r\nRadioGroup1=0\r\n"));
    }

    // Last: the translations stay installed for the rest of the program.
    void qtDialogsReadInJapanese()
    {
        QVERIFY2(installQtJapaneseTranslations(*QCoreApplication::instance()),
                 "Qt's translations are missing: scripts/setup.sh installs qt6-translations-l10n");
        TempDir dir;
        TForm1 form(dir.file("velmora.ini"));
        const auto* buttons = child<QFileDialog>(form, "OpenDialog1")->findChild<QDialogButtonBox*>();
        QVERIFY(buttons != nullptr);
        QCOMPARE(buttons->button(QDialogButtonBox::Open)->text(), QStringLiteral("開く(&O)"));
        QCOMPARE(buttons->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("キャンセル"));

        QString cancel;
        const ModalAnswer answer(QStringLiteral("CancelQuestion"), [&](QWidget* question) {
            QAbstractButton* button = qobject_cast<QMessageBox*>(question)->button(QMessageBox::Cancel);
            cancel = button->text();
            button->click();
        });
        form.CancelClick();
        QVERIFY(answer.answered());
        QCOMPARE(cancel, QStringLiteral("キャンセル"));
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
