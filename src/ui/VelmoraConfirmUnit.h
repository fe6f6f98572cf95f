#pragma once

#include "engine/host/RunHost.h"

#include <QDialog>

class QFileDialog;
class QLabel;
class QPushButton;

namespace velmora {

/// The overwrite confirmation "上書き確認": asked when a job's output exists and overwriting without asking
/// is off. Created once at start-up and reused for every question.
class TConfirmForm : public QDialog
{
    Q_OBJECT

public:
    static constexpr int ResultOverwrite = 1;
    static constexpr int ResultSaveAs = 2;
    static constexpr int ResultSkip = 3;

    /// `centreOver` is the window the dialog is centred over when it shows (the main window).
    explicit TConfirmForm(QWidget* centreOver = nullptr, QWidget* parent = nullptr);

    static constexpr int BuiltInWidth = 293;
    static constexpr int BuiltInHeight = 123;

    /// Shows the question modally and returns the answer; with "別名で保存" the path chosen in the save dialog.
    /// The dialog is centred over `centreOver` when given and shown (a linkage batch's window while the main
    /// window is hidden), else over the window given at construction.
    OverwriteReply ask(const OverwriteQuestion& question, QWidget* centreOver = nullptr);

    QFileDialog* saveDialog() const { return SaveDialog1; }

public slots: // NOLINT(readability-redundant-access-specifiers): the moc reads "slots"
    /// The frame's close and Escape count as skip: ending with the platform's cancel result would read as
    /// "save under another name" with no name chosen.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void fitQuestion(const QString& name);

    QWidget* m_centreOver;
    QWidget* m_centreOverNow = nullptr;
    QLabel* Label1;
    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* Button3;
    QFileDialog* SaveDialog1;
    QString m_chosenPath;
};

} // namespace velmora
