#include "cli/CliTestData.h"
#include "engine/settings/SettingsKeys.h"
#include "platform/IniFile.h"
#include "support/TempDir.h"
#include "support/WindowTestSupport.h"
#include "ui/VelmoraMainUnit.h"
#include "ui/VelmoraUnit2.h"

#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QtTest>

#include <algorithm>

using namespace velmora;
using namespace velmora::test;
namespace fs = std::filesystem;

namespace {

/// A download tool's folder made the current directory for the test's lifetime, with the program's settings
/// file beside it.
struct ToolTree
{
    TempDir dir;
    QString previous = QDir::currentPath();
    fs::path settings = dir.file("velmora.ini");

    explicit ToolTree(std::string_view velmoraIni)
    {
        dir.write("Quenbry.exe", "");
        dir.write("velmora.ini", velmoraIni);
        QDir::setCurrent(fromPath(dir.path()));
    }
    ~ToolTree() { QDir::setCurrent(previous); }
    ToolTree(const ToolTree&) = delete;
    ToolTree& operator=(const ToolTree&) = delete;

    fs::path instrument(std::string_view currency) const { return dir.path() / "HistoricalData" / currency; }
    void source(std::string_view currency, std::string_view bytes = SundayOpen) const
    {
        writeFile(instrument(currency) / "1min" / ("1min_" + std::string(currency) + "_2009.txt"), bytes);
    }
    /// The instrument folders in the order the directory listing gives them; files are no instruments.
    QStringList listing() const
    {
        QStringList names;
        for (const auto& entry : fs::directory_iterator(dir.path() / "HistoricalData")) {
            if (entry.is_directory()) {
                names.append(QString::fromStdString(entry.path().filename().string()));
            }
        }
        return names;
    }
};

template <class T> T* child(const QWidget& window, const char* name)
{
    return window.findChild<T*>(QString::fromLatin1(name));
}

/// What a batch must leave of the main window as it found it.
struct MainState
{
    QStringList files;
    QString timeframes;
    bool startLabelling;
    bool minuteKind;

