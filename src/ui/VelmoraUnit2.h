#pragma once

#include "engine/run/LinkageBatch.h"
#include "engine/settings/SettingsKeys.h"

#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <filesystem>
#include <limits>
#include <optional>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QStatusBar;

namespace velmora {

class TForm1;

/// The linkage window "Quenbry 連携モード": the download tool's instrument folders with check marks, the
/// batch's timeframe list and overwrite policy, and the status bar a batch reports to. It is set up only when
/// the download tool's program lies in the current folder; then it reads section "Form2" of the settings file
/// when it is built and writes it back when it is destroyed.
class TForm2 : public QMainWindow
{
    Q_OBJECT

public:
    /// The name of the download tool's program, looked for in the current directory.
    static constexpr const char* DownloadToolName = "Quenbry.exe";
    static constexpr int ListLineHeight = 15;
    static constexpr int ProgressBarX = 150;
    static constexpr int ButtonHeight = 27;
    /// The folder list never gets lower than this, so a few folders stay in view on the lowest screen.
    static constexpr int MinimumListHeight = 3 * ListLineHeight + 5;

    /// `mainWindow` gives the first command-line argument and drives the batch's runs; without it the window
    /// only keeps its settings.
    explicit TForm2(std::filesystem::path settingsFile, TForm1* mainWindow = nullptr, QWidget* parent = nullptr);
    ~TForm2() override;

    bool downloadToolFound() const { return m_tool.has_value(); }
    const std::optional<DownloadTool>& downloadTool() const { return m_tool; }
    /// Section "Form2" as read at creation; std::nullopt when the tool was not found (nothing is read then).
    const std::optional<Form2Settings>& linkageSettings() const { return m_settings; }
    /// The first argument was "edit": the window edits its settings, and its button saves them and ends.
    bool editMode() const { return m_editMode; }
    bool autoMode() const { return m_autoMode; }
    bool batchRunning() const { return m_batchRunning; }

    /// Called once every window of the program exists: "edit" shows the window, "auto" shows it and runs the
    /// batch, ending the program unless an error stopped the batch.
    void startLinkageMode();

    // Handlers, public so that the tests press the buttons the user presses.
    void Button1Click();
    void Button2Click();
    void CheckListBox1Click();
    void CheckListBox1ClickCheck();
    /// The batch over the checked folders; std::nullopt when it could not start (no tool, no main window, or
    /// the main window busy).
    std::optional<LinkageBatchOutcome> RunLinkageBatch();

    /// Enables or disables the buttons, the folder list, the timeframe box and the policy together.
    void SetControlsEnabled(bool enabled);

    /// The controls in their stored form, as SaveLinkageSettings writes them.
    Form2Settings currentSettings() const;
    void SaveLinkageSettings();
    QStringList folderNames() const;
    QStringList checkedFolders() const;

    // What a batch's runs show here (through WindowRunHost).
    void setStatusText(const QString& text);
    QString statusText() const;
    void setProgressRange(int minimum, int maximum);
    void setProgressPosition(int position);
    void showMessage(const QString& text);

public slots: // NOLINT(readability-redundant-access-specifiers): the moc reads "slots"
    /// Showing the window places it over the main window first (placeOverMainWindow).
    void setVisible(bool visible) override;

signals:
    /// The linkage mode is over: "設定を保存", the end of an "auto" batch, or the window closed.
    void programEndRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    /// Lays the window out for its list, the list no higher than `listHeightLimit` (it scrolls beyond).
    void layoutFromListLength(int listHeightLimit = std::numeric_limits<int>::max());
    void placeOverMainWindow();
    void fitWidths();
    void flipSelectedCheck();
    LinkageOverwrite overwritePolicy() const;
    void copyPlaceToMainWindow();

    std::filesystem::path m_settingsFile;
    TForm1* m_main;
    std::optional<DownloadTool> m_tool;
    std::optional<Form2Settings> m_settings;
    bool m_editMode = false;
    bool m_autoMode = false;
    bool m_batchRunning = false;
    bool m_closeWhenIdle = false;

    // Controls, under their designer names.
    QWidget* Panel;
    QLabel* Label1;
    QListWidget* CheckListBox1;
    QLabel* Label2;
    QLabel* Label3;
    QLineEdit* Edit1;
    QGroupBox* RadioGroup1;
    QButtonGroup* m_radioGroup1Buttons;
    QPushButton* Button1;
    QPushButton* Button2;
    QStatusBar* StatusBar1;
    QProgressBar* ProgressBar1;
};

} // namespace velmora
