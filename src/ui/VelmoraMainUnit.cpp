#include "ui/VelmoraMainUnit.h"

#include "engine/settings/RunRequestFromSettings.h"
#include "input/DateTimeText.h"
#include "platform/IniFile.h"
#include "platform/Numbers.h"
#include "platform/RunError.h"
#include "ui/ChartWindow.h"
#include "ui/ClockDialog.h"
#include "ui/FileRegistration.h"
#include "ui/InputLayoutDialog.h"
#include "ui/QtText.h"
#include "ui/StatusProgress.h"
#include "ui/VelmoraConfirmUnit.h"
#include "ui/VelmoraSummerUnit.h"
#include "ui/WindowPlacement.h"
#include "ui/WindowRunHost.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTextBlock>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <thread>

namespace velmora {

namespace {

constexpr int ButtonRowY = 106;
constexpr int ButtonWidth = 80;
constexpr int ButtonHeight = 27;
constexpr int ButtonCaptionPadding = 12;
constexpr int FrameMargin = 24; // the two upper frames are the window's width less this
constexpr int Edit1Margin = 48; // the timeframe box is the window's width less this
constexpr int ProgressBarWidth = 160;

// The upper panel from top to bottom: the file area, the button row and the three frames, with the gaps
// between them and below the last. When the window is too low for the whole panel, the gaps and then the
// file list give way down to these minimums, so that every control stays whole and reachable.
constexpr int FileListTop = 23;
constexpr int FileListHeight = 73;
constexpr int MinimumFileListHeight = 36; // two entries
constexpr int Bevel1Height = 67;
constexpr int Bevel2BuiltInHeight = 321;
constexpr int Bevel3Height = 41;
constexpr int PanelGaps[] = {10, 11, 13, 15, 8}; // after the file area, the buttons, Bevel1, Bevel2, Bevel3
constexpr int MinimumPanelGaps[] = {2, 2, 2, 2, 0};
// Space left under the last row of the advanced settings inside its frame.
constexpr int Bevel2BottomMargin = 6;

// The column of boxes in the advanced settings.
constexpr int BoxX = 8;
constexpr int SpinBoxWidth = 40;
constexpr int UpDownWidth = 16;
constexpr int LabelAfterSpin = BoxX + SpinBoxWidth + UpDownWidth + 8;

const QStringList& weekdayItems()
{
    static const QStringList items{QStringLiteral("日曜"), QStringLiteral("月曜"), QStringLiteral("火曜"),
                                   QStringLiteral("水曜"), QStringLiteral("木曜"), QStringLiteral("金曜"),
                                   QStringLiteral("土曜")};
    return items;
}

/// Rounded to the nearest integer, halves to the even neighbour.
int roundHalfEven(double value)
{
    return static_cast<int>(std::nearbyint(value));
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
    edit->setGeometry(x, y, width, 20);
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

QFrame* makeFrame(const QString& name, QWidget* parent, int x, int y, int width, int height)
{
    auto* frame = new QFrame(parent);
    frame->setObjectName(name);
    frame->setFrameShape(QFrame::Box);
    frame->setFrameShadow(QFrame::Sunken);
    frame->setGeometry(x, y, width, height);
    return frame;
}

QLabel* makeHeading(const QString& name, const QString& caption, QWidget* parent)
{
    QLabel* label = makeLabel(name, caption, parent, 8, 4);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    label->adjustSize();
    return label;
}

/// The integer a spin box's text stands for, or the buttons' position when the text is not a number.
std::int32_t boxValue(const QLineEdit* box, const TUpDown* buttons)
{
    return parseInt(stdText(box->text())).value_or(buttons->position());
}

} // namespace

QFont japaneseUiFont()
{
    const QStringList installed = QFontDatabase::families();
    QString family;
    for (const QString& candidate : {QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("Noto Sans CJK JP"),
                                     QStringLiteral("Noto Sans JP"), QStringLiteral("Noto Sans CJK SC")}) {
        if (installed.contains(candidate)) {
            family = candidate;
            break;
        }
    }
    QFont font = QApplication::font();
    if (!family.isEmpty()) {
        font.setFamily(family);
    }
    font.setPixelSize(12);
    return font;
}

TUpDown::TUpDown(QLineEdit* associate, ValueRange range, QWidget* parent)
    : QWidget(parent), m_associate(associate), m_minimum(range.minimum), m_maximum(range.maximum)
{
    m_up = new QToolButton(this);
    m_up->setObjectName(QStringLiteral("up"));
    m_up->setArrowType(Qt::UpArrow);
    m_up->setAutoRepeat(true);
    m_down = new QToolButton(this);
    m_down->setObjectName(QStringLiteral("down"));
    m_down->setArrowType(Qt::DownArrow);
    m_down->setAutoRepeat(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_up);
    layout->addWidget(m_down);
    for (QToolButton* button : {m_up, m_down}) {
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        button->setFocusPolicy(Qt::NoFocus);
    }
    connect(m_up, &QToolButton::clicked, this, &TUpDown::stepUp);
    connect(m_down, &QToolButton::clicked, this, &TUpDown::stepDown);
    setPosition(range.clamp(0));
}

void TUpDown::setPosition(int position)
{
    m_position = std::clamp(position, m_minimum, m_maximum);
    m_associate->setText(QString::number(m_position));
}

void TUpDown::step(int delta)
{
    // Step from what the box shows: the user may have typed a value since the last click.
    const auto typed = parseInt(stdText(m_associate->text()));
    const int from = typed ? std::clamp(*typed, m_minimum, m_maximum) : m_position;
    setPosition(from + delta);
}

TForm1::TForm1(std::filesystem::path settingsFile, QString firstArgument, const Clock* clock, QWidget* parent)
    : QMainWindow(parent), m_settingsFile(std::move(settingsFile)), m_firstArgument(std::move(firstArgument))
{
    if (clock == nullptr) {
        m_ownClock = std::make_unique<SystemClock>();
        clock = m_ownClock.get();
    }
    m_clock = clock;

    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(
        QStringLiteral("1分足やTickから指定した時間足のデータを作ったりずらしたりするアプリ ver 0.06 beta 2"));
    setFont(japaneseUiFont());
    // Files dropped anywhere on the window register.
    setAcceptDrops(true);
    buildControls();

    Cancel->move(Button1->pos());
    Memo1->clear();
    // The panel fits the minimum height once compacted; a font far wider than the window was drawn for may
    // need a little more, and the window then stops there rather than cut the panel.
    setMinimumSize(MinimumWidth, std::max(MinimumHeight, compactPanelHeight() + StatusBar1->sizeHint().height()));
    resize(BuiltInWidth, BuiltInHeight);

    LoadMainSettings();

    ProgressBar1->setGeometry(ProgressBarX, 2, ProgressBarWidth, std::max(StatusBar1->height() - 2, 1));
    layoutUpperPanel(height() - StatusBar1->sizeHint().height());
    RadioButton1->setVisible(false);
    RadioButton2->setVisible(false);
    UpdateListScrollWidth();
    Button1->setEnabled(ListBox1->count() > 0);
    CheckBox4Click();

    m_startsHidden = m_firstArgument == QStringLiteral("auto") || m_firstArgument == QStringLiteral("edit");

    // Edit boxes would take a dropped file as text; every drop on the window registers files instead.
    const auto descendants = findChildren<QWidget*>();
    for (QWidget* child : descendants) {
        if (child->window() == this) {
            child->setAcceptDrops(false);
        }
    }
}

TForm1::~TForm1()
{
    SaveMainSettings();
}

void TForm1::buildControls()
{
    buildFrame();
    buildFileArea();
    buildButtonRow();
    buildNormalSettings();
    buildAdvancedSettings();
    buildSpecialSettings();
    buildOpenDialog();
    connectHandlers();
}

// The upper panel of fixed height over the log, and the status bar with its progress bar.
void TForm1::buildFrame()
{
    // Placed by hand on every resize (layoutUpperPanel): a layout would give the log its own minimum height
    // and let it cover the panel's lower rows when the window is low.
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("Panel"));
    central->installEventFilter(this);
    setCentralWidget(central);

