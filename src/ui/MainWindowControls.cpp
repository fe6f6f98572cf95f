#include "ui/MainWindowControls.h"

#include "engine/clock/ClockChoice.h"
#include "engine/settings/SettingRanges.h"
#include "input/BarLabelling.h"
#include "ui/QtText.h"
#include "ui/StatusProgress.h"
#include "ui/TUpDown.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>

#include <algorithm>

namespace velmora {

namespace {

using Geometry = MainWindowControls;

// The button row: "実行", "リストクリア" and "ファイルを開く" side by side; "キャンセル" takes the place of "実行".
constexpr int ButtonRowX = 14;
constexpr int ButtonWidth = 80;
constexpr int ButtonSpacing = 10;
constexpr int ButtonCaptionPadding = 12;
// A group box's caption stands inset from its frame on both sides.
constexpr int GroupCaptionPadding = 16;

// The file area's caption, above the list.
constexpr int FileCaptionX = 8;
constexpr int FileCaptionY = 5;

// Inside a frame: its heading at the top left, the first row under it, a box's caption beside the box.
constexpr int HeadingX = 8;
constexpr int HeadingY = 4;
constexpr int FirstRowY = 22;
constexpr int EditHeight = 20;
constexpr int CaptionGap = 8;

// The normal settings: the timeframe line's caption after the heading; the example and the box indented.
constexpr int HeadingGap = 12;
constexpr int Bevel1Indent = 16;
constexpr int Edit1Y = 41;

// The special settings: the heading level with the buttons' captions; the buttons as wide as their caption and
// this padding, this far apart.
constexpr int Label11Y = 13;
constexpr int Bevel3HeadingGap = 16;
constexpr int Bevel3ButtonY = 7;
constexpr int Bevel3ButtonPadding = 16;
constexpr int Bevel3ButtonGap = 8;

// The column of boxes in the advanced settings: rows at a fixed pitch, each caption a little lower than its box
// so that their texts stand on one line.
constexpr int SpinBoxWidth = 40;
constexpr int UpDownWidth = 16;
constexpr int TextBoxWidth = 80;
constexpr int ShortBoxWidth = 60;
constexpr int FirstBoxRowY = 74;
constexpr int BoxRowPitch = 24;
constexpr int CaptionDrop = 3;
// The option check boxes, top to bottom: CheckBox3, CheckBox4 with EditExt, CheckBox6, CheckBox1, CheckBox2.
constexpr int OptionRowY[] = {196, 219, 242, 265, 290};

constexpr int boxRowY(int row)
{
    return FirstBoxRowY + row * BoxRowPitch;
}

constexpr int captionX(int boxRight)
{
    return boxRight + CaptionGap;
}

const QStringList& weekdayItems()
{
    static const QStringList items{QStringLiteral("日曜"), QStringLiteral("月曜"), QStringLiteral("火曜"),
                                   QStringLiteral("水曜"), QStringLiteral("木曜"), QStringLiteral("金曜"),
                                   QStringLiteral("土曜")};
    return items;
}

QLabel* makeLabel(const QString& name, const QString& caption, QWidget* parent, int x, int y)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->move(x, y);
    label->adjustSize();
    return label;
}

QLineEdit* makeEdit(const QString& name, QWidget* parent, int x, int y, int width)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setGeometry(x, y, width, EditHeight);
    return edit;
}

QCheckBox* makeCheckBox(const QString& name, const QString& caption, QWidget* parent, int x, int y)
{
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    box->move(x, y);
    box->adjustSize();
    return box;
}

QFrame* makeFrame(const QString& name, QWidget* parent, int y, int height)
{
    auto* frame = new QFrame(parent);
    frame->setObjectName(name);
    frame->setFrameShape(QFrame::Box);
    frame->setFrameShadow(QFrame::Sunken);
    frame->setGeometry(Geometry::FrameX, y, Geometry::FrameWidth, height);
    return frame;
}

QLabel* makeHeading(const QString& name, const QString& caption, QWidget* parent)
{
    QLabel* label = makeLabel(name, caption, parent, HeadingX, HeadingY);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    label->adjustSize();
    return label;
}

/// A push button of the special settings at its caption's own size; the caller places it.
QPushButton* makeFrameButton(const QString& name, const QString& caption, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    button->adjustSize();
    return button;
}