    explicit MainState(const TForm1& form)
        : files(form.registeredFiles()), timeframes(child<QLineEdit>(form, "Edit1")->text()),
          startLabelling(child<QRadioButton>(form, "RadioGroup1Item0")->isChecked()),
          minuteKind(child<QRadioButton>(form, "RadioButton1")->isChecked())
    {
    }
    bool operator==(const MainState&) const = default;
};

QStringList logRows(const TForm1& form)
{
    return child<QPlainTextEdit>(form, "Memo1")->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

class LinkageWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void creationReadsTheToolAndItsSectionAndLaysOutByListLength()
    {
        ToolTree tree("[Form2]\r\nCheckList=EURUSDUSDJPY\r\nEdit1.Text=60, 1440\r\nRadioGroup1=1\r\n");
        for (const auto name : {"USDJPY", "GBPUSD", "EURUSD", "AUDUSD"}) {
            fs::create_directories(tree.instrument(name));
        }
        writeFile(tree.instrument("notes.txt"), "a file is no instrument");
        TForm1 form1(tree.settings);
        TForm2 form2(tree.settings, &form1);

        QVERIFY(form2.downloadToolFound());
        QCOMPARE(form2.windowTitle(), QStringLiteral("Quenbry 連携モード"));
        QCOMPARE(form2.folderNames(), (QStringList{QStringLiteral("AUDUSD"), QStringLiteral("EURUSD"),
                                                   QStringLiteral("GBPUSD"), QStringLiteral("USDJPY")}));
        QCOMPARE(form2.checkedFolders(), (QStringList{QStringLiteral("EURUSD"), QStringLiteral("USDJPY")}));
        QCOMPARE(child<QLineEdit>(form2, "Edit1")->text(), QStringLiteral("60, 1440"));
        QVERIFY(child<QRadioButton>(form2, "RadioGroup1Item1")->isChecked());
        QCOMPARE(child<QPushButton>(form2, "Button1")->text(), QStringLiteral("実行"));
        QVERIFY(!child<QPushButton>(form2, "Button2")->isHidden());

        const auto* list = child<QListWidget>(form2, "CheckListBox1");
        QCOMPARE(list->height(), 4 * 15 + 5);
        const int label2 = child<QLabel>(form2, "Label2")->y();
        QCOMPARE(label2, list->y() + list->height() + 16);
        QCOMPARE(child<QLabel>(form2, "Label3")->y(), label2 + 16);
        QCOMPARE(child<QLineEdit>(form2, "Edit1")->y(), label2 + 32);
        QCOMPARE(child<QGroupBox>(form2, "RadioGroup1")->y(), label2 + 72);
        QCOMPARE(child<QPushButton>(form2, "Button1")->y(), label2 + 144);
        QCOMPARE(child<QPushButton>(form2, "Button2")->y(), label2 + 144);
    }

    void aClickAnywhereOnALineFlipsItsMarkOnce()
    {
        ToolTree tree("");
        fs::create_directories(tree.instrument("EURUSD"));
        TForm1 form1(tree.settings);
        TForm2 form2(tree.settings, &form1);
        form2.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form2));
        auto* list = child<QListWidget>(form2, "CheckListBox1");
        const QRect line = list->visualItemRect(list->item(0));

        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, line.center());
        QCOMPARE(form2.checkedFolders(), QStringList{QStringLiteral("EURUSD")});
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(line.left() + 8, line.center().y()));
        QCOMPARE(form2.checkedFolders(), QStringList{});
        QTest::keyClick(list, Qt::Key_Space);
        QCOMPARE(form2.checkedFolders(), QStringList{QStringLiteral("EURUSD")});
    }

    void batchConvertsTheCheckedFoldersAndLeavesTheMainWindowAsItWas()
    {
        ToolTree tree("[Form]\r\nListBox=/data/a_1min_2009.txt,/data/b_1min_2009.txt\r\nminute=15\r\nRadioGroup1=1\r\n"
                      "[Form2]\r\nCheckList=USDJPYEURUSD\r\n");
        for (const auto currency : {"USDJPY", "EURUSD", "GBPUSD"}) {
            tree.source(currency);
        }
        TForm1 form1(tree.settings);
        TForm2 form2(tree.settings, &form1);
        const MainState before(form1);
        QVERIFY(!before.startLabelling);
        QSignalSpy linkageStatus(child<QStatusBar>(form2, "StatusBar1"), &QStatusBar::messageChanged);
        QSignalSpy mainStatus(child<QStatusBar>(form1, "StatusBar1"), &QStatusBar::messageChanged);

        child<QPushButton>(form2, "Button1")->click();

        for (const auto currency : {"USDJPY", "EURUSD"}) {
            const std::string stem = std::string("_") + currency + "_2009.txt";
            QCOMPARE(readBytes(tree.instrument(currency) / "5min" / ("5min" + stem)), defaultFiveMinuteBars());
            for (const char* folder : {"1hour", "4hour", "Daily"}) {
                QCOMPARE(readBytes(tree.instrument(currency) / folder / (folder + stem)), wholeQuarterHourBar());
            }
        }
        QVERIFY(!fs::exists(tree.instrument("GBPUSD") / "5min"));
        QVERIFY(MainState(form1) == before);
        QVERIFY(!form1.linkageRunning());
        // The jobs show in the linkage window, the window the user sees; both end with the completion text.
        const auto seen = [](const QSignalSpy& spy, const QString& text) {
            return std::any_of(spy.begin(), spy.end(), [&](const QList<QVariant>& args) { return args[0] == text; });
        };
        QVERIFY(seen(linkageStatus, QStringLiteral("EURUSD Day 処理中 4 / 4")));
        QVERIFY(!seen(mainStatus, QStringLiteral("EURUSD Day 処理中 4 / 4")));
        QCOMPARE(form2.statusText(), QStringLiteral("処理が完了しました"));
        QCOMPARE(form1.statusText(), QStringLiteral("処理が完了しました"));
        QVERIFY(child<QPushButton>(form2, "Button1")->isEnabled());
        QVERIFY(child<QListWidget>(form2, "CheckListBox1")->isEnabled());

        // Nothing new: every job is up to date and skipped without a line in the log.
        child<QPushButton>(form2, "Button1")->click();
        const QStringList rows = logRows(form1);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.front(), QStringLiteral("処理が完了しました"));
        QVERIFY(MainState(form1) == before);
    }

    void anErrorStopsTheBatchShowsItsMessageAndKeepsTheWindowOpen()
    {
        ToolTree tree("[Form]\r\nListBox=/data/a_1min_2009.txt\r\n[Form2]\r\nCheckList=EURUSD\r\nEdit1.Text=5\r\n");
        tree.source("EURUSD", "2009.01.04,17:00,1.3000,1.3005,1.2995,1.3001\r\n"
                              "2009.01.04,17:01,1.3001,high,1.3000,1.3008\r\n");
        TForm1 form1(tree.settings, QStringLiteral("auto"));
        TForm2 form2(tree.settings, &form1);
        QVERIFY(form2.autoMode());
        const MainState before(form1);
        QSignalSpy ended(&form2, &TForm2::programEndRequested);

        QString shown;
        const ModalAnswer answer(QStringLiteral("Message"), [&](QWidget* message) {
            shown = qobject_cast<QMessageBox*>(message)->text();
            qobject_cast<QMessageBox*>(message)->accept();
        });
        form2.startLinkageMode();

        QVERIFY(answer.answered());
        QCOMPARE(shown, QStringLiteral("'high' は浮動小数点数ではありません"));
        QCOMPARE(ended.count(), 0);
        QVERIFY(form2.isVisible());
        QVERIFY(!form1.isVisible());
        QVERIFY(MainState(form1) == before);
        QVERIFY(!form1.linkageRunning());
        QVERIFY(child<QPushButton>(form2, "Button1")->isEnabled());
        QVERIFY(child<QLineEdit>(form2, "Edit1")->isEnabled());

        // Mended, the same batch completes and ends the program.
        tree.source("EURUSD");
        form2.hide();
        form2.startLinkageMode();
        QCOMPARE(ended.count(), 1);
        QCOMPARE(readBytes(tree.instrument("EURUSD") / "5min" / "5min_EURUSD_2009.txt"), defaultFiveMinuteBars());
    }

    void closingDuringABatchCancelsItAndEndsOnceItHasStopped()
    {
        ToolTree tree("[Form2]\r\nCheckList=USDJPYEURUSD\r\nEdit1.Text=5\r\n");
        tree.source("USDJPY");
        tree.source("EURUSD");
        TForm1 form1(tree.settings, QStringLiteral("auto"));
        TForm2 form2(tree.settings, &form1);
        QSignalSpy ended(&form2, &TForm2::programEndRequested);
        bool closed = false;
        connect(child<QStatusBar>(form2, "StatusBar1"), &QStatusBar::messageChanged, &form2, [&] {
            if (!closed && form2.batchRunning()) {
                closed = true;
                form2.close();
            }
        });

        form2.startLinkageMode();
        QVERIFY(closed);
        QCOMPARE(logRows(form1).back(), QStringLiteral("処理を中断しました"));
        // The first folder's run was the last: the folder after it was never started.
        QVERIFY(!fs::exists(tree.instrument("USDJPY") / "5min"));
        QTRY_VERIFY(!form2.isVisible());
        QVERIFY(ended.count() >= 1);
        QVERIFY(!form1.linkageRunning());
    }

    void editModeSavesAndEndsWithoutConverting()
    {
        ToolTree tree("");
        tree.source("EURUSD");
        TForm1 form1(tree.settings, QStringLiteral("edit"));
        auto form2 = std::make_unique<TForm2>(tree.settings, &form1);
        QSignalSpy ended(form2.get(), &TForm2::programEndRequested);

        QVERIFY(form2->editMode());
        QCOMPARE(form2->windowTitle(), QStringLiteral("1min以外のファイル作成設定"));
        QCOMPARE(child<QPushButton>(*form2, "Button1")->text(), QStringLiteral("設定を保存"));
        form2->startLinkageMode();
        QVERIFY(form2->isVisible());
        QVERIFY(!child<QPushButton>(*form2, "Button2")->isVisible());

        child<QListWidget>(*form2, "CheckListBox1")->setCurrentRow(0);
        form2->CheckListBox1Click();
        child<QLineEdit>(*form2, "Edit1")->setText(QStringLiteral("15, 30"));
        child<QRadioButton>(*form2, "RadioGroup1Item1")->setChecked(true);
        child<QPushButton>(*form2, "Button1")->click();
        QCOMPARE(ended.count(), 1);
        QVERIFY(!fs::exists(tree.instrument("EURUSD") / "5min"));

        form2.reset();
        const Form2Settings saved = loadForm2Settings(IniFile(tree.settings));
        QCOMPARE(saved.checkList, std::string("EURUSD"));
        QCOMPARE(saved.edit1Text, std::string("15, 30"));
        QCOMPARE(saved.radioGroup1, LinkageOverwrite::Always);
    }

    void backToTheMainWindowAndClosing()
    {
        ToolTree tree("");
        TForm1 form1(tree.settings);
        TForm2 form2(tree.settings, &form1);
        QSignalSpy ended(&form2, &TForm2::programEndRequested);
        form2.show();
        QCOMPARE(form2.width(), form1.width());
        QCOMPARE(form2.height(), child<QPushButton>(form2, "Button1")->y() + TForm2::ButtonHeight + 64);
        form2.resize(700, form2.height());

        child<QPushButton>(form2, "Button2")->click();
        QVERIFY(form1.isVisible());
        QVERIFY(!form2.isVisible());
        QCOMPARE(form1.width(), 700);
        QCOMPARE(ended.count(), 0);

        form2.show();
        form2.close();
        QCOMPARE(ended.count(), 1);
    }

    void withoutTheToolTheSectionIsNeitherReadNorWritten()
    {
        TempDir dir;
        const QString previous = QDir::currentPath();
        QDir::setCurrent(fromPath(dir.path()));
        const std::string stored = "[Form2]\r\nCheckList=EURUSD\r\nEdit1.Text=60\r\n";
        dir.write("velmora.ini", stored);
        {
            TForm1 form1(dir.file("velmora.ini"), QStringLiteral("auto"));
            TForm2 form2(dir.file("velmora.ini"), &form1);
            QVERIFY(!form2.downloadToolFound());
            QVERIFY(!form2.RunLinkageBatch().has_value());
            form2.startLinkageMode();
            QVERIFY(!form2.isVisible());
            child<QLineEdit>(form2, "Edit1")->setText(QStringLiteral("15"));
        }
        QDir::setCurrent(previous);
        QVERIFY(readBytes(dir.file("velmora.ini")).starts_with(stored));
    }
};

QTEST_MAIN(LinkageWindowTest)
#include "LinkageWindowTest.moc"
