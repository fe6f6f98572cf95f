#include "ui/VelmoraConfirmUnit.h"

#include "ui/QtText.h"

#include <QFileDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>

#include <algorithm>
#include <cmath>

namespace velmora {

namespace {

/// Half the difference, rounded to the nearest integer with halves going to the even neighbour.
int centredOffset(int outer, int inner)
{
    return static_cast<int>(std::nearbyint((outer - inner) / 2.0));
}

constexpr int LabelTop = 16;
constexpr int LabelWidth = 277;
constexpr int LabelBuiltInHeight = 34;
constexpr int ButtonsBelowLabel = 6;

/// The text broken into lines no wider than `width`: at the given line breaks and, where a line is still too
/// wide, between characters. A file name has no blank where a word wrap could break it.
QString wrapAnywhere(const QString& text, const QFontMetrics& metrics, int width)
{
    QStringList lines;
    const QStringList paragraphs = text.split(QLatin1Char('\n'));
    for (const QString& paragraph : paragraphs) {
        QString line;
        for (const QChar character : paragraph) {
            if (!line.isEmpty() && metrics.horizontalAdvance(line + character) > width) {
                lines.append(line);
                line.clear();
            }
            line.append(character);
        }
        lines.append(line);
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

TConfirmForm::TConfirmForm(QWidget* centreOver, QWidget* parent) : QDialog(parent), m_centreOver(centreOver)
{
    setObjectName(QStringLiteral("ConfirmForm"));
    setWindowTitle(QStringLiteral("上書き確認"));
    setFixedSize(BuiltInWidth, BuiltInHeight);
    setModal(true);

    Label1 = new QLabel(QStringLiteral("上書き保存しますか？"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(8, LabelTop);
    Label1->resize(LabelWidth, LabelBuiltInHeight);
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

OverwriteReply TConfirmForm::ask(const OverwriteQuestion& question, QWidget* centreOver)
{
    fitQuestion(qText(question.outputName));
    Button1->setText(QStringLiteral("上書き保存"));
    Button2->setVisible(true);
    m_centreOverNow = centreOver;

    SaveDialog1->setDirectory(qPath(question.proposedPath.parent_path()));
    SaveDialog1->selectFile(qPath(question.proposedPath.filename()));
    m_chosenPath.clear();

    const int result = exec();
    m_centreOverNow = nullptr;
    switch (result) {
    case ResultOverwrite:
        return {OverwriteAnswer::Overwrite, {}};
    case ResultSaveAs:
        return {OverwriteAnswer::SaveAs, stdPath(m_chosenPath)};
    default:
        return {OverwriteAnswer::Skip, {}};
    }
}

void TConfirmForm::fitQuestion(const QString& name)
{
    // A long name wraps, and the dialog grows downwards to show the whole question; it keeps its width, and
    // a name that fits leaves the dialog as built.
    const QString question = name + QStringLiteral(" は既に存在しています\n上書きして宜しいですか？");
    const QFontMetrics metrics(Label1->font());
    const QString wrapped = wrapAnywhere(question, metrics, LabelWidth);
    Label1->setText(wrapped == question ? question : wrapped);
    const int lines = static_cast<int>(wrapped.count(QLatin1Char('\n'))) + 1;
    const int labelHeight = lines <= 2 ? LabelBuiltInHeight : lines * metrics.lineSpacing();
    Label1->resize(LabelWidth, labelHeight);
    const int buttonsTop = LabelTop + labelHeight + ButtonsBelowLabel;
    for (QPushButton* button : {Button1, Button2, Button3}) {
        button->move(button->x(), buttonsTop);
    }
    setFixedSize(BuiltInWidth, BuiltInHeight + (buttonsTop - (LabelTop + LabelBuiltInHeight + ButtonsBelowLabel)));
}

void TConfirmForm::reject()
{
    done(ResultSkip);
}

void TConfirmForm::showEvent(QShowEvent* event)
{
    QWidget* over = m_centreOverNow != nullptr && m_centreOverNow->isVisible() ? m_centreOverNow : m_centreOver;
    if (over != nullptr) {
        const QRect outer = over->frameGeometry();
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