    Panel1 = new QWidget(central);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(0, 0, BuiltInWidth, UpperPanelHeight);

    Memo1 = new QPlainTextEdit(central);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(true);
    setStatusBar(StatusBar1);
    ProgressBar1 = makeStatusProgressBar(StatusBar1);
}

void TForm1::buildFileArea()
{
    Panel2 = new QWidget(Panel1);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setGeometry(0, 0, BuiltInWidth, 96);
    Label1 = makeLabel(
        QStringLiteral("Label1"),
        QStringLiteral("■ ファイルをドロップして登録し、実行ボタンを押してください (※「リストクリア」で登録解除)"),
        Panel2, 8, 5);
    ListBox1 = new QListWidget(Panel2);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setGeometry(0, 96 - 73, BuiltInWidth, 73);
    ListBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

// "キャンセル" takes the place of "実行" while busy.
void TForm1::buildButtonRow()
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
    Button1 = makeButton(QStringLiteral("Button1"), QStringLiteral("実行"), 14);
    Button2 = makeButton(QStringLiteral("Button2"), QStringLiteral("リストクリア"), 104);
    Button4 = makeButton(QStringLiteral("Button4"), QStringLiteral("ファイルを開く"), 194);
    Cancel = makeButton(QStringLiteral("Cancel"), QStringLiteral("キャンセル"), 284);
    Cancel->setVisible(false);
    Cancel->setEnabled(false);
    Button1->setEnabled(false);
}

void TForm1::buildNormalSettings()
{
    Bevel1 = makeFrame(QStringLiteral("Bevel1"), Panel1, 8, 144, 601, 67);
    Label9 = makeHeading(QStringLiteral("Label9"), QStringLiteral("通常設定"), Bevel1);
    Label2 =
        makeLabel(QStringLiteral("Label2"), QStringLiteral("作成する時間足を分単位で指定 (※カンマ区切りで複数指定)"),
                  Bevel1, Label9->x() + Label9->width() + 12, 4);
    Label3 = makeLabel(QStringLiteral("Label3"),
                       QStringLiteral("※ たとえば、5分足、1時間足、4時間足、日足を一度に作成したい時は "
                                      "「5, 60, 240, 1440」 と入力"),
                       Bevel1, 16, 22);
    Edit1 = makeEdit(QStringLiteral("Edit1"), Bevel1, 16, 41, 569);
}

void TForm1::buildAdvancedSettings()
{
    Bevel2 = makeFrame(QStringLiteral("Bevel2"), Panel1, 8, 224, 601, 321);
    Label10 = makeHeading(QStringLiteral("Label10"), QStringLiteral("詳細設定(上級者向け)"), Bevel2);
    buildLabellingGroup();
    buildKindButtons();
    buildBoxes();
    buildOptionChecks();
}

void TForm1::buildLabellingGroup()
{
    RadioGroup1 = new QGroupBox(
        QStringLiteral("【時間足のまとめ方】 例えば5分足を作るとき 0時0分0秒～0時4分59秒までを― … "), Bevel2);
    RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
    RadioGroup1->setGeometry(8, 22, 520, 44);
    m_radioGroup1Buttons = new QButtonGroup(this);
    auto* metaTrader = new QRadioButton(QStringLiteral("0時0分のバーとする　※ MetaTrader 仕様"), RadioGroup1);
    metaTrader->setObjectName(QStringLiteral("RadioGroup1Item0"));
    metaTrader->setGeometry(8, 20, std::max(250, metaTrader->sizeHint().width()), 20);
    auto* vt = new QRadioButton(QStringLiteral("0時5分のバーとする　※ VT 仕様"), RadioGroup1);
    vt->setObjectName(QStringLiteral("RadioGroup1Item1"));
    vt->setGeometry(std::max(264, metaTrader->geometry().right() + 9), 20, std::max(250, vt->sizeHint().width()), 20);
    m_radioGroup1Buttons->addButton(metaTrader, static_cast<int>(BarLabelling::ByStart));
    m_radioGroup1Buttons->addButton(vt, static_cast<int>(BarLabelling::ByEnd));
    metaTrader->setChecked(true);
}

// The bar kind the run keeps between runs; hidden, as the timeframe entries decide it.
void TForm1::buildKindButtons()
{
    auto* kindButtons = new QButtonGroup(this);
    RadioButton1 = new QRadioButton(QStringLiteral("時間足"), Bevel2);
    RadioButton1->setObjectName(QStringLiteral("RadioButton1"));
    RadioButton1->setGeometry(536, 26, 60, 18);
    RadioButton2 = new QRadioButton(QStringLiteral("日足"), Bevel2);
    RadioButton2->setObjectName(QStringLiteral("RadioButton2"));
    RadioButton2->setGeometry(536, 46, 60, 18);
    kindButtons->addButton(RadioButton1);
    kindButtons->addButton(RadioButton2);
    RadioButton1->setChecked(true);
}

// The two spin boxes and the text boxes, one under the other with their captions beside them.
void TForm1::buildBoxes()
{
    Edit7 = makeEdit(QStringLiteral("Edit7"), Bevel2, BoxX, 74, SpinBoxWidth);
    UpDown2 = new TUpDown(Edit7, DateFieldRange, Bevel2);
    UpDown2->setObjectName(QStringLiteral("UpDown2"));
    UpDown2->setGeometry(BoxX + SpinBoxWidth, 74, UpDownWidth, 20);
    UpDown2->setPosition(1);
    Label4 = makeLabel(QStringLiteral("Label4"),
                       QStringLiteral("Date(日付)のフィールド(項目)が左から数えて何番目か (1から指定)"), Bevel2,
                       LabelAfterSpin, 77);

    Edit6 = makeEdit(QStringLiteral("Edit6"), Bevel2, BoxX, 98, SpinBoxWidth);
    UpDown1 = new TUpDown(Edit6, TimeZoneHoursRange, Bevel2);
    UpDown1->setObjectName(QStringLiteral("UpDown1"));
    UpDown1->setGeometry(BoxX + SpinBoxWidth, 98, UpDownWidth, 20);
    UpDown1->setPosition(0);
    Label6 = makeLabel(QStringLiteral("Label6"), QStringLiteral("TimeZoneを前後にずらす場合は指定（1時間単位で指定）"),
                       Bevel2, LabelAfterSpin, 101);

    Edit2 = makeEdit(QStringLiteral("Edit2"), Bevel2, BoxX, 122, 80);
    Label7 = makeLabel(QStringLiteral("Label7"), QStringLiteral("書き出す時の時刻の書式(hh:nn:ss)"), Bevel2, 96, 125);

    EditDateS = makeEdit(QStringLiteral("EditDateS"), Bevel2, BoxX, 146, SpinBoxWidth);
    Label5 = makeLabel(QStringLiteral("Label5"), QStringLiteral("書きだす時の日付の区切り文字 ※例 "), Bevel2, 56, 149);

    Edit3 = makeEdit(QStringLiteral("Edit3"), Bevel2, BoxX, 170, 80);
    Label8 = makeLabel(QStringLiteral("Label8"), QStringLiteral("基準区切り時刻"), Bevel2, 96, 173);
}

void TForm1::buildOptionChecks()
{
    CheckBox3 = makeCheckBox(QStringLiteral("CheckBox3"), QStringLiteral("日足作成時は、時刻のフィールドを削除"),
                             Bevel2, BoxX, 196);
    CheckBox4 =
        makeCheckBox(QStringLiteral("CheckBox4"), QStringLiteral("出力ファイルの拡張子を指定"), Bevel2, BoxX, 219);
    EditExt = makeEdit(QStringLiteral("EditExt"), Bevel2, CheckBox4->x() + CheckBox4->width() + 8, 218, 60);
    CheckBox6 = makeCheckBox(QStringLiteral("CheckBox6"), QStringLiteral("ファイル名が被った場合、自動で上書きする"),
                             Bevel2, BoxX, 242);
    CheckBox1 = makeCheckBox(QStringLiteral("CheckBox1"),
                             QStringLiteral("時間内に何もデータが無かった時、直前の終値でバーを形成する（※推奨）"),
                             Bevel2, BoxX, 265);
    CheckBox1->setChecked(true);
    CheckBox2 = makeCheckBox(QStringLiteral("CheckBox2"), marketCaption(ClockChoice{}), Bevel2, BoxX, 290);
    CheckBox2->setChecked(true);
    wrapMarketCaption();
    ComboBox1 = new QComboBox(Bevel2);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->addItems(weekdayItems());
    ComboBox1->setCurrentIndex(DefaultOpenWeekdayPosition);
    Edit4 = makeEdit(QStringLiteral("Edit4"), Bevel2, 0, 0, 60);
    ComboBox2 = new QComboBox(Bevel2);
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    ComboBox2->addItems(weekdayItems());
    ComboBox2->setCurrentIndex(DefaultCloseWeekdayPosition);
    Edit5 = makeEdit(QStringLiteral("Edit5"), Bevel2, 0, 0, 60);
    placeMarketControls();
    m_bevel2Height = std::max(Bevel2BuiltInHeight, CheckBox2->y() + CheckBox2->height() + Bevel2BottomMargin);
    Bevel2->resize(Bevel2->width(), m_bevel2Height);
}

QString TForm1::marketCaption(const ClockChoice& marketClock)
{
    const QString controls = QStringLiteral("　　　　　　の　　　　　　時 ～ 　　　　　　 の　　　　　　時までを"
                                            "マーケットの時間として書き出す ");
    if (marketClock.isFileOwn()) {
        return controls + QStringLiteral("（現地時間で指定）");
    }
    return controls + QStringLiteral("（") + qText(clockText(marketClock)) + QStringLiteral(" の時刻で指定）");
}

void TForm1::showMarketClock(const ClockChoice& marketClock)
{
    const QString caption = marketCaption(marketClock);
    if (CheckBox2->text().remove(QLatin1Char('\n')) == caption) {
        return;
    }
    CheckBox2->setText(caption);
    CheckBox2->adjustSize();
    wrapMarketCaption();
    placeMarketControls();
    // A longer clock name may wrap a caption that fitted on one line: the frame and the panel grow with it.
    m_bevel2Height = std::max(Bevel2BuiltInHeight, CheckBox2->y() + CheckBox2->height() + Bevel2BottomMargin);
    Bevel2->resize(Bevel2->width(), m_bevel2Height);
    setMinimumHeight(std::max(minimumHeight(), compactPanelHeight() + StatusBar1->sizeHint().height()));
    layoutUpperPanel(centralWidget()->height());
}

void TForm1::wrapMarketCaption()
{
    // With a wider font than the one the window was drawn for (Noto CJK rather than ＭＳ Ｐゴシック) the
    // market-window caption runs past the frame at the built-in width; it then goes on in a second line. The
    // break comes after the last blank that a control covers, so the controls stay on the first line.
    const int room = 601 - BoxX - Bevel2BottomMargin;
    if (CheckBox2->sizeHint().width() <= room) {
        return;
    }
    const QString caption = CheckBox2->text();
    const qsizetype breakAt = caption.indexOf(QStringLiteral("マーケット"));
    if (breakAt <= 0) {
        return;
    }
    CheckBox2->setText(caption.left(breakAt) + QLatin1Char('\n') + caption.mid(breakAt));
    CheckBox2->adjustSize();
}

void TForm1::buildSpecialSettings()
{
    Bevel3 = makeFrame(QStringLiteral("Bevel3"), Panel1, 8, 560, 601, 41);
    Label11 = makeHeading(QStringLiteral("Label11"), QStringLiteral("特殊設定"), Bevel3);
    Label11->move(8, 13);
    Button5 = new QPushButton(QStringLiteral("特定期間のみTimeZoneをずらす（夏時間など）"), Bevel3);
    Button5->setObjectName(QStringLiteral("Button5"));
    Button5->setAutoDefault(false);
    Button5->adjustSize();
    Button5->setGeometry(Label11->x() + Label11->width() + 16, 7, Button5->width() + 16, ButtonHeight);
    // Beside the summer-time button, so that every specified control keeps its place.
    InputLayoutButton = new QPushButton(QStringLiteral("入力ファイルの形式"), Bevel3);
    InputLayoutButton->setObjectName(QStringLiteral("InputLayoutButton"));
    InputLayoutButton->setAutoDefault(false);
    InputLayoutButton->adjustSize();
    InputLayoutButton->setGeometry(Button5->x() + Button5->width() + 8, 7, InputLayoutButton->width() + 16,
                                   ButtonHeight);
    // At the frame's right end, leaving the room after the summer-time button to the frame's other additions.
    ButtonClock = new QPushButton(QStringLiteral("時刻の設定…"), Bevel3);
    ButtonClock->setObjectName(QStringLiteral("ButtonClock"));
    ButtonClock->setAutoDefault(false);
    ButtonClock->adjustSize();
    const int clockWidth = ButtonClock->width() + 16;
    ButtonClock->setGeometry(Bevel3->width() - 8 - clockWidth, 7, clockWidth, ButtonHeight);
}

void TForm1::buildOpenDialog()
{
    OpenDialog1 = new QFileDialog(this);
    OpenDialog1->setObjectName(QStringLiteral("OpenDialog1"));
    OpenDialog1->setFileMode(QFileDialog::ExistingFile);
    OpenDialog1->setOptions(QFileDialog::DontUseNativeDialog);
}

void TForm1::connectHandlers()
{
    connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm1::ClearFileList);
    connect(Button4, &QPushButton::clicked, this, &TForm1::OpenAndRegisterFile);
    connect(Cancel, &QPushButton::clicked, this, &TForm1::CancelClick);
    connect(Button5, &QPushButton::clicked, this, &TForm1::Button5Click);
    connect(ButtonClock, &QPushButton::clicked, this, &TForm1::ButtonClockClick);
    connect(InputLayoutButton, &QPushButton::clicked, this, &TForm1::InputLayoutClick);
    connect(CheckBox2, &QCheckBox::toggled, this, &TForm1::CheckBox2Click);
    connect(CheckBox4, &QCheckBox::toggled, this, &TForm1::CheckBox4Click);
    connect(EditDateS, &QLineEdit::textChanged, this, &TForm1::EditDateSChange);

