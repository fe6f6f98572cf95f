#include "support/TempDir.h"
#include "support/WindowTestSupport.h"
#include "ui/VelmoraConfirmUnit.h"

#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include <cmath>

using namespace velmora;
using namespace velmora::test;

namespace {

OverwriteQuestion questionIn(const TempDir& dir)
{
    dir.write("EURUSD_5min.txt", "old");
    return {"EURUSD_5min.txt", dir.file("EURUSD_5min.txt"), dir.file("EURUSD_5min(new).txt")};
}

} // namespace

class ConfirmFormTest : public QObject
{
    Q_OBJECT

private slots:
    void showsTheQuestionCentredOverTheMainWindow()
    {
        TempDir dir;
        QWidget main;
        main.setGeometry(100, 50, 625, 777);
        TConfirmForm confirm(&main);
        QCOMPARE(confirm.windowTitle(), QStringLiteral("上書き確認"));
        QCOMPARE(confirm.size(), QSize(293, 123));
        QVERIFY(!confirm.saveDialog()->testOption(QFileDialog::DontConfirmOverwrite));

        QString question;
        QString overwriteCaption;
        QRect frame;
        const ModalAnswer answer(QStringLiteral("ConfirmForm"), [&](QWidget* dialog) {
            question = dialog->findChild<QLabel*>(QStringLiteral("Label1"))->text();
            overwriteCaption = dialog->findChild<QPushButton*>(QStringLiteral("Button1"))->text();
            frame = dialog->frameGeometry();
            clickChild(dialog, QStringLiteral("Button1"));
        });
        const OverwriteReply reply = confirm.ask(questionIn(dir));

        QCOMPARE(reply.answer, OverwriteAnswer::Overwrite);
        QCOMPARE(question, QStringLiteral("EURUSD_5min.txt は既に存在しています\n上書きして宜しいですか？"));
        QCOMPARE(overwriteCaption, QStringLiteral("上書き保存"));
        // Its frame is centred over the main window's, halves going to the even neighbour.
        QCOMPARE(frame.left(), 100 + static_cast<int>(std::nearbyint((625 - frame.width()) / 2.0)));
        QCOMPARE(frame.top(), 50 + static_cast<int>(std::nearbyint((777 - frame.height()) / 2.0)));
    }

    void skipAndTheFrameCloseBothSkip_data()
    {
        QTest::addColumn<bool>("closeFrame");
        QTest::newRow("中止") << false;
        QTest::newRow("frame close") << true;
    }

    void skipAndTheFrameCloseBothSkip()
    {
        QFETCH(bool, closeFrame);
        TempDir dir;
        TConfirmForm confirm;
        const ModalAnswer answer(QStringLiteral("ConfirmForm"), [closeFrame](QWidget* dialog) {
            if (closeFrame) {
                dialog->close();
            } else {
                clickChild(dialog, QStringLiteral("Button3"));
            }
        });
        QCOMPARE(confirm.ask(questionIn(dir)).answer, OverwriteAnswer::Skip);
        QCOMPARE(confirm.result(), TConfirmForm::ResultSkip);
    }

    void saveAsProposesTheNewNameAndCancellingKeepsTheQuestion()
    {
        TempDir dir;
        TConfirmForm confirm;
        QStringList proposed;
        bool stillOpenAfterCancel = false;
        const ModalAnswer answer(QStringLiteral("ConfirmForm"), [&](QWidget* dialog) {
            // First cancel the save dialog: the question stays; then save under the proposed name.
            const ModalAnswer cancelSave(QStringLiteral("SaveDialog1"),
                                         [](QWidget* save) { qobject_cast<QDialog*>(save)->reject(); });
            clickChild(dialog, QStringLiteral("Button2"));
            stillOpenAfterCancel = dialog->isVisible();
            const ModalAnswer acceptSave(QStringLiteral("SaveDialog1"), [&](QWidget* save) {
                proposed = qobject_cast<QFileDialog*>(save)->selectedFiles();
                // QFileDialog hides accept(); through QDialog it validates the name as the button does.
                static_cast<QDialog*>(save)->accept();
            });
            clickChild(dialog, QStringLiteral("Button2"));
        });
        const OverwriteReply reply = confirm.ask(questionIn(dir));

        QVERIFY(stillOpenAfterCancel);
        // The file dialog speaks in "/" on every system.
        QCOMPARE(proposed.size(), 1);
        QCOMPARE(QDir::toNativeSeparators(proposed.constFirst()), fromPath(dir.file("EURUSD_5min(new).txt")));
        QCOMPARE(reply.answer, OverwriteAnswer::SaveAs);
        QCOMPARE(reply.saveAsPath, dir.file("EURUSD_5min(new).txt"));
        QCOMPARE(confirm.result(), TConfirmForm::ResultSaveAs);
    }

