#include "engine/run/ConversionRun.h"
#include "engine/run/RunRequestFromSettings.h"
#include "engine/settings/DaylightRules.h"
#include "engine/settings/SettingsKeys.h"
#include "platform/IniFile.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"
#include "ui/VelmoraSummerUnit.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

using namespace velmora;

namespace {

QString q(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

/// Waits for the next modal window to open and hands it to the action; answers nothing when none opens.
class ModalDriver : public QObject
{
public:
    explicit ModalDriver(std::function<void(QWidget*)> action) : m_action(std::move(action))
    {
        QTimer::singleShot(0, this, [this] { poll(); });
    }
    bool done = false;

private:
    void poll()
    {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            done = true;
            m_action(modal);
            return;
        }
        // Long enough for the rules dialog to list every zone of the database, slow under Wine.
        if (++m_tries < 3000) {
            QTimer::singleShot(10, this, [this] { poll(); });
        }
    }
    std::function<void(QWidget*)> m_action;
    int m_tries = 0;
};

/// Answers the next message box with OK and keeps its text.
class MessageCatcher : public ModalDriver
{
public:
    MessageCatcher()
        : ModalDriver([this](QWidget* modal) {
              if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                  text = box->text();
                  box->accept();
              }
          })
    {
    }
    QString text;
};

struct Rows
{
    QStringList starts;
    QStringList ends;
    QStringList shifts;
};

} // namespace

class SummerDialogTest : public QObject
{
    Q_OBJECT

private:
    template <class T> static T* find(const QWidget& dialog, const char* name)
    {
        auto* widget = dialog.findChild<T*>(QLatin1String(name));
        if (widget == nullptr) {
            qFatal("no control %s", name);
        }
        return widget;
    }
    static QListWidget* list(const TSummer& dialog, int number)
    {
        const QByteArray name = "ListBox" + QByteArray::number(number);
        return find<QListWidget>(dialog, name.constData());
    }
    static QStringList texts(const QListWidget* list)
    {
        QStringList result;
        for (int i = 0; i < list->count(); ++i) {
            result << list->item(i)->text();
        }
        return result;
    }
    static Rows rows(const TSummer& dialog)
    {
        return {texts(list(dialog, 1)), texts(list(dialog, 2)), texts(list(dialog, 3))};
    }
    static QList<int> currentRows(const TSummer& dialog)
    {
        return {list(dialog, 1)->currentRow(), list(dialog, 2)->currentRow(), list(dialog, 3)->currentRow()};
    }
    static void type(const TSummer& dialog, const QString& start, const QString& end, const QString& shift)
    {
        find<QLineEdit>(dialog, "Edit1")->setText(start);
        find<QLineEdit>(dialog, "Edit2")->setText(end);
        find<QLineEdit>(dialog, "Edit3")->setText(shift);
    }
    static void click(const TSummer& dialog, const char* button) { find<QPushButton>(dialog, button)->click(); }
    static void writeRows(const std::filesystem::path& ini, bool enabled, std::vector<std::string> starts,
                          std::vector<std::string> ends, std::vector<std::string> shifts)
    {
        IniFile file(ini);
        saveSummerSettings(file, {enabled, std::move(starts), std::move(ends), std::move(shifts)});
        file.save();
    }

private slots:
    void addingRefusesEachFaultWithItsMessageAndAddsNothing()
    {
        struct Case
        {
            QString start, end, shift, message;
        };
        const QList<Case> cases = {
            {{},
             QStringLiteral("2008/11/02 2:00"),
             QStringLiteral("60"),
             QStringLiteral("開始日時が空白です。設定してください")},
            {QStringLiteral("2008/03/09 2:00"),
             {},
             QStringLiteral("60"),
             QStringLiteral("終了日時が空白です。設定してください")},
            {QStringLiteral("x"), QStringLiteral("y"), {}, QStringLiteral("ずらす量が空白です。設定してください")},
            {QStringLiteral("2008/13/09"), QStringLiteral("2008/11/02"), QStringLiteral("60"),
             QStringLiteral("2008/13/09 は日時の形式として読み込めません")},
            {QStringLiteral("2008/03/09 2:00"), QStringLiteral("2008-11-02 2:00"), QStringLiteral("60"),
             QStringLiteral("2008-11-02 2:00 は日時の形式として読み込めません")},
            {QStringLiteral("2008/03/09 2:00"), QStringLiteral("2008/11/02 2:00"), QStringLiteral("6\\13\\100"),
             QStringLiteral("6\\13\\100 は、ずらす量として保存できません (改行や \\13\\10 を含んでいます)")},
        };
        test::TempDir dir;
        TSummer dialog(dir.file("velmora.ini"));
        find<QCheckBox>(dialog, "CheckBox1")->setChecked(true);
        for (const auto& c : cases) {
            type(dialog, c.start, c.end, c.shift);
            MessageCatcher catcher;
            click(dialog, "Button1");
            QCOMPARE(catcher.text, c.message);
            QCOMPARE(list(dialog, 1)->count() + list(dialog, 2)->count() + list(dialog, 3)->count(), 0);
            QCOMPARE(find<QLineEdit>(dialog, "Edit1")->text(), c.start); // the fields keep what was typed
            QCOMPARE(find<QLineEdit>(dialog, "Edit3")->text(), c.shift);
        }
    }

