#include "support/TempDir.h"
#include "support/WindowTestSupport.h"
#include "ui/VelmoraConfirmUnit.h"

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
        QCOMPARE(proposed, QStringList{fromPath(dir.file("EURUSD_5min(new).txt"))});
        QCOMPARE(reply.answer, OverwriteAnswer::SaveAs);
        QCOMPARE(reply.saveAsPath, dir.file("EURUSD_5min(new).txt"));
        QCOMPARE(confirm.result(), TConfirmForm::ResultSaveAs);
    }
};

QTEST_MAIN(ConfirmFormTest)
#include "ConfirmFormTest.moc"