    // The whole question stays readable whatever the name's length: it wraps, the dialog keeps its width and
    // grows downwards, and the buttons stay below the text.
    void aLongNameWrapsAndTheDialogGrowsDownwards_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("builtInSize");
        QTest::newRow("short") << QStringLiteral("EURUSD_5min.txt") << true;
        QTest::newRow("long, no blank") << QStringLiteral("GBPJPY_5min_2009_full_year_from_broker_download_v2.txt")
                                        << false;
        QTest::newRow("very long") << QStringLiteral("GBPJPY_5min_2009_full_year_").repeated(6) + QStringLiteral(".txt")
                                   << false;
        QTest::newRow("Japanese") << QStringLiteral("ポンド円_5分足_2009年_ブローカー提供の全期間データ_第二版.txt")
                                  << false;
    }

    void aLongNameWrapsAndTheDialogGrowsDownwards()
    {
        QFETCH(QString, name);
        QFETCH(bool, builtInSize);
        TempDir dir;
        QWidget main;
        main.setGeometry(100, 50, 625, 777);
        TConfirmForm confirm(&main);
        const OverwriteQuestion question{name.toStdString(), dir.file(name.toStdString()), dir.file("other.txt")};

        QString shown;
        QSize size;
        QRect label;
        QRect buttons;
        const ModalAnswer answer(QStringLiteral("ConfirmForm"), [&](QWidget* dialog) {
            const auto* text = dialog->findChild<QLabel*>(QStringLiteral("Label1"));
            shown = text->text();
            label = text->geometry();
            for (const char* button : {"Button1", "Button2", "Button3"}) {
                buttons |= dialog->findChild<QPushButton*>(QLatin1String(button))->geometry();
            }
            size = dialog->size();
            // The lines as drawn, none wider than the label.
            const QStringList lines = shown.split(QLatin1Char('\n'));
            for (const QString& line : lines) {
                QVERIFY2(text->fontMetrics().horizontalAdvance(line) <= label.width(), qPrintable(line));
            }
            QVERIFY(lines.size() * text->fontMetrics().lineSpacing() <= label.height());
            clickChild(dialog, QStringLiteral("Button3"));
        });
        QCOMPARE(confirm.ask(question).answer, OverwriteAnswer::Skip);

        const QString whole = name + QStringLiteral(" は既に存在しています\n上書きして宜しいですか？");
        QCOMPARE(QString(shown).remove(QLatin1Char('\n')), QString(whole).remove(QLatin1Char('\n')));
        QCOMPARE(size.width(), 293);
        QVERIFY(buttons.top() > label.bottom());
        QVERIFY(QRect(QPoint(0, 0), size).contains(buttons));
        QCOMPARE(size.height() == 123, builtInSize);
        if (builtInSize) {
            QCOMPARE(shown, whole);
        }
    }

    // During a linkage batch the main window is hidden: the question stands over the window given instead.
    void theQuestionIsCentredOverTheVisibleWindow()
    {
        TempDir dir;
        QWidget hiddenMain;
        hiddenMain.setGeometry(0, 0, 625, 777);
        QWidget linkage;
        linkage.setGeometry(150, 100, 625, 400);
        linkage.show();
        QVERIFY(QTest::qWaitForWindowExposed(&linkage));
        TConfirmForm confirm(&hiddenMain);

        QPoint centre;
        const ModalAnswer answer(QStringLiteral("ConfirmForm"), [&](QWidget* dialog) {
            centre = dialog->frameGeometry().center();
            clickChild(dialog, QStringLiteral("Button3"));
        });
        confirm.ask(questionIn(dir), &linkage);
        QVERIFY((centre - linkage.frameGeometry().center()).manhattanLength() <= 2);
    }
};

QTEST_MAIN(ConfirmFormTest)
#include "ConfirmFormTest.moc"