    void enterAddsRowsWrittenWithSlashAndColonAndKeepsTheDialogOpen()
    {
        test::TempDir dir;
        TSummer dialog(dir.file("velmora.ini"));
        find<QCheckBox>(dialog, "CheckBox1")->setChecked(true);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));

        type(dialog, QStringLiteral("2008/3/9 2:00"), QStringLiteral(" 2008/11/02 02:00:30 "), QStringLiteral("abc"));
        QTest::keyClick(find<QLineEdit>(dialog, "Edit2"), Qt::Key_Return);
        type(dialog, QStringLiteral("2009/03/08"), QStringLiteral("2009/11/01 0:00"), QStringLiteral("-60"));
        QTest::keyClick(find<QLineEdit>(dialog, "Edit3"), Qt::Key_Enter);

        QVERIFY(dialog.isVisible());
        const Rows added = rows(dialog);
        QCOMPARE(added.starts, QStringList({QStringLiteral("2008/03/09 2:00:00"), QStringLiteral("2009/03/08")}));
        QCOMPARE(added.ends, QStringList({QStringLiteral("2008/11/02 2:00:30"), QStringLiteral("2009/11/01")}));
        QCOMPARE(added.shifts, QStringList({QStringLiteral("abc"), QStringLiteral("-60")}));
        for (const char* edit : {"Edit1", "Edit2", "Edit3"}) {
            QVERIFY(find<QLineEdit>(dialog, edit)->text().isEmpty());
        }
        QCOMPARE(dialog.focusWidget(), find<QLineEdit>(dialog, "Edit1"));
    }

    void selectingDeletingAndMovingActOnTheSameRowOfAllLists()
    {
        test::TempDir dir;
        const auto ini = dir.file("velmora.ini");
        writeRows(ini, true, {"a1", "b1", "c1"}, {"a2", "b2", "c2"}, {"a3", "b3", "c3"});
        TSummer dialog(ini);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(currentRows(dialog), QList<int>({-1, -1, -1}));

        // Without a selection every button leaves the rows alone.
        for (const char* button : {"Button3", "Button4", "Button5"}) {
            click(dialog, button);
        }
        QCOMPARE(rows(dialog).starts, QStringList({QStringLiteral("a1"), QStringLiteral("b1"), QStringLiteral("c1")}));

        QListWidget* shifts = list(dialog, 3);
        QTest::mouseClick(shifts->viewport(), Qt::LeftButton, {}, shifts->visualItemRect(shifts->item(1)).center());
        QCOMPARE(currentRows(dialog), QList<int>({1, 1, 1}));

        click(dialog, "Button4"); // up
        QCOMPARE(rows(dialog).starts, QStringList({QStringLiteral("b1"), QStringLiteral("a1"), QStringLiteral("c1")}));
        QCOMPARE(rows(dialog).ends, QStringList({QStringLiteral("b2"), QStringLiteral("a2"), QStringLiteral("c2")}));
        QCOMPARE(rows(dialog).shifts, QStringList({QStringLiteral("b3"), QStringLiteral("a3"), QStringLiteral("c3")}));
        QCOMPARE(currentRows(dialog), QList<int>({0, 0, 0}));
        click(dialog, "Button4"); // the first row stays first
        QCOMPARE(rows(dialog).shifts, QStringList({QStringLiteral("b3"), QStringLiteral("a3"), QStringLiteral("c3")}));

        list(dialog, 2)->setCurrentRow(2);
        QCOMPARE(currentRows(dialog), QList<int>({2, 2, 2}));
        click(dialog, "Button5"); // the last row stays last
        QCOMPARE(rows(dialog).ends, QStringList({QStringLiteral("b2"), QStringLiteral("a2"), QStringLiteral("c2")}));
        list(dialog, 1)->setCurrentRow(0);
        click(dialog, "Button5"); // down
        QCOMPARE(rows(dialog).ends, QStringList({QStringLiteral("a2"), QStringLiteral("b2"), QStringLiteral("c2")}));
        QCOMPARE(currentRows(dialog), QList<int>({1, 1, 1}));

        click(dialog, "Button3"); // delete b
        const Rows left = rows(dialog);
        QCOMPARE(left.starts, QStringList({QStringLiteral("a1"), QStringLiteral("c1")}));
        QCOMPARE(left.ends, QStringList({QStringLiteral("a2"), QStringLiteral("c2")}));
        QCOMPARE(left.shifts, QStringList({QStringLiteral("a3"), QStringLiteral("c3")}));
        QCOMPARE(currentRows(dialog), QList<int>({-1, -1, -1}));
    }

    void theFlagEnablesTheTableControlsButNotSave()
    {
        test::TempDir dir;
        const auto ini = dir.file("velmora.ini");
        writeRows(ini, false, {"2008/03/09 2:00:00"}, {"2008/11/02 2:00:00"}, {"60"});
        TSummer dialog(ini);
        const char* const followers[] = {"Label1", "Label2", "Label3",  "ListBox1", "ListBox2", "ListBox3", "Edit1",
                                         "Edit2",  "Edit3",  "Button1", "Button3",  "Button4",  "Button5",  "Button7"};
        auto* flag = find<QCheckBox>(dialog, "CheckBox1");
        for (const bool on : {false, true, false}) {
            if (flag->isChecked() != on) {
                flag->click();
            }
            for (const char* name : followers) {
                QVERIFY2(find<QWidget>(dialog, name)->isEnabled() == on, name);
            }
            QVERIFY(find<QPushButton>(dialog, "Button6")->isEnabled());
            QCOMPARE(dialog.rowsForRun().enabled, on);
        }
        QCOMPARE(flag->text(), QStringLiteral("夏時間の設定を有効にする"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("夏時間の設定"));
    }

    void saveWritesTheSectionAndARestartReadsItBack()
    {
        test::TempDir dir;
        const auto ini = dir.write("velmora.ini", "[Form]\r\nminute=15\r\n");
        {
            TSummer dialog(ini);
            find<QCheckBox>(dialog, "CheckBox1")->setChecked(true);
            type(dialog, QStringLiteral("2008/03/09 2:00"), QStringLiteral("2008/11/02 2:00"), QStringLiteral("60"));
            click(dialog, "Button1");
            type(dialog, QStringLiteral("2009/03/08 2:00"), QStringLiteral("2009/11/01 2:00"), QStringLiteral("-30"));
            click(dialog, "Button1");
            dialog.open();
            click(dialog, "Button6");
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QVERIFY(!dialog.isVisible());

            const IniFile file(ini);
            QCOMPARE(q(file.readString("Summer", "OpenListBox", "")),
                     QStringLiteral("2008/03/09 2:00:00\\13\\102009/03/08 2:00:00"));
            QCOMPARE(q(file.readString("Summer", "GapListBox", "")), QStringLiteral("60\\13\\10-30"));
            QCOMPARE(q(file.readString("Summer", "CheckBox1", "")), QStringLiteral("1"));
            QCOMPARE(q(file.readString("Form", "minute", "")), QStringLiteral("15")); // other sections kept
        }
        TSummer restarted(ini);
        const SummerRows loaded = restarted.rowsForRun();
        QVERIFY(loaded.enabled);
        QCOMPARE(loaded.starts, (std::vector<std::string>{"2008/03/09 2:00:00", "2009/03/08 2:00:00"}));
        QCOMPARE(loaded.ends, (std::vector<std::string>{"2008/11/02 2:00:00", "2009/11/01 2:00:00"}));
        QCOMPARE(loaded.shifts, (std::vector<std::string>{"60", "-30"}));
        QVERIFY(find<QLineEdit>(restarted, "Edit1")->text().isEmpty());
    }

    void aSaveThatFailsIsShownInABoxBySaveAndAtTheEnd()
    {
        test::TempDir dir;
        const auto ini = dir.file("missing") / "velmora.ini";
        const QString expected = q(ini.string()) + QStringLiteral(" に書き込めません");
        auto dialog = std::make_unique<TSummer>(ini);
        dialog->open();
        {
            MessageCatcher message;
            click(*dialog, "Button6");
            QVERIFY(message.done);
            QCOMPARE(message.text, expected);
            QVERIFY(dialog->isVisible()); // the rows are still only in memory
        }
        MessageCatcher message;
        dialog.reset();
        QVERIFY(message.done);
        QCOMPARE(message.text, expected);
    }

    void rowsSavedWithTheFlagOffComeBackDisabled()
    {
        test::TempDir dir;
        const auto ini = dir.file("velmora.ini");
        {
            TSummer dialog(ini);
            find<QCheckBox>(dialog, "CheckBox1")->setChecked(true);
            type(dialog, QStringLiteral("2008/03/09 2:00"), QStringLiteral("2008/11/02 2:00"), QStringLiteral("60"));
            click(dialog, "Button1");
            find<QCheckBox>(dialog, "CheckBox1")->setChecked(false);
            click(dialog, "Button6");
        }
        TSummer restarted(ini);
        QVERIFY(!find<QCheckBox>(restarted, "CheckBox1")->isChecked());
        QCOMPARE(list(restarted, 1)->count(), 1);
        QVERIFY(!list(restarted, 1)->isEnabled());
    }

    void anEmptiedListStaysEmptyAfterARestart()
    {
        // Once by "保存", once by the save at exit.
        for (const bool bySaveButton : {true, false}) {
            test::TempDir dir;
            const auto ini = dir.file("velmora.ini");
            writeRows(ini, true, {"2008/03/09 2:00:00", "2009/03/08 2:00:00"},
                      {"2008/11/02 2:00:00", "2009/11/01 2:00:00"}, {"60", "60"});
            {
                TSummer dialog(ini);
                for (int i = 0; i < 2; ++i) {
                    list(dialog, 1)->setCurrentRow(0);
                    click(dialog, "Button3");
                }
                QCOMPARE(list(dialog, 3)->count(), 0);
                if (bySaveButton) {
                    click(dialog, "Button6");
                }
            }
            TSummer restarted(ini);
            const SummerRows loaded = restarted.rowsForRun();
            QVERIFY(loaded.starts.empty() && loaded.ends.empty() && loaded.shifts.empty());
            QVERIFY(loaded.enabled);
        }
    }

    void theRulesAidFillsRowsTheUserCanStillEdit()
    {
        if (daylightZones().empty()) {
            QSKIP("the rules come from the zone database, which this build has not");
        }
        test::TempDir dir;
        const auto ini = dir.file("velmora.ini");
        writeRows(ini, true, {"2000/01/01"}, {"2000/01/02"}, {"5"});
        TSummer dialog(ini);

        ModalDriver driver([](QWidget* modal) {
            modal->findChild<QComboBox*>(QStringLiteral("RegimeBox"))->setCurrentIndex(0);
            modal->findChild<QSpinBox*>(QStringLiteral("FirstYearEdit"))->setValue(2007);
            modal->findChild<QSpinBox*>(QStringLiteral("LastYearEdit"))->setValue(2009);
            modal->findChild<QSpinBox*>(QStringLiteral("ShiftEdit"))->setValue(60);
            modal->findChild<QSpinBox*>(QStringLiteral("UtcOffsetEdit"))->setValue(0);
            qobject_cast<QDialog*>(modal)->accept();
        });
        click(dialog, "Button7");
        QVERIFY(driver.done);
        const Rows filled = rows(dialog);
        QCOMPARE(filled.starts,
                 QStringList({QStringLiteral("2000/01/01"), QStringLiteral("2007/03/11 7:00:00"),
                              QStringLiteral("2008/03/09 7:00:00"), QStringLiteral("2009/03/08 7:00:00")}));
        QCOMPARE(filled.ends,
                 QStringList({QStringLiteral("2000/01/02"), QStringLiteral("2007/11/04 6:00:00"),
                              QStringLiteral("2008/11/02 6:00:00"), QStringLiteral("2009/11/01 6:00:00")}));
        QCOMPARE(filled.shifts,
                 QStringList({QStringLiteral("5"), QStringLiteral("60"), QStringLiteral("60"), QStringLiteral("60")}));

        list(dialog, 1)->setCurrentRow(2);
        click(dialog, "Button3");
        QCOMPARE(rows(dialog).ends, QStringList({QStringLiteral("2000/01/02"), QStringLiteral("2007/11/04 6:00:00"),
                                                 QStringLiteral("2009/11/01 6:00:00")}));

        // A request the rules cannot serve says why and adds nothing.
        MessageCatcher catcher;
        QVERIFY(!dialog.fillFromRules({DaylightRegime::EuropeanUnion, 1990, 1991, 60, 0}));
        QCOMPARE(catcher.text,
                 QStringLiteral("EU (ロンドン、フランクフルトなど) の規則は 1996 年以降について入力できます"));
        QCOMPARE(list(dialog, 2)->count(), 3);
    }

    void theRulesAidOffersEveryZoneOfTheDatabase()
    {
        if (daylightZones().empty()) {
            QSKIP("the rules come from the zone database, which this build has not");
        }
        test::TempDir dir;
        TSummer dialog(dir.file("velmora.ini"));
        find<QCheckBox>(dialog, "CheckBox1")->setChecked(true);
        int listed = 0;
        ModalDriver driver([&listed](QWidget* modal) {
            auto* zones = modal->findChild<QComboBox*>(QStringLiteral("RegimeBox"));
            listed = zones->count();
            // The regimes listed before keep their places at the top.
            QCOMPARE(zones->itemText(0), QStringLiteral("米国 東部時間 (ニューヨーク)"));
            zones->setCurrentIndex(zones->findText(QStringLiteral("Australia/Sydney")));
            modal->findChild<QSpinBox*>(QStringLiteral("FirstYearEdit"))->setValue(2021);
            modal->findChild<QSpinBox*>(QStringLiteral("LastYearEdit"))->setValue(2022);
            modal->findChild<QSpinBox*>(QStringLiteral("UtcOffsetEdit"))->setValue(10);
            qobject_cast<QDialog*>(modal)->accept();
        });
        click(dialog, "Button7");
        QVERIFY(driver.done);
        QVERIFY(listed > 300);
        const Rows filled = rows(dialog);
        QCOMPARE(filled.starts,
                 QStringList({QStringLiteral("2021/10/03 2:00:00"), QStringLiteral("2022/10/02 2:00:00")}));
        QCOMPARE(filled.ends,
                 QStringList({QStringLiteral("2022/04/03 2:00:00"), QStringLiteral("2023/04/02 2:00:00")}));
    }

    void aTableSavedByTheDialogServesTheRunOfTheSettingsFile()
    {
        test::TempDir dir;
        const auto ini = dir.file("velmora.ini");
        const auto source = dir.write("EURUSD_1min_2008.txt", "2008/03/09,06:55,1.0,1.0,1.0,1.0\r\n"
                                                              "2008/03/09,07:00,2.0,2.0,2.0,2.0\r\n"
                                                              "2008/03/09,07:10,3.0,3.0,3.0,3.0\r\n");
        {
            IniFile file(ini);
            FormSettings form;
            form.minute = "5";
            form.checkBox1 = false; // no flat bars for empty buckets
            form.checkBox2 = false; // no market window
            form.listBox = {source.string()};
            saveFormSettings(file, form);
            file.save();
        }
        {
            TSummer dialog(ini);
            find<QCheckBox>(dialog, "CheckBox1")->setChecked(true);
            type(dialog, QStringLiteral("2008/03/09 7:00"), QStringLiteral("2008/03/09 7:10"), QStringLiteral("60"));
            click(dialog, "Button1");
            click(dialog, "Button6");
        }
        const IniFile file(ini);
        const RunRequest request = runRequestFromSettings(loadRunSections(file));
        QVERIFY(request.summer.enabled);
        QCOMPARE(request.summer.starts, std::vector<std::string>{"2008/03/09 7:00:00"});
        QCOMPARE(request.summer.ends, std::vector<std::string>{"2008/03/09 7:10:00"});
        QCOMPARE(request.summer.shifts, std::vector<std::string>{"60"});

        test::RecordingHost host;
        FixedClock clock({2026, 1, 1});
        RunState state;
        ConversionRun run(host, clock, state);
        QCOMPARE(int(run.execute(request)), int(RunOutcome::Completed));
        // The bar at the period's start moves an hour; the one before it and the one at its end do not.
        QCOMPARE(q(test::readBytes(dir.file("EURUSD_5min_2008.txt"))),
                 QStringLiteral("2008/03/09,06:55:00,1.0,1.0,1.0,1.0\r\n"
                                "2008/03/09,08:00:00,2.0,2.0,2.0,2.0\r\n"
                                "2008/03/09,07:10:00,3.0,3.0,3.0,3.0\r\n"));
    }

    void placementFollowsTheMainWindowAndTheResizeRule()
    {
        test::TempDir dir;
        QWidget main;
        main.setGeometry(100, 80, 625, 777);
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        TSummer dialog(dir.file("velmora.ini"), &main);
        dialog.resize(540, 500);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QRect outer = main.frameGeometry();
        const QRect own = dialog.frameGeometry();
        QVERIFY(qAbs(own.center().x() - outer.center().x()) <= 1);
        QVERIFY(qAbs(own.center().y() - outer.center().y()) <= 1);

        const int w = 100; // (540 - 40) / 5
        QCOMPARE(list(dialog, 1)->geometry(), QRect(8, list(dialog, 1)->y(), 2 * w, 500 - 210));
        QCOMPARE(list(dialog, 2)->geometry().left(), 2 * w + 16);
        QCOMPARE(list(dialog, 3)->geometry(), QRect(4 * w + 24, list(dialog, 1)->y(), w, 500 - 210));
        QCOMPARE(find<QLabel>(dialog, "Label3")->x(), 4 * w + 30);
        QCOMPARE(find<QLineEdit>(dialog, "Edit2")->geometry().top(), list(dialog, 2)->geometry().bottom() + 1 + 8);
        QCOMPARE(find<QPushButton>(dialog, "Button4")->y(),
                 find<QPushButton>(dialog, "Button1")->geometry().bottom() + 1 + 8);
    }
};

QTEST_MAIN(SummerDialogTest)
#include "SummerDialogTest.moc"
