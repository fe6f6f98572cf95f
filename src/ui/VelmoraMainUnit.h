#pragma once

#include "engine/clock/ClockPresets.h"
#include "engine/run/ConversionRun.h"
#include "engine/run/LinkageBatch.h"
#include "engine/settings/SettingsKeys.h"
#include "platform/Clock.h"
#include "ui/MainWindowControls.h"

#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>

class QMimeData;

namespace velmora {

class ChartLinks;
class ChartWindow;
class TConfirmForm;
class TForm2;
class TSummer;

/// The main window: every option of a conversion, the registered files, the buttons that start and cancel a
/// run, the log and the status bar. Reads section "Form" of the settings file when it is built and writes it
/// when it is destroyed. Its controls, under their designer names, and their geometry are MainWindowControls';
/// MainWindowLayout places them as the window's size changes.
class TForm1 : public QMainWindow, private MainWindowControls
{
    Q_OBJECT

public:
    using MainWindowControls::BuiltInHeight;
    using MainWindowControls::BuiltInWidth;
    using MainWindowControls::MinimumHeight;
    using MainWindowControls::MinimumWidth;
    using MainWindowControls::ProgressBarX;

    /// `firstArgument` is the program's first command-line argument (empty when none); `clock` gives today's
    /// date for the separator label and the run's tick count (the system clock when null).
    explicit TForm1(std::filesystem::path settingsFile, QString firstArgument = {}, const Clock* clock = nullptr,
                    QWidget* parent = nullptr);
    ~TForm1() override;

    void setConfirmForm(TConfirmForm* confirm) { m_confirm = confirm; }
    void setSummer(TSummer* summer) { m_summer = summer; }
    /// Fixes the run's choice of progress-hook iterations (tests).
    void setHookSeed(std::uint32_t seed) { m_hookSeed = seed; }

    const QString& firstArgument() const { return m_firstArgument; }
    /// True for the first argument "auto" or "edit" exactly: the linkage window takes over and this window is
    /// not shown at start.
    bool startsHidden() const { return m_startsHidden; }

    // Handlers, public so that the linkage batch and the tests can press the buttons the user presses.
    void Button1Click();
    void CancelClick();
    void Button5Click();
    void ButtonClockClick(); ///< "時刻の設定…": the clock dialog
    /// Puts a clock preset's cut time and market window into their boxes and turns the window on.
    void applyClockPreset(const ClockPreset& preset);
    void InputLayoutClick();  ///< "入力ファイルの形式": the input-layout dialog, modal
    void OutputFormatClick(); ///< "出力形式": the output-format dialog, modal
    void EditDateSChange();
    void CheckBox2Click();
    void CheckBox4Click();

    /// What a press of "実行" hands to the run: the options as the controls show them now.
    RunRequest runRequest() const;

    /// The linkage-run marker: on while the linkage window's batch drives runs through this window.
    bool linkageRunning() const { return m_linkageRunning; }
    /// Runs the linkage batch through this window: each folder's files fill the file list and are converted
    /// with these options, labelled by bar start, the status and progress shown in the linkage window. The
    /// file list, the timeframe box, the labelling and the bar kind are put back as they were on every way
    /// out. Refused (std::nullopt, nothing runs) while a run or a registration is under way.
    std::optional<LinkageBatchResult> runLinkageBatch(const LinkageBatch& batch, TForm2& linkageWindow);
    /// A cancel request without the question, for the linkage window closing during its batch.
    void requestCancel();

    // File registration.
    void RegisterDroppedFiles(const QStringList& files);
    void OpenAndRegisterFile();
    void ClearFileList();
    void UpdateListScrollWidth();
    QStringList registeredFiles() const;
    /// The list's horizontal scroll extent in pixels: the widest entry's measured width, 0 for an empty list.
    int listScrollExtent() const { return m_listScrollExtent; }

    /// The busy lock: false while a run or a registration is under way.
    void SetControlsEnabled(bool enabled);
    bool isBusy() const { return m_busy; }
    bool isRunning() const { return m_running; }

    /// The controls in their stored form, as SaveMainSettings writes them.
    FormSettings currentSettings() const;
    void LoadMainSettings();
    void SaveMainSettings();

    /// Opens the window "チャート" on a file: a registered source (which may be converted in the window) or a
    /// bar file. Null when no bar of the file reads (the window says why in the status bar).
    ChartWindow* openChart(const std::filesystem::path& file, bool source);
    /// Opens the chart of the file the log line at a row names ("… を書き出しました"); false when it names none.
    bool openChartOfLogLine(int row);

    // What the run shows in the window (through WindowRunHost).
    void showMessage(const QString& text);
    void appendLog(const QString& text);
    void clearLog();
    void setStatusText(const QString& text);
    QString statusText() const;
    void setProgressRange(int minimum, int maximum);
    void setProgressPosition(int position);
    void showTimeframeText(const QString& text);
    bool cancelRequested() const { return m_cancelRequested; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void layoutAtBuiltInSize();
    void connectHandlers();
    void layoutLoadedWindow();
    void refuseDropsOnControls();
    void showMarketClock(const ClockChoice& marketClock);
    void applySettings(const FormSettings& settings);
    void showFileList(const QStringList& files);
    bool askCancelQuestion();
    void ShowFilePreview(const QString& path);
    void finishBusyWork();
    static bool acceptsDrop(const QMimeData* mime);
    void syncKindButtons();
    BarLabelling labelling() const;
    void setLabelling(BarLabelling labelling);

    std::filesystem::path m_settingsFile;
    QString m_firstArgument;
    bool m_startsHidden = false;
    std::unique_ptr<Clock> m_ownClock;
    const Clock* m_clock;
    std::optional<std::uint32_t> m_hookSeed;
    TConfirmForm* m_confirm = nullptr;
    TSummer* m_summer = nullptr;

    RunState m_runState;
    bool m_busy = false;
    bool m_running = false;
    bool m_linkageRunning = false;
    bool m_cancelRequested = false;
    bool m_closeWhenIdle = false;
    int m_listScrollExtent = 0;
    ChartLinks* m_chartLinks = nullptr;
    QString m_separatorInForce = QStringLiteral("/");
};

} // namespace velmora
