// The windows as they meet a screen: where they open, what stays visible at their smallest size, and what a
// long folder list does to the linkage window.

#include "platform/IniFile.h"
#include "support/TempDir.h"
#include "support/WindowTestSupport.h"
#include "ui/VelmoraMainUnit.h"
#include "ui/VelmoraUnit2.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QtTest>

#include <memory>

using namespace velmora;
using namespace velmora::test;
namespace fs = std::filesystem;

namespace {

template <class T> T* child(const QWidget& window, const char* name)
{
    return window.findChild<T*>(QString::fromLatin1(name));
}

QRect screenArea()
{
    return QGuiApplication::primaryScreen()->availableGeometry();
}

/// The download tool's folder, made the current directory while the test runs, with `folders` instrument
/// folders and the program's settings file.
struct ToolFolder
{
    TempDir dir;
    QString previous = QDir::currentPath();
    fs::path settings = dir.file("velmora.ini");

    ToolFolder(std::string_view velmoraIni, const QStringList& folders)
    {
        dir.write("Quenbry.exe", "");
        dir.write("velmora.ini", velmoraIni);
        for (const QString& folder : folders) {
            fs::create_directories(dir.path() / "HistoricalData" / folder.toStdString());
        }
        QDir::setCurrent(fromPath(dir.path()));
    }
    ~ToolFolder() { QDir::setCurrent(previous); }
    ToolFolder(const ToolFolder&) = delete;
    ToolFolder& operator=(const ToolFolder&) = delete;

    QPoint storedPlace() const
    {
        const IniFile file(settings);
        return {file.readInteger("Form", "Left", -1), file.readInteger("Form", "Top", -1)};
    }
};

/// Every visible control of `window` whose caption is cut, or that runs out of the widget holding it.
QStringList clippedControls(const QWidget& window)
{
    QStringList clipped;
    const auto controls = window.findChildren<QWidget*>();
    for (const QWidget* control : controls) {
        // The spin buttons' arrows have no caption.
        if (!control->isVisibleTo(&window) || control->parentWidget() == nullptr ||
            control->parentWidget()->inherits("QStatusBar") || control->inherits("QToolButton")) {
            continue;
        }
        int needed = 0;
        if (const auto* label = qobject_cast<const QLabel*>(control)) {
            needed = label->sizeHint().width();
        } else if (const auto* button = qobject_cast<const QPushButton*>(control)) {
            needed = button->fontMetrics().horizontalAdvance(button->text()) + 4;
        } else if (qobject_cast<const QAbstractButton*>(control) != nullptr) {
            needed = control->sizeHint().width();
        } else if (const auto* group = qobject_cast<const QGroupBox*>(control)) {
            needed = group->fontMetrics().horizontalAdvance(group->title()) + 16;
        } else {
            continue;
        }
        const QRect room = control->parentWidget()->rect();
        if (needed > control->width() || !room.contains(control->geometry())) {
            clipped.append(control->objectName());
        }
    }
    return clipped;
}

} // namespace

class ScreenFitTest : public QObject
{
    Q_OBJECT

private slots:
    // A session of the linkage window opens it where the main window stands and hands its place back on
    // closing; over and over, the stored place must not move.
    void aPlaceComesBackUnchangedFromLinkageSessions_data()
    {
        QTest::addColumn<QPoint>("place");
        QTest::newRow("near the top") << QPoint(40, 30);
        QTest::newRow("lower right") << QPoint(150, 124);
        QTest::newRow("at the corner") << QPoint(0, 0);
    }

    void aPlaceComesBackUnchangedFromLinkageSessions()
    {
        QFETCH(QPoint, place);
        const std::string ini = "[Form]\r\nTop=" + std::to_string(place.y()) + "\r\nLeft=" + std::to_string(place.x()) +
                                "\r\nHeight=500\r\n";
        ToolFolder tool(ini, {QStringLiteral("USDJPY")});
        for (int session = 1; session <= 3; ++session) {
            {
                TForm1 form1(tool.settings, QStringLiteral("edit"));
                TForm2 form2(tool.settings, &form1);
                form2.startLinkageMode();
                QVERIFY(QTest::qWaitForWindowExposed(&form2));
                // The linkage window's frame stands where the main window's stood.
                QTRY_COMPARE(form2.frameGeometry().topLeft(), place);
                form2.close();
            }
            QVERIFY2(tool.storedPlace() == place, qPrintable(QStringLiteral("session %1").arg(session)));
        }
    }

    void aStoredPlaceOffTheScreenIsBroughtOntoIt_data()
    {
        QTest::addColumn<QPoint>("stored");
        QTest::addColumn<QPoint>("expected");
        const QRect area = screenArea();
        const QPoint farCorner(area.right() + 1 - 625, area.bottom() + 1 - 600);
        QTest::newRow("on the screen") << QPoint(40, 30) << QPoint(40, 30);
        QTest::newRow("past the right edge, title bar reachable") << QPoint(600, 30) << QPoint(600, 30);
        QTest::newRow("far right and below") << QPoint(5000, 4000) << farCorner;
        QTest::newRow("above") << QPoint(40, -300) << QPoint(40, area.top());
        QTest::newRow("left of the screen") << QPoint(-700, 30) << QPoint(area.left(), 30);
        QTest::newRow("above and left") << QPoint(-10, -10) << area.topLeft();
    }