    // The chart: from a registered file (double click, context menu) and from a written file's log line.
    connect(ListBox1, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { openChart(stdPath(item->text()), true); });
    ListBox1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ListBox1, &QListWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QListWidgetItem* item = ListBox1->itemAt(at);
        if (item == nullptr) {
            return;
        }
        QMenu menu(ListBox1);
        menu.setObjectName(QStringLiteral("fileListMenu"));
        const QAction* chart = menu.addAction(QStringLiteral("チャートを開く"));
        if (menu.exec(ListBox1->viewport()->mapToGlobal(at)) == chart) {
            openChart(stdPath(item->text()), true);
        }
    });
    Memo1->viewport()->installEventFilter(this);
}

ChartWindow* TForm1::openChart(const std::filesystem::path& file, bool source)
{
    auto* window = new ChartWindow(this);
    const bool shown = window->openFile(file, runRequest().settings, source);
    window->show();
    return shown ? window : nullptr;
}

bool TForm1::openChartOfLogLine(int row)
{
    const QTextBlock block = Memo1->document()->findBlockByNumber(row);
    QStringList files;
    for (int i = 0; i < ListBox1->count(); ++i) {
        files.append(ListBox1->item(i)->text());
    }
    const auto file = writtenFileOfLogLine(block.text(), files);
    if (file.empty()) {
        return false;
    }
    openChart(file, false);
    return true;
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == centralWidget() && event->type() == QEvent::Resize) {
        layoutUpperPanel(centralWidget()->height());
    }
    if (Memo1 != nullptr && watched == Memo1->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        const auto* click = static_cast<QMouseEvent*>(event);
        if (openChartOfLogLine(Memo1->cursorForPosition(click->position().toPoint()).blockNumber())) {
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::placeMarketControls()
{
    // The check box's caption leaves runs of ideographic blanks; the weekday lists and time boxes are laid
    // over them so that the line reads weekday, time, weekday, time.
    const QString caption = CheckBox2->text();
    const QFontMetrics metrics(CheckBox2->font());
    const int textStart = CheckBox2->x() + style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, CheckBox2) +
                          style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, CheckBox2);
    // The overlays sit on the caption's first line, which is the only one unless the caption wraps. The lines
    // stand centred in the box; over a wrapped caption the overlays keep to the first line's height so that
    // they leave the second line readable.
    const int lines = static_cast<int>(caption.count(QLatin1Char('\n'))) + 1;
    const int textTop = CheckBox2->y() + (CheckBox2->height() - lines * metrics.lineSpacing()) / 2;
    const int lineHeight = lines == 1 ? CheckBox2->height() : metrics.lineSpacing();
    const int firstLineTop = lines == 1 ? CheckBox2->y() : textTop;
    QWidget* overlays[] = {ComboBox1, Edit4, ComboBox2, Edit5};
    const QChar blank(0x3000);
    qsizetype from = 0;
    for (QWidget* overlay : overlays) {
        const qsizetype start = caption.indexOf(blank, from);
        qsizetype end = start;
        while (end < caption.size() && caption.at(end) == blank) {
            ++end;
        }
        const int x = textStart + metrics.horizontalAdvance(caption.left(start));
        const int width = metrics.horizontalAdvance(caption.mid(start, end - start));
        overlay->setGeometry(x, firstLineTop - 1, std::max(width - 2, 40), lineHeight + 2);
        overlay->raise();
        from = end;
    }
}

