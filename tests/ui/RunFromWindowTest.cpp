#include "engine/run/RunRequestFromSettings.h"
#include "platform/IniFile.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"
#include "support/WindowTestSupport.h"
#include "ui/VelmoraConfirmUnit.h"
#include "ui/VelmoraMainUnit.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

using namespace velmora;
using namespace velmora::test;

namespace {

constexpr std::uint32_t HookSeed = 12345;

QWidget* named(const QWidget& window, const char* name)
{
    return window.findChild<QWidget*>(QString::fromLatin1(name));
}

QStringList logRows(const QWidget& window)
{
    return window.findChild<QPlainTextEdit*>(QStringLiteral("Memo1"))->toPlainText().split(QLatin1Char('\n'));
}

/// A settings file whose "Form" section registers the source and sets the options given.
std::filesystem::path writeSettings(const TempDir& dir, const std::filesystem::path& source, std::string options)
{
    return dir.write("velmora.ini", "[Form]\r\nListBox=" + source.string() + "\r\n" + options);
}

} // namespace

class RunFromWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void busyWhileRunningAndIdleAfter()
    {
        TempDir dir;
        const auto source = dir.write("EURUSD_1min_2009.txt", sampleBars(3000));
        const FixedClock clock(TestToday, 77);
        TForm1 form(writeSettings(dir, source, "minute=5\r\nCheckBox2=0\r\n"), {}, &clock);
        form.setHookSeed(HookSeed);

        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QMap<QString, bool> duringRun;
        QTimer::singleShot(0, &form, [&] {
            for (const char* name : {"Button1", "Button2", "Button4", "Button5", "Edit1", "Edit6", "ListBox1", "Memo1",
                                     "CheckBox2", "RadioGroup1", "Label5", "Cancel"}) {
                duringRun[QString::fromLatin1(name)] = named(form, name)->isEnabled();
            }
            duringRun[QStringLiteral("Cancel visible")] = named(form, "Cancel")->isVisible();
        });
        qobject_cast<QPushButton*>(named(form, "Button1"))->click();

        QVERIFY(!duringRun.isEmpty());
        for (auto it = duringRun.cbegin(); it != duringRun.cend(); ++it) {
            const bool expected = it.key().startsWith(QStringLiteral("Cancel"));
            QVERIFY2(it.value() == expected, qPrintable(it.key()));
        }
        QVERIFY(!form.isBusy());
        QVERIFY(named(form, "Button1")->isEnabled() && named(form, "Edit1")->isEnabled());
        QVERIFY(!named(form, "Cancel")->isVisible());
        QVERIFY(!named(form, "Edit4")->isEnabled() && !named(form, "ComboBox2")->isEnabled()); // CheckBox2 off
        QVERIFY(!named(form, "EditExt")->isEnabled());                                         // CheckBox4 off
        QCOMPARE(form.statusText(), QStringLiteral("処理が完了しました"));
        QCOMPARE(logRows(form).mid(logRows(form).size() - 3),
                 (QStringList{QStringLiteral("EURUSD_5min_2009.txt を書き出しました"),
                              QStringLiteral("処理が完了しました"), QStringLiteral("0ms")}));
        QVERIFY(std::filesystem::exists(dir.file("EURUSD_5min_2009.txt")));
    }

    void writesTheSameBytesAsTheHeadlessRun()
    {
        const std::string options = "minute=5.60, 1440\r\nRadioGroup1=1\r\nTimeZoneEditValue=2\r\nDateSeparator=-\r\n"
                                    "ShortTimeFormat=hh:nn\r\nCheckBox4=1\r\nEditExt=csv\r\nMktChangeTime=00:00\r\n";
        const std::vector<std::string> outputs{"EURUSD_5min_2009.csv", "EURUSD_1hour_2009.csv",
                                               "EURUSD_Daily_2009.csv"};
        const FixedClock clock(TestToday);

        TempDir windowDir;
        const auto windowSource = windowDir.write("EURUSD_1min_2009.txt", sampleBars(6000));
        {
            TForm1 form(writeSettings(windowDir, windowSource, options), {}, &clock);
            form.setHookSeed(HookSeed);
            qobject_cast<QPushButton*>(named(form, "Button1"))->click();
            QCOMPARE(form.findChild<QLineEdit*>(QStringLiteral("Edit1"))->text(), QStringLiteral("5,60, 1440"));
        }

        TempDir toolDir;
        const auto toolSource = toolDir.write("EURUSD_1min_2009.txt", sampleBars(6000));
        const IniFile settings(writeSettings(toolDir, toolSource, options));
        const FormSettings form = loadFormSettings(settings);
        RunState state;
        state.kind = barKindFromSettings(form);
        RecordingHost host;
        ConversionRun run(host, clock, state);
        run.setHookSeed(HookSeed);
        QCOMPARE(run.execute(runRequestFromSettings({.form = form, .summer = loadSummerSettings(settings)})),
                 RunOutcome::Completed);

        for (const std::string& name : outputs) {
            const std::string written = readBytes(windowDir.file(name));
            QVERIFY2(!written.empty(), name.c_str());
            QVERIFY2(written == readBytes(toolDir.file(name)), name.c_str());
        }
    }

    void cancelEndsTheRun()
    {
        TempDir dir;
        const auto source = dir.write("EURUSD_1min_2009.txt", sampleBars());
        const FixedClock clock(TestToday);
        TForm1 form(writeSettings(dir, source, "minute=5\r\n"), {}, &clock);
        form.setHookSeed(HookSeed);

        bool asked = false;
        QTimer::singleShot(0, &form, [&] {
            const ModalAnswer answer(QStringLiteral("CancelQuestion"), [&](QWidget* question) {
                asked = question->windowTitle() == QStringLiteral("確認") &&
                        qobject_cast<QMessageBox*>(question)->text() == QStringLiteral("処理をキャンセルしますか？");
                qobject_cast<QMessageBox*>(question)->button(QMessageBox::Ok)->click();
            });
            qobject_cast<QPushButton*>(named(form, "Cancel"))->click();
        });
        form.Button1Click();

        QVERIFY(asked);
        QCOMPARE(logRows(form).constLast(), QStringLiteral("処理を中断しました"));
        QVERIFY(!logRows(form).contains(QStringLiteral("処理が完了しました")));
        QVERIFY(!std::filesystem::exists(dir.file("EURUSD_5min_2009.txt")));
        QCOMPARE(form.statusText(), QStringLiteral("処理が完了しました"));
        QVERIFY(!form.isBusy() && !form.cancelRequested());
        QVERIFY(named(form, "Button1")->isEnabled());
    }

    void closingDuringARunCancelsAndClosesAfterIt()
    {
        TempDir dir;
        const auto source = dir.write("EURUSD_1min_2009.txt", sampleBars());
        const FixedClock clock(TestToday);
        TForm1 form(writeSettings(dir, source, "minute=5\r\n"), {}, &clock);
        form.setHookSeed(HookSeed);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));

        bool closedAtOnce = true;
        QTimer::singleShot(0, &form, [&] {
            const ModalAnswer answer(QStringLiteral("CancelQuestion"), [](QWidget* question) {
                qobject_cast<QMessageBox*>(question)->button(QMessageBox::Ok)->click();
            });
            closedAtOnce = form.close();
        });
        form.Button1Click();

        QVERIFY(!closedAtOnce);
        QCOMPARE(logRows(form).constLast(), QStringLiteral("処理を中断しました"));
        QTRY_VERIFY(!form.isVisible());
    }

    void aBoxRepeatedOnEveryLineIsShownOnceAndCancelStillWorks()
    {
        // The sample with 5,000 day-first lines after its first: each would show the same box.
        const std::string sample = sampleBars();
        const std::size_t firstEnd = sample.find('\n') + 1;
        std::string source = sample.substr(0, firstEnd);
        for (int i = 0; i < 5000; ++i) {
            source += "04.01.2009,17:01,1.3454,1.3459,1.3454,1.3458,91\r\n";
        }
        source += sample.substr(firstEnd);
        TempDir dir;
        const auto file = dir.write("EURUSD_1min_2009.txt", source);
        const FixedClock clock(TestToday);
        TForm1 form(writeSettings(dir, file, "minute=5\r\n"), {}, &clock);
        form.setHookSeed(HookSeed);

        int boxes = 0;
        QTimer watcher;
        QObject::connect(&watcher, &QTimer::timeout, &form, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr || box->objectName() != QStringLiteral("Message") || !box->isVisible()) {
                return;
            }
            ++boxes;
            box->accept();
            // After the box, the cancel button is there to be pressed.
            QTimer::singleShot(0, &form, [&] {
                const ModalAnswer answer(QStringLiteral("CancelQuestion"), [](QWidget* question) {
                    qobject_cast<QMessageBox*>(question)->button(QMessageBox::Ok)->click();
                });
                qobject_cast<QPushButton*>(named(form, "Cancel"))->click();
            });
        });
        watcher.start(10);
        form.Button1Click();
        watcher.stop();

        QCOMPARE(boxes, 1);
        QCOMPARE(logRows(form).constLast(), QStringLiteral("処理を中断しました"));
        QVERIFY(!form.isBusy());
    }

    void anErrorIsShownAndTheWindowTurnsIdle()
    {
        TempDir dir;
        const auto source = dir.write("EURUSD_1min_2009.txt", sampleBars(100));
        TForm1 form(writeSettings(dir, source, ""));
        form.findChild<QLineEdit*>(QStringLiteral("Edit6"))->setText(QStringLiteral("abc"));

        QString shown;
        const ModalAnswer answer(QStringLiteral("Message"), [&](QWidget* message) {
            shown = qobject_cast<QMessageBox*>(message)->text();
            qobject_cast<QMessageBox*>(message)->accept();
        });
        form.Button1Click();

        QCOMPARE(shown, QStringLiteral("'abc' は整数ではありません"));
        QVERIFY(!form.isBusy());
        QVERIFY(named(form, "Edit1")->isEnabled());
        QCOMPARE(form.statusText(), QStringLiteral("処理が完了しました"));
    }

    // The window's user has no command line: the hint names the dialog where the date order is chosen.
    void dayFirstDatesAreHintedAtTheInputLayoutDialog()
    {
        TempDir dir;
        const auto source = dir.write("EURUSD_1min_2022.txt", "30.08.22,10:06,1.0234,1.0236,1.0233,1.0235\r\n"
                                                              "31.08.22,10:06,1.0235,1.0237,1.0234,1.0236\r\n"
                                                              "01.09.22,10:06,1.0236,1.0238,1.0235,1.0237\r\n");
        TForm1 form(writeSettings(dir, source, "minute=5\r\nCheckBox2=0\r\n"));
        form.Button1Click();

        QVERIFY(logRows(form).contains(QStringLiteral("EURUSD_1min_2022.txt の日付は日-月-年の順に見えますが、"
                                                      "年-月-日として読みました（日-月-年で読むには"
                                                      "「入力ファイルの形式」で日付の順を日-月-年にして保存します）")));
    }

    void anExistingOutputIsConfirmed()
    {
        TempDir dir;
        const auto source = dir.write("EURUSD_1min_2009.txt", sampleBars(500));
        dir.write("EURUSD_5min_2009.txt", "old");
        TForm1 form(writeSettings(dir, source, "minute=5\r\n"));
        TConfirmForm confirm(&form, &form);
        form.setConfirmForm(&confirm);

        const ModalAnswer answer(QStringLiteral("ConfirmForm"),
                                 [](QWidget* dialog) { clickChild(dialog, QStringLiteral("Button3")); });
        form.Button1Click();

        QVERIFY(answer.answered());
        QCOMPARE(readBytes(dir.file("EURUSD_5min_2009.txt")), std::string("old"));
        QVERIFY(logRows(form).contains(QStringLiteral("EURUSD_5min_2009.txtの保存をキャンセルします...")));
    }
};

QTEST_MAIN(RunFromWindowTest)
#include "RunFromWindowTest.moc"