    void aStoredPlaceOffTheScreenIsBroughtOntoIt()
    {
        QFETCH(QPoint, stored);
        QFETCH(QPoint, expected);
        TempDir dir;
        dir.write("velmora.ini", "[Form]\r\nTop=" + std::to_string(stored.y()) +
                                     "\r\nLeft=" + std::to_string(stored.x()) + "\r\nHeight=600\r\n");
        const TForm1 form(dir.file("velmora.ini"));
        QCOMPARE(form.pos(), expected);
    }

    void theLinkageWindowOpensInsideTheScreen_data()
    {
        QTest::addColumn<int>("folders");
        QTest::addColumn<int>("mainTop");
        QTest::newRow("60 folders") << 60 << 0;
        QTest::newRow("60 folders, main window low") << 60 << 300;
        QTest::newRow("20 folders, main window low") << 20 << 500;
        QTest::newRow("3 folders") << 3 << 100;
    }

    void theLinkageWindowOpensInsideTheScreen()
    {
        QFETCH(int, folders);
        QFETCH(int, mainTop);
        QStringList names;
        for (int i = folders; i > 0; --i) {
            names.append(QStringLiteral("PAIR%1").arg(i, 2, 10, QLatin1Char('0')));
        }
        ToolFolder tool("[Form]\r\nLeft=0\r\nTop=" + std::to_string(mainTop) + "\r\n[Form2]\r\nCheckList=PAIR01\r\n",
                        names);
        TForm1 form1(tool.settings, QStringLiteral("edit"));
        TForm2 form2(tool.settings, &form1);
        form2.startLinkageMode();
        QVERIFY(QTest::qWaitForWindowExposed(&form2));

        QTRY_VERIFY(screenArea().contains(form2.frameGeometry()));
        const auto* list = child<QListWidget>(form2, "CheckListBox1");
        const auto* button = child<QPushButton>(form2, "Button1");
        QVERIFY(form2.centralWidget()->rect().contains(button->geometry()));
        QVERIFY(button->y() > list->geometry().bottom());
        // Listed by name, whatever order the file system keeps them in.
        names.sort();
        QCOMPARE(form2.folderNames(), names);
        const bool allFit = folders * TForm2::ListLineHeight + 5 <= list->height();
        QCOMPARE(list->verticalScrollBar()->maximum() > 0, !allFit);
        if (!allFit) {
            QVERIFY(list->height() >= TForm2::MinimumListHeight);
        }
    }

    // At every height down to the minimum the upper panel stays whole above the log; the log takes what is
    // left, down to nothing.
    void theUpperPanelStaysWholeAtEveryHeight_data()
    {
        QTest::addColumn<int>("height");
        // The lowest window holds the special frame's second row of buttons (the output-format button).
        for (const int height : {595, 620, 700, 777}) {
            QTest::newRow(qPrintable(QString::number(height))) << height;
        }
    }

    void theUpperPanelStaysWholeAtEveryHeight()
    {
        QFETCH(int, height);
        TempDir dir;
        TForm1 form(dir.file("velmora.ini"));
        form.resize(TForm1::MinimumWidth, height);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTRY_COMPARE(form.size(), QSize(TForm1::MinimumWidth, height));

        const QWidget* central = form.centralWidget();
        const auto* panel = child<QWidget>(form, "Panel1");
        QVERIFY(central->rect().contains(panel->geometry()));
        QList<QWidget*> parts;
        for (const char* name : {"Panel2", "Button1", "Button2", "Button4", "Bevel1", "Bevel2", "Bevel3"}) {
            parts.append(child<QWidget>(form, name));
        }
        for (const QWidget* part : parts) {
            QVERIFY2(panel->rect().contains(part->geometry()), qPrintable(part->objectName()));
            for (const QWidget* other : parts) {
                QVERIFY2(part == other || !part->geometry().intersects(other->geometry()),
                         qPrintable(part->objectName() + QLatin1Char('/') + other->objectName()));
            }
        }
        QVERIFY(child<QListWidget>(form, "ListBox1")->height() >= 36);

        const auto* log = child<QPlainTextEdit>(form, "Memo1");
        const int left = central->height() - panel->height();
        QVERIFY(left >= 0);
        QCOMPARE(log->isVisible() ? log->height() : 0, left);
        if (log->isVisible()) {
            QCOMPARE(log->y(), panel->geometry().bottom() + 1);
        }
        QCOMPARE(clippedControls(form), QStringList());
    }

    void atTheBuiltInSizeTheControlsStandAtTheirPlaces()
    {
        TempDir dir;
        TForm1 form(dir.file("velmora.ini"));
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(child<QWidget>(form, "Button1")->y(), 106);
        QCOMPARE(child<QWidget>(form, "Bevel1")->y(), 144);
        QCOMPARE(child<QWidget>(form, "Bevel2")->y(), 224);
        const int bevel2Bottom = child<QWidget>(form, "Bevel2")->geometry().bottom() + 1;
        QCOMPARE(child<QWidget>(form, "Bevel3")->y(), bevel2Bottom + 15);
        QCOMPARE(child<QListWidget>(form, "ListBox1")->height(), 73);
    }

    void everyCaptionIsReadableAtTheBuiltInSize()
    {
        ToolFolder tool("", {QStringLiteral("USDJPY"), QStringLiteral("EURUSD")});
        TForm1 form1(tool.settings, QStringLiteral("edit"));
        TForm2 form2(tool.settings, &form1);
        form1.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form1));
        QCOMPARE(clippedControls(form1), QStringList());
        form2.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form2));
        QCOMPARE(clippedControls(form2), QStringList());
    }
};

QTEST_MAIN(ScreenFitTest)
#include "ScreenFitTest.moc"