void TForm1::layoutControls()
{
    const int outer = width();
    layoutUpperPanel(centralWidget()->height());
    Bevel1->resize(outer - FrameMargin, Bevel1->height());
    Bevel2->resize(outer - FrameMargin, Bevel2->height());
    Edit1->resize(outer - Edit1Margin, Edit1->height());
    ProgressBar1->resize(ProgressBar1->width(), std::max(StatusBar1->height() - 2, 1));
}

void TForm1::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    layoutControls();
}

int TForm1::fullPanelHeight() const
{
    return UpperPanelHeight + (m_bevel2Height - Bevel2BuiltInHeight);
}

int TForm1::compactPanelHeight() const
{
    int giving = FileListHeight - MinimumFileListHeight;
    for (std::size_t i = 0; i < std::size(PanelGaps); ++i) {
        giving += PanelGaps[i] - MinimumPanelGaps[i];
    }
    return fullPanelHeight() - giving;
}

void TForm1::layoutUpperPanel(int available)
{
    // The panel keeps its full height while the window allows it and the log takes the rest, down to
    // nothing; below that the gaps shrink first, then the file list.
    int gaps[std::size(PanelGaps)];
    std::copy(std::begin(PanelGaps), std::end(PanelGaps), std::begin(gaps));
    int shortfall = std::max(0, fullPanelHeight() - available);
    for (std::size_t i = 0; i < std::size(gaps); ++i) {
        const int given = std::min(shortfall, gaps[i] - MinimumPanelGaps[i]);
        gaps[i] -= given;
        shortfall -= given;
    }
    const int listHeight = FileListHeight - std::min(shortfall, FileListHeight - MinimumFileListHeight);

    const int outer = width();
    Panel2->setGeometry(0, 0, outer, FileListTop + listHeight);
    ListBox1->setGeometry(0, FileListTop, outer, listHeight);
    int y = Panel2->height() + gaps[0];
    for (QPushButton* button : {Button1, Button2, Button4, Cancel}) {
        button->move(button->x(), y);
    }
    y += ButtonHeight + gaps[1];
    Bevel1->move(Bevel1->x(), y);
    y += Bevel1Height + gaps[2];
    Bevel2->move(Bevel2->x(), y);
    y += m_bevel2Height + gaps[3];
    Bevel3->move(Bevel3->x(), y);
    y += Bevel3Height + gaps[4];

    Panel1->setGeometry(0, 0, outer, y);
    const int logHeight = std::max(0, available - y);
    Memo1->setGeometry(0, y, outer, logHeight);
    Memo1->setVisible(logHeight > 0);
}

