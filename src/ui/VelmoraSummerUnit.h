#pragma once

#include "engine/run/ConversionRun.h"
#include "engine/settings/DaylightRules.h"
#include "engine/settings/SettingsKeys.h"

#include <QDialog>

#include <filesystem>
#include <string>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace velmora {

/// The summer-time dialog "夏時間の設定". Created once at start-up (after the confirmation dialog), opened
/// modally by the main window, and saved to section "Summer" of the settings file by "保存" and when it is
/// destroyed at exit.
///
/// Controls keep their designer names as object names: ListBox1..3 (start, end, shift), Edit1..3, Label1..3
/// (the headings), Button1 "登録", Button3 "選択項目を削除", Button4 "上に移動", Button5 "下に移動",
/// Button6 "保存", CheckBox1, Bevel1 (the frame around the buttons) and Button7, the "fill from rules" aid.
class TSummer : public QDialog
{
    Q_OBJECT

public:
    /// Loads section "Summer" of the settings file.
    explicit TSummer(std::filesystem::path settingsFile, QWidget* parent = nullptr);
    /// Writes section "Summer"; a file that cannot be written is reported in a message box, as the other
    /// windows report theirs.
    ~TSummer() override;

    /// The table as the next run takes it: the enabled flag and the three lists, row by row.
    SummerRows rowsForRun() const;

    /// The flag and the three lists in their stored form.
    SummerSettings settings() const;
    /// Writes section "Summer", every key, so an emptied list clears the stored rows. Throws RunError
    /// ("%s に書き込めません") when the file cannot be written.
    void saveSettings() const;

    /// Appends the rows of the request to the three lists, or shows why the request cannot be filled and
    /// adds nothing. Returns whether rows were added.
    bool fillFromRules(const DaylightRequest& request);

    // Handlers, named after control and event.
    void Button1Click(); ///< "登録"
    void Button3Click(); ///< "選択項目を削除"
    void Button4Click(); ///< "上に移動"
    void Button5Click(); ///< "下に移動"
    void Button6Click(); ///< "保存"
    void Button7Click(); ///< "規則から入力…": asks for a regime and years in a small modal dialog
    void CheckBox1Click();
    void Edit1KeyDown(); ///< Enter in any of the three edit fields
    void ListBoxClick(int row);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void loadSettings();
    void applyEnabled();
    void layoutControls();
    void selectRow(int row);
    int selectedRow() const;
    void appendRow(const std::string& start, const std::string& end, const std::string& shift);
    void swapRows(int upper);
    void showMessage(const QString& text);

    std::filesystem::path m_settingsFile;
    int m_currentYear;
    bool m_syncingSelection = false;

    // Controls, under their designer names.
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QListWidget* ListBox1;
    QListWidget* ListBox2;
    QListWidget* ListBox3;
    QLineEdit* Edit1;
    QLineEdit* Edit2;
    QLineEdit* Edit3;
    QFrame* Bevel1;
    QPushButton* Button1;
    QPushButton* Button3;
    QPushButton* Button4;
    QPushButton* Button5;
    QPushButton* Button6;
    QPushButton* Button7;
    QCheckBox* CheckBox1;
};

} // namespace velmora
