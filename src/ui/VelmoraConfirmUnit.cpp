#include "ui/VelmoraConfirmUnit.h"

#include "ui/QtText.h"

#include <QFileDialog>
#include <QLabel>
#include <QPushButton>

#include <cmath>

namespace velmora {

namespace {

/// Half the difference, rounded to the nearest integer with halves going to the even neighbour.
int centredOffset(int outer, int inner)
{
    return static_cast<int>(std::nearbyint((outer - inner) / 2.0));
}

} // namespace

TConfirmForm::TConfirmForm(QWidget* centreOver, QWidget* parent) : QDialog(parent), m_centreOver(centreOver)
{
    setObjectName(QStringLiteral("ConfirmForm"));
    setWindowTitle(QStringLiteral("上書き確認"));
    setFixedSize(293, 123);
    setModal(true);

    Label1 = new QLabel(QStringLiteral("上書き保存しますか？"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(8, 16);
    Label1->resize(277, 34);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    Button1 = new QPushButton(QStringLiteral("上書き"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(8, 56, 75, 25);
    Button2 = new QPushButton(QStringLiteral("別名で保存"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(104, 56, 75, 25);
    Button3 = new QPushButton(QStringLiteral("中止"), this);
    Button3->setObjectName(QStringLiteral("Button3"));
    Button3->setGeometry(200, 56, 75, 25);
    for (QPushButton* button : {Button1, Button2, Button3}) {
        button->setAutoDefault(false);
    }

    connect(Button1, &QPushButton::clicked, this, &TConfirmForm::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TConfirmForm::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TConfirmForm::Button3Click);

    // The save dialog asks before replacing a file (QFileDialog's default); Qt's own dialog keeps it the same
    // on every platform and lets the window tests answer it.
    SaveDialog1 = new QFileDialog(this);
    SaveDialog1->setObjectName(QStringLiteral("SaveDialog1"));
    SaveDialog1->setAcceptMode(QFileDialog::AcceptSave);
    SaveDialog1->setFileMode(QFileDialog::AnyFile);
    SaveDialog1->setOptions(QFileDialog::DontUseNativeDialog);
}

OverwriteReply TConfirmForm::ask(const OverwriteQuestion& question)
{
    const QString name = qText(question.outputName);
    Label1->setText(name + QStringLiteral(" は既に存在しています\n上書きして宜しいですか？"));
    Button1->setText(QStringLiteral("上書き保存"));
    Button3->move(200, 56);
    Button2->setVisible(true);

    SaveDialog1->setDirectory(qPath(question.proposedPath.parent_path()));
    SaveDialog1->selectFile(qPath(question.proposedPath.filename()));
    m_chosenPath.clear();

    switch (exec()) {
    case ResultOverwrite:
        return {OverwriteAnswer::Overwrite, {}};
    case ResultSaveAs:
        return {OverwriteAnswer::SaveAs, stdPath(m_chosenPath)};
    default:
        return {OverwriteAnswer::Skip, {}};
    }
}

void TConfirmForm::reject()
{
    done(ResultSkip);
}

void TConfirmForm::showEvent(QShowEvent* event)
{
    if (m_centreOver != nullptr) {
        const QRect outer = m_centreOver->frameGeometry();
        const QRect own = frameGeometry();
        move(outer.left() + centredOffset(outer.width(), own.width()),
             outer.top() + centredOffset(outer.height(), own.height()));
    }
    QDialog::showEvent(event);
}

void TConfirmForm::Button1Click()
{
    done(ResultOverwrite);
}

void TConfirmForm::Button2Click()
{
    // Cancelling the save dialog leaves the question open.
    if (SaveDialog1->exec() != QDialog::Accepted || SaveDialog1->selectedFiles().isEmpty()) {
        return;
    }
    m_chosenPath = SaveDialog1->selectedFiles().constFirst();
    done(ResultSaveAs);
}

void TConfirmForm::Button3Click()
{
    done(ResultSkip);
}

} // namespace velmora
