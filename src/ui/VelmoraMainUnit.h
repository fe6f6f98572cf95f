#pragma once

#include "engine/clock/ClockPresets.h"
#include "engine/run/ConversionRun.h"
#include "engine/run/LinkageBatch.h"
#include "engine/settings/SettingRanges.h"
#include "engine/settings/SettingsKeys.h"
#include "platform/Clock.h"
#include "ui/TUpDown.h"

#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <filesystem>
#include <memory>
#include <optional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFileDialog;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QMimeData;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QGroupBox;

namespace velmora {

class TConfirmForm;
class TForm2;
class TSummer;

/// The main window: every option of a conversion, the registered files, the buttons that start and cancel a
/// run, the log and the status bar. Reads section "Form" of the settings file when it is built and writes it
/// when it is destroyed.
class ChartWindow;

class TForm1 : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr int BuiltInWidth = 625;
    static constexpr int BuiltInHeight = 777;
    static constexpr int MinimumWidth = 625;
    static constexpr int MinimumHeight = 565;
    static constexpr int UpperPanelHeight = 609;
    /// The progress bar's place in the status bar while the status text leaves room for it.
    static constexpr int ProgressBarX = 100;

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
    void InputLayoutClick(); ///< "入力ファイルの形式": the input-layout dialog, modal
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
    void buildControls();
    void buildFrame();
    void buildFileArea();
    void buildButtonRow();
    void buildNormalSettings();
    void buildAdvancedSettings();
    void buildLabellingGroup();
    void buildKindButtons();
    void buildBoxes();
    void buildOptionChecks();
    void buildSpecialSettings();
    void buildOpenDialog();
    void connectHandlers();
    void layoutControls();
    void layoutUpperPanel(int available);
    int fullPanelHeight() const;
    /// The panel's height with every gap and the file list at their minimum.
    int compactPanelHeight() const;
    /// The market-window caption: it ends in the clock its times are given in ("現地時間" for the file's own).
    static QString marketCaption(const ClockChoice& marketClock);
    void showMarketClock(const ClockChoice& marketClock);
    void wrapMarketCaption();
    void placeMarketControls();
    void applySettings(const FormSettings& settings);
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
    QString m_separatorInForce = QStringLiteral("/");
    /// Height of the advanced-settings frame: its built-in height, or more when a caption has to wrap.
    int m_bevel2Height = 0;

    // Controls, under their designer names.
    QWidget* Panel1;
    QWidget* Panel2;
    QLabel* Label1;
    QListWidget* ListBox1;
    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* Button4;
    QPushButton* Cancel;
    QFrame* Bevel1;
    QLabel* Label9;
    QLabel* Label2;
    QLabel* Label3;
    QLineEdit* Edit1;
    QFrame* Bevel2;
    QLabel* Label10;
    QGroupBox* RadioGroup1;
    QButtonGroup* m_radioGroup1Buttons;
    QRadioButton* RadioButton1;
    QRadioButton* RadioButton2;
    QLineEdit* Edit7;
    TUpDown* UpDown2;
    QLabel* Label4;
    QLineEdit* Edit6;
    TUpDown* UpDown1;
    QLabel* Label6;
    QLineEdit* Edit2;
    QLabel* Label7;
    QLineEdit* EditDateS;
    QLabel* Label5;
    QLineEdit* Edit3;
    QLabel* Label8;
    QCheckBox* CheckBox3;
    QCheckBox* CheckBox4;
    QLineEdit* EditExt;
    QCheckBox* CheckBox6;
    QCheckBox* CheckBox1;
    QCheckBox* CheckBox2;
    QComboBox* ComboBox1;
    QLineEdit* Edit4;
    QComboBox* ComboBox2;
    QLineEdit* Edit5;
    QFrame* Bevel3;
    QLabel* Label11;
    QPushButton* Button5;
    QPushButton* ButtonClock;
    QPushButton* InputLayoutButton; ///< beyond the designer's controls: opens the input-layout dialog
    QPlainTextEdit* Memo1 = nullptr;
    QStatusBar* StatusBar1;
    QProgressBar* ProgressBar1;
    QFileDialog* OpenDialog1;
};

} // namespace velmora