void TForm1::applySettings(const FormSettings& settings)
{
    Edit1->setText(qText(settings.minute));
    Edit3->setText(qText(settings.mktChangeTime));
    Edit2->setText(qText(settings.shortTimeFormat));
    Edit4->setText(qText(settings.mktOpenTime));
    Edit5->setText(qText(settings.mktCloseTime));
    EditExt->setText(qText(settings.editExt));
    EditDateS->setText(qText(settings.dateSeparator));
    UpDown1->setPosition(settings.timeZoneEditValue);
    UpDown2->setPosition(settings.dateCsvField);
    RadioButton1->setChecked(settings.radioButton1);
    RadioButton2->setChecked(settings.radioButton2);
    CheckBox1->setChecked(settings.checkBox1);
    CheckBox2->setChecked(settings.checkBox2);
    CheckBox3->setChecked(settings.checkBox3);
    CheckBox4->setChecked(settings.checkBox4);
    CheckBox6->setChecked(settings.checkBox6);
    setLabelling(settings.radioGroup1);
    ComboBox1->setCurrentIndex(weekdayListPosition(settings.mktOpenYoubi, DefaultOpenWeekdayPosition));
    ComboBox2->setCurrentIndex(weekdayListPosition(settings.mktCloseYoubi, DefaultCloseWeekdayPosition));

    // Centred in the work area at the built-in size unless stored; never above or left of the work area, so
    // the title bar stays reachable on a small screen.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, BuiltInWidth, BuiltInHeight);
    const int top =
        settings.top.value_or(std::max(area.top(), area.top() + roundHalfEven((area.height() - BuiltInHeight) / 2.0)));
    const int left =
        settings.left.value_or(std::max(area.left(), area.left() + roundHalfEven((area.width() - BuiltInWidth) / 2.0)));
    move(left, top);
    resize(settings.width, settings.height);
    // A stored place may lie off every screen (a screen since removed, a smaller resolution, a window moved
    // off by hand): the window is then brought onto the screen that holds its centre, or the primary one.
    if (settings.top || settings.left) {
        move(reachablePlace(QRect(QPoint(left, top), size())));
    }

    ListBox1->clear();
    for (const std::string& file : settings.listBox) {
        ListBox1->addItem(qText(file));
    }
    m_runState.kind = barKindFromSettings(settings);
}