int rightOf(const QWidget* widget)
{
    return widget->x() + widget->width();
}

TUpDown* makeUpDown(const QString& name, QLineEdit* box, ValueRange range, int position)
{
    auto* buttons = new TUpDown(box, range, box->parentWidget());
    buttons->setObjectName(name);
    buttons->setGeometry(rightOf(box), box->y(), UpDownWidth, EditHeight);
    buttons->setPosition(position);
    return buttons;
}

} // namespace

QString MainWindowControls::marketCaption(const ClockChoice& marketClock)
{
    const QString controls = QStringLiteral("　　　　　　の　　　　　　時 ～ 　　　　　　 の　　　　　　時までを"
                                            "マーケットの時間として書き出す ");
    if (marketClock.isFileOwn()) {
        return controls + QStringLiteral("（現地時間で指定）");
    }
    return controls + QStringLiteral("（") + qText(clockText(marketClock)) + QStringLiteral(" の時刻で指定）");
}

void MainWindowControls::setupControls(QMainWindow& window)
{
    buildFrame(window);
    buildFileArea();
    buildButtonRow();
    buildNormalSettings();
    buildAdvancedSettings(window);
    buildSpecialSettings();
    buildOpenDialog(window);
}

void MainWindowControls::setInputsEnabled(const QWidget& window, bool enabled)
{
    const auto labels = window.findChildren<QLabel*>();
    for (QLabel* label : labels) {
        if (label->window() == &window) {
            label->setEnabled(enabled);
        }
    }
    QWidget* const controls[] = {ButtonClock,
                                 Button1,
                                 Button2,
                                 Button4,
                                 Button5,
                                 InputLayoutButton,
                                 OutputFormatButton,
                                 RadioButton1,
                                 RadioButton2,
                                 Edit1,
                                 Edit2,
                                 Edit3,
                                 Edit4,
                                 Edit5,
                                 Edit6,
                                 Edit7,
                                 EditExt,
                                 EditDateS,
                                 UpDown1,
                                 UpDown2,
                                 ComboBox1,
                                 ComboBox2,
                                 ListBox1,
                                 Memo1,
                                 RadioGroup1,
                                 CheckBox1,
                                 CheckBox2,
                                 CheckBox3,
                                 CheckBox4,
                                 CheckBox6};
    for (QWidget* control : controls) {
        control->setEnabled(enabled);
    }
}

// The upper panel of fixed height over the log, and the status bar with its progress bar.
void MainWindowControls::buildFrame(QMainWindow& window)
{
    // Placed by hand on every resize (layoutUpperPanel): a layout would give the log its own minimum height
    // and let it cover the panel's lower rows when the window is low.
    auto* central = new QWidget(&window);
    central->setObjectName(QStringLiteral("Panel"));
    window.setCentralWidget(central);

    Panel1 = new QWidget(central);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(0, 0, BuiltInWidth, UpperPanelHeight);

    Memo1 = new QPlainTextEdit(central);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);

    StatusBar1 = new QStatusBar(&window);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(true);
    window.setStatusBar(StatusBar1);
    ProgressBar1 = makeStatusProgressBar(StatusBar1);
}

