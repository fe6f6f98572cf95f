#pragma once

#include <QString>

#include <iterator>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFileDialog;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMainWindow;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QWidget;

namespace velmora {

struct ClockChoice;
class TUpDown;

/// The main window's controls under their designer names, and the geometry they are built with. Every pixel
/// measure of the window is named here once; MainWindowLayout places the controls from these measures as the
/// window's size and the market-window caption change.
struct MainWindowControls
{
    // The window.
    static constexpr int BuiltInWidth = 625;
    static constexpr int BuiltInHeight = 777;
    static constexpr int MinimumWidth = 625;
    static constexpr int MinimumHeight = 565;

    // The upper panel from top to bottom: the file area, the button row and the three frames, with the gaps
    // between them and below the last. When the window is too low for the whole panel, the gaps and then the
    // file list give way down to their minimums, so that every control stays whole and reachable.
    static constexpr int FileListTop = 23;
    static constexpr int FileListHeight = 73;
    static constexpr int MinimumFileListHeight = 36; // two entries
    static constexpr int ButtonHeight = 27;
    static constexpr int Bevel1Height = 67;
    static constexpr int Bevel2BuiltInHeight = 321;
    static constexpr int Bevel3RowGap = 6;
    /// Two rows of buttons: the first holds the summer-time, input-layout and clock buttons edge to edge.
    static constexpr int Bevel3Height = 41 + ButtonHeight + Bevel3RowGap;
    static constexpr int PanelGaps[] = {10, 11, 13, 15, 8}; // after the file area, the buttons, Bevel1, Bevel2, Bevel3
    static constexpr int MinimumPanelGaps[] = {2, 2, 2, 2, 0};
    static_assert(std::size(PanelGaps) == std::size(MinimumPanelGaps));

    // Where the panel's areas stand at full height: each below the one above and its gap.
    static constexpr int FileAreaHeight = FileListTop + FileListHeight;
    static constexpr int ButtonRowY = FileAreaHeight + PanelGaps[0];
    static constexpr int Bevel1Y = ButtonRowY + ButtonHeight + PanelGaps[1];
    static constexpr int Bevel2Y = Bevel1Y + Bevel1Height + PanelGaps[2];
    static constexpr int Bevel3Y = Bevel2Y + Bevel2BuiltInHeight + PanelGaps[3];
    static constexpr int UpperPanelHeight = Bevel3Y + Bevel3Height + PanelGaps[4];

    // Across: the three frames stand at FrameX; the upper two, and the timeframe box in the first, follow the
    // window's width less their margin.
    static constexpr int FrameX = 8;
    static constexpr int FrameMargin = 24;
    static constexpr int FrameWidth = BuiltInWidth - FrameMargin;
    static constexpr int Edit1Margin = 48;

    // The column of boxes in the advanced settings, and the space left under its last row inside the frame.
    static constexpr int BoxX = 8;
    static constexpr int Bevel2BottomMargin = 6;

    /// The progress bar's place in the status bar while the status text leaves room for it.
    static constexpr int ProgressBarX = 100;
    static constexpr int ProgressBarTop = 2;
    static constexpr int ProgressBarWidth = 160;

    /// The caption of the market-window check box: blanks for the weekday lists and time boxes laid over it,
    /// ending in the clock its times are given in ("現地時間" for the file's own).
    static QString marketCaption(const ClockChoice& marketClock);

    /// Builds every control into `window` at its built-in place, in the designer's order, which is also the
    /// order the keyboard focus takes. The window's font must be set first: captions are measured in it.
    void setupControls(QMainWindow& window);
    /// The busy lock: every label of `window` and every control that changes a run, except "キャンセル",
    /// which shows the other way round.
    void setInputsEnabled(const QWidget& window, bool enabled);

    QWidget* Panel1 = nullptr;
    QWidget* Panel2 = nullptr;
    QLabel* Label1 = nullptr;
    QListWidget* ListBox1 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button4 = nullptr;
    QPushButton* Cancel = nullptr;
    QFrame* Bevel1 = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QFrame* Bevel2 = nullptr;
    QLabel* Label10 = nullptr;
    QGroupBox* RadioGroup1 = nullptr;
    QButtonGroup* radioGroup1Buttons = nullptr; ///< RadioGroup1's items, by BarLabelling
    QRadioButton* RadioButton1 = nullptr;
    QRadioButton* RadioButton2 = nullptr;
    QLineEdit* Edit7 = nullptr;
    TUpDown* UpDown2 = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* Edit6 = nullptr;
    TUpDown* UpDown1 = nullptr;
    QLabel* Label6 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLabel* Label7 = nullptr;
    QLineEdit* EditDateS = nullptr;
    QLabel* Label5 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QLabel* Label8 = nullptr;
    QCheckBox* CheckBox3 = nullptr;
    QCheckBox* CheckBox4 = nullptr;
    QLineEdit* EditExt = nullptr;
    QCheckBox* CheckBox6 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QCheckBox* CheckBox2 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QLineEdit* Edit4 = nullptr;
    QComboBox* ComboBox2 = nullptr;
    QLineEdit* Edit5 = nullptr;
    QFrame* Bevel3 = nullptr;
    QLabel* Label11 = nullptr;
    QPushButton* Button5 = nullptr;
    QPushButton* ButtonClock = nullptr;
    QPushButton* InputLayoutButton = nullptr;  ///< beyond the designer's controls: opens the input-layout dialog
    QPushButton* OutputFormatButton = nullptr; ///< beyond the designer's controls: opens the output-format dialog
    QPlainTextEdit* Memo1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QFileDialog* OpenDialog1 = nullptr;

private:
    void buildFrame(QMainWindow& window);
    void buildFileArea();
    void buildButtonRow();
    void buildNormalSettings();
    void buildAdvancedSettings(QMainWindow& window);
    void buildLabellingGroup(QMainWindow& window);
    void buildKindButtons(QMainWindow& window);
    void buildBoxes();
    void buildOptionChecks();
    void buildSpecialSettings();
    void buildOpenDialog(QMainWindow& window);
};

} // namespace velmora