void TForm1::LoadMainSettings()
{
    const IniFile file(m_settingsFile);
    applySettings(loadFormSettings(file));
    showMarketClock(clockSettingsOf(loadClockSettings(file)).marketClock());
}

FormSettings TForm1::currentSettings() const
{
    FormSettings settings;
    settings.minute = stdText(Edit1->text());
    settings.mktChangeTime = stdText(Edit3->text());
    settings.shortTimeFormat = stdText(Edit2->text());
    settings.mktOpenTime = stdText(Edit4->text());
    settings.mktCloseTime = stdText(Edit5->text());
    settings.editExt = stdText(EditExt->text());
    settings.dateSeparator = stdText(EditDateS->text());
    settings.timeZoneEditValue = boxValue(Edit6, UpDown1);
    settings.dateCsvField = boxValue(Edit7, UpDown2);
    settings.radioButton1 = RadioButton1->isChecked();
    settings.radioButton2 = RadioButton2->isChecked();
    settings.checkBox1 = CheckBox1->isChecked();
    settings.checkBox2 = CheckBox2->isChecked();
    settings.checkBox3 = CheckBox3->isChecked();
    settings.checkBox4 = CheckBox4->isChecked();
    settings.checkBox6 = CheckBox6->isChecked();
    settings.radioGroup1 = labelling();
    settings.mktOpenYoubi = ComboBox1->currentIndex();
    settings.mktCloseYoubi = ComboBox2->currentIndex();
    settings.top = pos().y();
    settings.left = pos().x();
    settings.width = width();
    settings.height = height();
    settings.listBox.reserve(static_cast<std::size_t>(ListBox1->count()));
    for (int i = 0; i < ListBox1->count(); ++i) {
        settings.listBox.push_back(stdText(ListBox1->item(i)->text()));
    }
    return settings;
}

void TForm1::SaveMainSettings()
{
    try {
        IniFile file(m_settingsFile);
        saveFormSettings(file, currentSettings());
        // The two spin boxes are kept as typed, like every other box; a text that is not a number reads back
        // as the key's default.
        file.writeString(FormSection, "TimeZoneEditValue", stdText(Edit6->text()));
        file.writeString(FormSection, "DateCsvField", stdText(Edit7->text()));
        file.save();
    } catch (const std::exception& error) {
        showMessage(displayText(error.what()));
    }
}

void TForm1::syncKindButtons()
{
    RadioButton1->setChecked(m_runState.kind == BarKind::Minutes);
    RadioButton2->setChecked(m_runState.kind == BarKind::Daily);
}

BarLabelling TForm1::labelling() const
{
    return labellingFromIndex(m_radioGroup1Buttons->checkedId());
}

void TForm1::setLabelling(BarLabelling labelling)
{
    m_radioGroup1Buttons->button(static_cast<int>(labelling))->setChecked(true);
}

void TForm1::CheckBox2Click()
{
    const bool on = CheckBox2->isChecked();
    for (QWidget* control : {static_cast<QWidget*>(Edit4), static_cast<QWidget*>(Edit5),
                             static_cast<QWidget*>(ComboBox1), static_cast<QWidget*>(ComboBox2)}) {
        control->setEnabled(on);
    }
}

void TForm1::CheckBox4Click()
{
    EditExt->setEnabled(CheckBox4->isChecked());
}

void TForm1::EditDateSChange()
{
    const std::string box = stdText(EditDateS->text());
    if (box.empty()) {
        return;
    }
    if (const auto refusal = unusableDateSeparatorMessage(box)) {
        showMessage(displayText(*refusal));
        // Runs this handler again with the separator put back.
        EditDateS->setText(m_separatorInForce);
        return;
    }
    const CivilDate today = m_clock->today();
    if (const auto caption = OutputSeparatorCaption(box, today.year, today.month, today.day)) {
        Label5->setText(displayText(*caption));
        Label5->adjustSize();
    }
    m_separatorInForce = EditDateS->text().left(1);
}