void MainWindowControls::buildFileArea()
{
    Panel2 = new QWidget(Panel1);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setGeometry(0, 0, BuiltInWidth, FileAreaHeight);
    Label1 = makeLabel(
        QStringLiteral("Label1"),
        QStringLiteral("■ ファイルをドロップして登録し、実行ボタンを押してください (※「リストクリア」で登録解除)"),
        Panel2, FileCaptionX, FileCaptionY);
    ListBox1 = new QListWidget(Panel2);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setGeometry(0, FileListTop, BuiltInWidth, FileListHeight);
    ListBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

// "キャンセル" takes the place of "実行" while busy.
void MainWindowControls::buildButtonRow()
{
    auto makeButton = [this](const QString& name, const QString& caption, int x) {
        auto* button = new QPushButton(caption, Panel1);
        button->setObjectName(name);
        // Wider than built where the font needs it for the caption (Noto CJK for "ファイルを開く").
        const int captionWidth = button->fontMetrics().horizontalAdvance(caption) + ButtonCaptionPadding;
        button->setGeometry(x, ButtonRowY, std::max(ButtonWidth, captionWidth), ButtonHeight);
        button->setAutoDefault(false);
        return button;
    };
    constexpr int pitch = ButtonWidth + ButtonSpacing;
    Button1 = makeButton(QStringLiteral("Button1"), QStringLiteral("実行"), ButtonRowX);
    Button2 = makeButton(QStringLiteral("Button2"), QStringLiteral("リストクリア"), ButtonRowX + pitch);
    Button4 = makeButton(QStringLiteral("Button4"), QStringLiteral("ファイルを開く"), ButtonRowX + 2 * pitch);
    Cancel = makeButton(QStringLiteral("Cancel"), QStringLiteral("キャンセル"), ButtonRowX);
    Cancel->setVisible(false);
    Cancel->setEnabled(false);
    Button1->setEnabled(false);
}

void MainWindowControls::buildNormalSettings()
{
    Bevel1 = makeFrame(QStringLiteral("Bevel1"), Panel1, Bevel1Y, Bevel1Height);
    Label9 = makeHeading(QStringLiteral("Label9"), QStringLiteral("通常設定"), Bevel1);
    Label2 =
        makeLabel(QStringLiteral("Label2"), QStringLiteral("作成する時間足を分単位で指定 (※カンマ区切りで複数指定)"),
                  Bevel1, rightOf(Label9) + HeadingGap, HeadingY);
    Label3 = makeLabel(QStringLiteral("Label3"),
                       QStringLiteral("※ たとえば、5分足、1時間足、4時間足、日足を一度に作成したい時は "
                                      "「5, 60, 240, 1440」 と入力"),
                       Bevel1, Bevel1Indent, FirstRowY);
    Edit1 = makeEdit(QStringLiteral("Edit1"), Bevel1, Bevel1Indent, Edit1Y, FrameWidth - 2 * Bevel1Indent);
}

void MainWindowControls::buildAdvancedSettings(QMainWindow& window)
{
    Bevel2 = makeFrame(QStringLiteral("Bevel2"), Panel1, Bevel2Y, Bevel2BuiltInHeight);
    Label10 = makeHeading(QStringLiteral("Label10"), QStringLiteral("詳細設定(上級者向け)"), Bevel2);
    buildLabellingGroup(window);
    buildKindButtons(window);
    buildBoxes();
    buildOptionChecks();
}

void MainWindowControls::buildLabellingGroup(QMainWindow& window)
{
    constexpr int groupWidth = 520;
    constexpr int groupHeight = 44;
    // The two items side by side, each at least this wide and wider where the font needs it.
    constexpr int itemX = 8;
    constexpr int itemY = 20;
    constexpr int itemHeight = 20;
    constexpr int itemWidth = 250;
    constexpr int secondItemX = 264;
    constexpr int itemGap = 9;
    RadioGroup1 = new QGroupBox(
        QStringLiteral("【時間足のまとめ方】 例えば5分足を作るとき 0時0分0秒～0時4分59秒までを― … "), Bevel2);
    RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
    RadioGroup1->setGeometry(BoxX, FirstRowY, groupWidth, groupHeight);
    radioGroup1Buttons = new QButtonGroup(&window);
    auto* metaTrader = new QRadioButton(QStringLiteral("0時0分のバーとする　※ MetaTrader 仕様"), RadioGroup1);
    metaTrader->setObjectName(QStringLiteral("RadioGroup1Item0"));
    metaTrader->setGeometry(itemX, itemY, std::max(itemWidth, metaTrader->sizeHint().width()), itemHeight);
    auto* vt = new QRadioButton(QStringLiteral("0時5分のバーとする　※ VT 仕様"), RadioGroup1);
    vt->setObjectName(QStringLiteral("RadioGroup1Item1"));
    vt->setGeometry(std::max(secondItemX, metaTrader->geometry().right() + itemGap), itemY,
                    std::max(itemWidth, vt->sizeHint().width()), itemHeight);
    // Wider than built where the font needs it for the caption or the items, as the buttons are.
    const int captionWidth = RadioGroup1->fontMetrics().horizontalAdvance(RadioGroup1->title()) + GroupCaptionPadding;
    const int itemsWidth = vt->geometry().right() + 1 + itemX;
    RadioGroup1->resize(std::max({groupWidth, captionWidth, itemsWidth}), groupHeight);
    radioGroup1Buttons->addButton(metaTrader, static_cast<int>(BarLabelling::ByStart));
    radioGroup1Buttons->addButton(vt, static_cast<int>(BarLabelling::ByEnd));
    metaTrader->setChecked(true);
}

// The bar kind the run keeps between runs; hidden, as the timeframe entries decide it.
void MainWindowControls::buildKindButtons(QMainWindow& window)
{
    constexpr int x = 536;
    constexpr int y = 26;
    constexpr int pitch = 20;
    constexpr int width = 60;
    constexpr int height = 18;
    auto* kindButtons = new QButtonGroup(&window);
    RadioButton1 = new QRadioButton(QStringLiteral("時間足"), Bevel2);
    RadioButton1->setObjectName(QStringLiteral("RadioButton1"));
    RadioButton1->setGeometry(x, y, width, height);
    RadioButton2 = new QRadioButton(QStringLiteral("日足"), Bevel2);
    RadioButton2->setObjectName(QStringLiteral("RadioButton2"));
    RadioButton2->setGeometry(x, y + pitch, width, height);
    kindButtons->addButton(RadioButton1);
    kindButtons->addButton(RadioButton2);
    RadioButton1->setChecked(true);
    RadioButton1->setVisible(false);
    RadioButton2->setVisible(false);
}

// The two spin boxes and the text boxes, one under the other with their captions beside them.
void MainWindowControls::buildBoxes()
{
    constexpr int spinCaptionX = captionX(BoxX + SpinBoxWidth + UpDownWidth);
    Edit7 = makeEdit(QStringLiteral("Edit7"), Bevel2, BoxX, boxRowY(0), SpinBoxWidth);
    UpDown2 = makeUpDown(QStringLiteral("UpDown2"), Edit7, DateFieldRange, 1);
    Label4 = makeLabel(QStringLiteral("Label4"),
                       QStringLiteral("Date(日付)のフィールド(項目)が左から数えて何番目か (1から指定)"), Bevel2,
                       spinCaptionX, boxRowY(0) + CaptionDrop);

    Edit6 = makeEdit(QStringLiteral("Edit6"), Bevel2, BoxX, boxRowY(1), SpinBoxWidth);
    UpDown1 = makeUpDown(QStringLiteral("UpDown1"), Edit6, TimeZoneHoursRange, 0);
    Label6 = makeLabel(QStringLiteral("Label6"), QStringLiteral("TimeZoneを前後にずらす場合は指定（1時間単位で指定）"),
                       Bevel2, spinCaptionX, boxRowY(1) + CaptionDrop);

    Edit2 = makeEdit(QStringLiteral("Edit2"), Bevel2, BoxX, boxRowY(2), TextBoxWidth);
    Label7 = makeLabel(QStringLiteral("Label7"), QStringLiteral("書き出す時の時刻の書式(hh:nn:ss)"), Bevel2,
                       captionX(rightOf(Edit2)), boxRowY(2) + CaptionDrop);

    EditDateS = makeEdit(QStringLiteral("EditDateS"), Bevel2, BoxX, boxRowY(3), SpinBoxWidth);
    Label5 = makeLabel(QStringLiteral("Label5"), QStringLiteral("書きだす時の日付の区切り文字 ※例 "), Bevel2,
                       captionX(rightOf(EditDateS)), boxRowY(3) + CaptionDrop);

    Edit3 = makeEdit(QStringLiteral("Edit3"), Bevel2, BoxX, boxRowY(4), TextBoxWidth);
    Label8 = makeLabel(QStringLiteral("Label8"), QStringLiteral("基準区切り時刻"), Bevel2, captionX(rightOf(Edit3)),
                       boxRowY(4) + CaptionDrop);
}

// The options, and the market window: its weekday lists and time boxes are laid over its caption's blanks by
// MainWindowLayout, which also wraps the caption where the font needs it.
void MainWindowControls::buildOptionChecks()
{
    CheckBox3 = makeCheckBox(QStringLiteral("CheckBox3"), QStringLiteral("日足作成時は、時刻のフィールドを削除"),
                             Bevel2, BoxX, OptionRowY[0]);
    CheckBox4 = makeCheckBox(QStringLiteral("CheckBox4"), QStringLiteral("出力ファイルの拡張子を指定"), Bevel2, BoxX,
                             OptionRowY[1]);
    EditExt =
        makeEdit(QStringLiteral("EditExt"), Bevel2, captionX(rightOf(CheckBox4)), OptionRowY[1] - 1, ShortBoxWidth);
    CheckBox6 = makeCheckBox(QStringLiteral("CheckBox6"), QStringLiteral("ファイル名が被った場合、自動で上書きする"),
                             Bevel2, BoxX, OptionRowY[2]);
    CheckBox1 = makeCheckBox(QStringLiteral("CheckBox1"),
                             QStringLiteral("時間内に何もデータが無かった時、直前の終値でバーを形成する（※推奨）"),
                             Bevel2, BoxX, OptionRowY[3]);
    CheckBox1->setChecked(true);
    CheckBox2 = makeCheckBox(QStringLiteral("CheckBox2"), marketCaption(ClockChoice{}), Bevel2, BoxX, OptionRowY[4]);
    CheckBox2->setChecked(true);
    ComboBox1 = new QComboBox(Bevel2);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->addItems(weekdayItems());
    ComboBox1->setCurrentIndex(DefaultOpenWeekdayPosition);
    Edit4 = makeEdit(QStringLiteral("Edit4"), Bevel2, 0, 0, ShortBoxWidth);
    ComboBox2 = new QComboBox(Bevel2);
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    ComboBox2->addItems(weekdayItems());
    ComboBox2->setCurrentIndex(DefaultCloseWeekdayPosition);
    Edit5 = makeEdit(QStringLiteral("Edit5"), Bevel2, 0, 0, ShortBoxWidth);
}

void MainWindowControls::buildSpecialSettings()
{
    Bevel3 = makeFrame(QStringLiteral("Bevel3"), Panel1, Bevel3Y, Bevel3Height);
    Label11 = makeHeading(QStringLiteral("Label11"), QStringLiteral("特殊設定"), Bevel3);
    Label11->move(HeadingX, Label11Y);
    Button5 = makeFrameButton(QStringLiteral("Button5"), QStringLiteral("特定期間のみTimeZoneをずらす（夏時間など）"),
                              Bevel3);
    Button5->setGeometry(rightOf(Label11) + Bevel3HeadingGap, Bevel3ButtonY, Button5->width() + Bevel3ButtonPadding,
                         ButtonHeight);
    // Beside the summer-time button, so that every specified control keeps its place.
    InputLayoutButton =
        makeFrameButton(QStringLiteral("InputLayoutButton"), QStringLiteral("入力ファイルの形式"), Bevel3);
    InputLayoutButton->setGeometry(rightOf(Button5) + Bevel3ButtonGap, Bevel3ButtonY,
                                   InputLayoutButton->width() + Bevel3ButtonPadding, ButtonHeight);
    OutputFormatButton = makeFrameButton(QStringLiteral("OutputFormatButton"), QStringLiteral("出力形式"), Bevel3);
    // The first row is full from the summer-time button to the clock button: the frame's second row begins here.
    OutputFormatButton->setGeometry(Button5->x(), Bevel3ButtonY + ButtonHeight + Bevel3RowGap,
                                    OutputFormatButton->width() + Bevel3ButtonPadding, ButtonHeight);
    // At the frame's right end, leaving the room after the summer-time button to the frame's other additions.
    ButtonClock = makeFrameButton(QStringLiteral("ButtonClock"), QStringLiteral("時刻の設定…"), Bevel3);
    const int clockWidth = ButtonClock->width() + Bevel3ButtonPadding;
    ButtonClock->setGeometry(Bevel3->width() - Bevel3ButtonGap - clockWidth, Bevel3ButtonY, clockWidth, ButtonHeight);
}

void MainWindowControls::buildOpenDialog(QMainWindow& window)
{
    OpenDialog1 = new QFileDialog(&window);
    OpenDialog1->setObjectName(QStringLiteral("OpenDialog1"));
    OpenDialog1->setFileMode(QFileDialog::ExistingFile);
    OpenDialog1->setOptions(QFileDialog::DontUseNativeDialog);
}

} // namespace velmora
