#include "support/TempDir.h"
#include "support/WindowTestSupport.h"
#include "ui/FileRegistration.h"
#include "ui/VelmoraMainUnit.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QUrl>
#include <QtTest>

using namespace velmora;
using namespace velmora::test;

namespace {

/// Drops the files on the widget the way the desktop shell's drop reaches a window: to the nearest widget
/// that takes drops, entered first.
void drop(QWidget* widget, const std::vector<std::filesystem::path>& files)
{
    QWidget* target = widget;
    while (!target->acceptDrops() && !target->isWindow()) {
        target = target->parentWidget();
    }
    QMimeData data;
    QList<QUrl> urls;
    for (const auto& file : files) {
        urls.append(QUrl::fromLocalFile(fromPath(file)));
    }
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) {
        return;
    }
    QDropEvent event(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

QStringList logRows(const TForm1& form)
{
    return form.findChild<QPlainTextEdit*>(QStringLiteral("Memo1"))->toPlainText().split(QLatin1Char('\n'));
}

QWidget* memoViewport(const TForm1& form)
{
    return form.findChild<QPlainTextEdit*>(QStringLiteral("Memo1"))->viewport();
}

QStringList paths(const std::vector<std::filesystem::path>& files)
{
    QStringList list;
    for (const auto& file : files) {
        list.append(fromPath(file));
    }
    return list;
}

} // namespace

class RegistrationTest : public QObject
{
    Q_OBJECT

private slots:
    void previewLines_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        const auto row = [](const char* name, QByteArray bytes, QStringList lines) {
            QTest::newRow(name) << bytes << lines;
        };
        row("CR LF", "a\r\nb\r\nc\r\nd\r\n", {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
        row("one line", "only", {QStringLiteral("only"), QString(), QString()});
        row("empty", "", {QString(), QString(), QString()});
        // A line runs to the first CR or LF; the next begins after the next LF.
        row("lone CR", "a\rx\nb\nc", {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
        row("Shift-JIS", "\x93\xfa\x95\x74,\x8e\x9e\x8d\x8f\r\n1\r\n",
            {QStringLiteral("日付,時刻"), QStringLiteral("1"), QString()});
        row("UTF-8", "日付,時刻\n", {QStringLiteral("日付,時刻"), QString(), QString()});
        row("UTF-8 with a byte-order mark", "\xEF\xBB\xBF日付,時刻\n",
            {QStringLiteral("日付,時刻"), QString(), QString()});
    }

    void previewLines()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        TempDir dir;
        const auto file = dir.write("source.txt", std::string(bytes.constData(), static_cast<size_t>(bytes.size())));
        QStringList shown;
        for (const std::string& line : readPreviewLines(file)) {
            shown.append(displayText(line));
        }
        QCOMPARE(shown, lines);
    }

    void droppingThreeFilesRegistersThemInOrder()
    {
        TempDir dir;
        const std::vector<std::filesystem::path> files{dir.write("a_1min.txt", "a1\r\na2\r\na3\r\na4\r\n"),
                                                       dir.write("b_1min.txt", "b1\r\n"),
                                                       dir.write("c_1min.txt", "c1\r\n")};
        TForm1 form(dir.file("velmora.ini"));
        QVERIFY(!form.findChild<QWidget*>(QStringLiteral("Button1"))->isEnabled());

        drop(memoViewport(form), files);

        QCOMPARE(form.registeredFiles(), paths(files));
        QCOMPARE(form.statusText(), QStringLiteral("3"));
        QCOMPARE(logRows(form), (QStringList{QStringLiteral("a1"), QStringLiteral("a2"), QStringLiteral("a3"),
                                             QStringLiteral("...以下省略")}));
        QVERIFY(form.findChild<QWidget*>(QStringLiteral("Button1"))->isEnabled());
        QVERIFY(!form.isBusy());
        QVERIFY(form.listScrollExtent() > 0);

        // A later drop appends, and the preview shows the list's first entry again.
        drop(form.findChild<QWidget*>(QStringLiteral("Edit1")), {files[2]});
        QCOMPARE(form.registeredFiles(), paths(files) << fromPath(files[2]));
        QCOMPARE(logRows(form).constFirst(), QStringLiteral("a1"));

        // Clearing leaves the log and "実行" as they were.
        form.ClearFileList();
        QVERIFY(form.registeredFiles().isEmpty());
        QCOMPARE(form.listScrollExtent(), 0);
        QCOMPARE(logRows(form).constLast(), QStringLiteral("...以下省略"));
        QVERIFY(form.findChild<QWidget*>(QStringLiteral("Button1"))->isEnabled());
    }

    void dropsWhileBusyAreRefused()
    {
        TempDir dir;
        const auto file = dir.write("a.txt", "a\n");
        TForm1 form(dir.file("velmora.ini"));
        form.SetControlsEnabled(false);
        drop(memoViewport(form), {file});
        QVERIFY(form.registeredFiles().isEmpty());
        QVERIFY(form.isBusy());
        form.SetControlsEnabled(true);
    }

    void aPreviewThatCannotBeReadIsReported()
    {
        TempDir dir;
        const auto missing = dir.file("gone.txt");
        TForm1 form(dir.file("velmora.ini"));
        QString shown;
        const ModalAnswer answer(QStringLiteral("Message"), [&](QWidget* message) {
            shown = qobject_cast<QMessageBox*>(message)->text();
            qobject_cast<QMessageBox*>(message)->accept();
        });

        drop(memoViewport(form), {missing});

        QCOMPARE(shown, QStringLiteral("ファイルが見つかりません"));
        QCOMPARE(form.registeredFiles(), QStringList{fromPath(missing)});
        QVERIFY(!logRows(form).contains(QStringLiteral("...以下省略")));
        QVERIFY(!form.isBusy());
        QVERIFY(form.findChild<QWidget*>(QStringLiteral("Button1"))->isEnabled());
    }

    void openingAFilePreviewsThatFile()
    {
        TempDir dir;
        const auto first = dir.write("first.txt", "f1\n");
        const auto opened = dir.write("opened.txt", "o1\no2\n");
        TForm1 form(dir.file("velmora.ini"));
        form.RegisterDroppedFiles({fromPath(first)});

        const ModalAnswer answer(QStringLiteral("OpenDialog1"), [&](QWidget* dialog) {
            auto* open = qobject_cast<QFileDialog*>(dialog);
            // Typed as the user would: the dialog's list loads its folder in the background.
            open->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(fromPath(opened));
            static_cast<QDialog*>(open)->accept();
        });
        form.OpenAndRegisterFile();

        QCOMPARE(form.registeredFiles(), (QStringList{fromPath(first), fromPath(opened)}));
        QCOMPARE(logRows(form),
                 (QStringList{QStringLiteral("o1"), QStringLiteral("o2"), QString(), QStringLiteral("... 以下省略")}));

        // Cancelling the dialog changes nothing.
        const ModalAnswer cancel(QStringLiteral("OpenDialog1"),
                                 [](QWidget* dialog) { qobject_cast<QDialog*>(dialog)->reject(); });
        form.OpenAndRegisterFile();
        QCOMPARE(form.registeredFiles().size(), 2);
        QCOMPARE(logRows(form).constLast(), QStringLiteral("... 以下省略"));
    }
};

QTEST_MAIN(RegistrationTest)
#include "RegistrationTest.moc"