void TForm1::SetControlsEnabled(bool enabled)
{
    m_busy = !enabled;
    const auto labels = findChildren<QLabel*>();
    for (QLabel* label : labels) {
        if (label->window() == this) {
            label->setEnabled(enabled);
        }
    }
    QWidget* const controls[] = {ButtonClock,  Button1,      Button2,   Button4,   Button5,   InputLayoutButton,
                                 RadioButton1, RadioButton2, Edit1,     Edit2,     Edit3,     Edit4,
                                 Edit5,        Edit6,        Edit7,     EditExt,   EditDateS, UpDown1,
                                 UpDown2,      ComboBox1,    ComboBox2, ListBox1,  Memo1,     RadioGroup1,
                                 CheckBox1,    CheckBox2,    CheckBox3, CheckBox4, CheckBox6};
    for (QWidget* control : controls) {
        control->setEnabled(enabled);
    }
    if (enabled) {
        CheckBox2Click();
        CheckBox4Click();
        // Idle again: the button comes back enabled, which withdraws a cancel request.
        m_cancelRequested = false;
    }
    Cancel->setEnabled(!enabled);
    Cancel->setVisible(!enabled);
    Cancel->raise();
    QCoreApplication::processEvents();
}

bool TForm1::askCancelQuestion()
{
    QMessageBox question(QMessageBox::Question, QStringLiteral("確認"), QStringLiteral("処理をキャンセルしますか？"),
                         QMessageBox::Ok | QMessageBox::Cancel, this);
    question.setObjectName(QStringLiteral("CancelQuestion"));
    return question.exec() == QMessageBox::Ok;
}

void TForm1::CancelClick()
{
    if (!askCancelQuestion()) {
        return;
    }
    Cancel->setEnabled(false);
    m_cancelRequested = m_running;
    QCoreApplication::processEvents();
    std::this_thread::yield();
}

RunRequest TForm1::runRequest() const
{
    // Sections "Bars", "GapReport" and "Input" have no control in this window: the run takes them as the settings
    // file holds them at each run, so a layout saved in the input-layout dialog is used by the next run.
    const IniFile settingsFile(m_settingsFile);
    RunRequest request = runRequestFromSettings(currentSettings(), SummerSettings{}, loadBarsSettings(settingsFile));
    request.frontEnd = RunFrontEnd::Window;
    // The run converts the typed boxes itself, so that a value that is not a number ends it with its message.
    request.dateSeparatorBox = stdText(EditDateS->text());
    request.timeZoneBox = stdText(Edit6->text());
    request.dateFieldBox = stdText(Edit7->text());
    if (m_summer != nullptr) {
        request.summer = m_summer->rowsForRun();
    }
    request.settings.summerTable = request.summer.enabled;
    request.gaps = gapReportFromSettings(loadGapReportSettings(settingsFile));
    request.settings.sourceLayout = sourceLayoutOf(loadInputSettings(settingsFile));
    // Section "Clock" is the clock dialog's; the run takes it as it stands in the file.
    request.settings.clocks = clockSettingsOf(loadClockSettings(settingsFile));
    return request;
}

void TForm1::Button1Click()
{
    if (m_busy) {
        return;
    }
    const RunRequest request = runRequest();

    m_running = true;
    m_cancelRequested = false;
    {
        WindowRunHost host(*this, m_confirm);
        ConversionRun run(host, *m_clock, m_runState);
        if (m_hookSeed) {
            run.setHookSeed(*m_hookSeed);
        }
        run.execute(request);
    }
    m_running = false;
    syncKindButtons();
    finishBusyWork();
}

std::optional<LinkageBatchResult> TForm1::runLinkageBatch(const LinkageBatch& batch, TForm2& linkageWindow)
{
    if (m_busy || m_running) {
        return std::nullopt;
    }
    // What the batch's runs change in this window, put back however the batch ends.
    struct SavedState
    {
        TForm1& window;
        BarKind kind;
        BarLabelling labelling;
        QString timeframes;
        QStringList files;
        ~SavedState()
        {
            window.m_linkageRunning = false;
            window.m_running = false;
            window.m_runState.kind = kind;
            window.syncKindButtons();
            window.setLabelling(labelling);
            window.Edit1->setText(timeframes);
            window.ListBox1->clear();
            window.ListBox1->addItems(files);
            window.UpdateListScrollWidth();
        }
    } saved{*this, m_runState.kind, labelling(), Edit1->text(), registeredFiles()};

    m_linkageRunning = true;
    m_running = true;
    m_cancelRequested = false;
    setLabelling(BarLabelling::ByStart);
    const RunRequest request = runRequest();

    LinkageBatchHooks hooks;
    hooks.beforeRun = [this](std::string_view, std::span<const std::string> files) {
        ListBox1->clear();
        for (const std::string& file : files) {
            ListBox1->addItem(qText(file));
        }
        UpdateListScrollWidth();
        Button1->setEnabled(true);
    };
    WindowRunHost host(*this, m_confirm, &linkageWindow);
    return RunLinkageBatch(batch, request, host, *m_clock, m_runState, hooks);
}

void TForm1::requestCancel()
{
    m_cancelRequested = m_running;
}

void TForm1::finishBusyWork()
{
    // A close asked for while busy was held back; it happens now that nothing uses the window any more.
    if (m_closeWhenIdle) {
        m_closeWhenIdle = false;
        QTimer::singleShot(0, this, &QWidget::close);
    }
}

void TForm1::Button5Click()
{
    if (m_summer != nullptr) {
        m_summer->exec();
    }
}

void TForm1::ButtonClockClick()
{
    // A preset fills the cut time and the window here at once, so the user sees them; a cancel puts them back.
    const FormSettings before = currentSettings();
    ClockDialog dialog(m_settingsFile, this);
    connect(&dialog, &ClockDialog::presetChosen, this, &TForm1::applyClockPreset);
    if (dialog.exec() != QDialog::Accepted) {
        Edit3->setText(qText(before.mktChangeTime));
        CheckBox2->setChecked(before.checkBox2);
        ComboBox1->setCurrentIndex(before.mktOpenYoubi);
        Edit4->setText(qText(before.mktOpenTime));
        ComboBox2->setCurrentIndex(before.mktCloseYoubi);
        Edit5->setText(qText(before.mktCloseTime));
        return;
    }
    SaveMainSettings();
    showMarketClock(clockSettingsOf(loadClockSettings(IniFile(m_settingsFile))).marketClock());
}

void TForm1::applyClockPreset(const ClockPreset& preset)
{
    Edit3->setText(qText(preset.cutTime));
    CheckBox2->setChecked(true);
    ComboBox1->setCurrentIndex(preset.openDay - 1);
    Edit4->setText(qText(preset.openTime));
    ComboBox2->setCurrentIndex(preset.closeDay - 1);
    Edit5->setText(qText(preset.closeTime));
}

void TForm1::InputLayoutClick()
{
    QStringList files;
    for (int i = 0; i < ListBox1->count(); ++i) {
        files.append(ListBox1->item(i)->text());
    }
    bool numeric = false;
    const int dateField = Edit7->text().trimmed().toInt(&numeric);
    InputLayoutDialog dialog(m_settingsFile, files, ListBox1->currentRow(), numeric && dateField > 0 ? dateField : 1,
                             m_clock->today().year, this);
    dialog.exec();
}

void TForm1::closeEvent(QCloseEvent* event)
{
    if (!m_busy) {
        QMainWindow::closeEvent(event);
        return;
    }
    // The run (or registration) still uses this window: the close waits until it has ended. Closing during a
    // run asks the cancel question first; "Cancel" keeps the run and the window.
    event->ignore();
    if (m_running && !m_cancelRequested) {
        if (!askCancelQuestion()) {
            return;
        }
        Cancel->setEnabled(false);
        m_cancelRequested = true;
    }
    m_closeWhenIdle = true;
}

void TForm1::ShowFilePreview(const QString& path)
{
    const auto lines = readPreviewLines(stdPath(path));
    for (const std::string& line : lines) {
        Memo1->appendPlainText(displayText(line));
    }
}

void TForm1::RegisterDroppedFiles(const QStringList& files)
{
    SetControlsEnabled(false);
    Memo1->clear();
    Memo1->repaint();
    QCoreApplication::processEvents();
    setStatusText(QString::number(files.size()));
    for (const QString& file : files) {
        ListBox1->addItem(file);
    }
    UpdateListScrollWidth();
    QCoreApplication::processEvents();
    try {
        if (ListBox1->count() > 0) {
            ShowFilePreview(ListBox1->item(0)->text());
        }
        Memo1->appendPlainText(QStringLiteral("...以下省略"));
    } catch (const std::exception& error) {
        showMessage(displayText(error.what()));
    }
    SetControlsEnabled(true);
    finishBusyWork();
}

void TForm1::OpenAndRegisterFile()
{
    if (m_busy || OpenDialog1->exec() != QDialog::Accepted || OpenDialog1->selectedFiles().isEmpty()) {
        return;
    }
    const QString file = OpenDialog1->selectedFiles().constFirst();
    Memo1->clear();
    SetControlsEnabled(false);
    ListBox1->addItem(file);
    QCoreApplication::processEvents();
    try {
        ShowFilePreview(file);
        UpdateListScrollWidth();
        Memo1->appendPlainText(QStringLiteral("... 以下省略"));
    } catch (const std::exception& error) {
        UpdateListScrollWidth();
        showMessage(displayText(error.what()));
    }
    SetControlsEnabled(true);
    finishBusyWork();
}

void TForm1::ClearFileList()
{
    ListBox1->clear();
    m_listScrollExtent = 0;
}

void TForm1::UpdateListScrollWidth()
{
    // The list view scrolls across its widest entry by itself; the extent is kept as measured for the
    // window's font rather than as a fixed number of pixels per byte.
    const QFontMetrics metrics(ListBox1->font());
    int widest = 0;
    for (int i = 0; i < ListBox1->count(); ++i) {
        widest = std::max(widest, metrics.horizontalAdvance(ListBox1->item(i)->text()));
    }
    m_listScrollExtent = widest;
}

QStringList TForm1::registeredFiles() const
{
    QStringList files;
    for (int i = 0; i < ListBox1->count(); ++i) {
        files.append(ListBox1->item(i)->text());
    }
    return files;
}

bool TForm1::acceptsDrop(const QMimeData* mime)
{
    return mime != nullptr && !droppedLocalFiles(*mime).isEmpty();
}

void TForm1::dragEnterEvent(QDragEnterEvent* event)
{
    dragMoveEvent(event);
}

void TForm1::dragMoveEvent(QDragMoveEvent* event)
{
    // While a run or a registration is under way drops are refused: handled inside it, a registration would
    // make the window idle in the middle of the run.
    if (!m_busy && acceptsDrop(event->mimeData())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void TForm1::dropEvent(QDropEvent* event)
{
    if (m_busy || event->mimeData() == nullptr) {
        event->ignore();
        return;
    }
    const QStringList files = droppedLocalFiles(*event->mimeData());
    if (files.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    RegisterDroppedFiles(files);
}

void TForm1::showMessage(const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), text, QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("Message"));
    box.exec();
}

void TForm1::appendLog(const QString& text)
{
    QString rows = text;
    rows.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    rows.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    Memo1->appendPlainText(rows);
}

void TForm1::clearLog()
{
    Memo1->clear();
}

void TForm1::setStatusText(const QString& text)
{
    showStatusText(StatusBar1, ProgressBar1, text, ProgressBarX);
}

QString TForm1::statusText() const
{
    return StatusBar1->currentMessage();
}

void TForm1::setProgressRange(int minimum, int maximum)
{
    velmora::setProgressRange(ProgressBar1, minimum, maximum);
}

void TForm1::setProgressPosition(int position)
{
    velmora::setProgressPosition(ProgressBar1, position);
}

void TForm1::showTimeframeText(const QString& text)
{
    Edit1->setText(text);
}

} // namespace velmora
