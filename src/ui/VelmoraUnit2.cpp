#include "ui/VelmoraUnit2.h"

#include "platform/IniFile.h"
#include "ui/FileRegistration.h"
#include "ui/JapaneseUiFont.h"
#include "ui/QtText.h"
#include "ui/StatusProgress.h"
#include "ui/VelmoraMainUnit.h"
#include "ui/WindowPlacement.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>
#include <system_error>

namespace velmora {

namespace {

constexpr int Margin = 8;
constexpr int ListTop = 26;
constexpr int LabelStep = 16;
constexpr int EditToGroup = 40;
constexpr int GroupToButtons = 72;
constexpr int GroupHeight = 64;
constexpr int ShownHeightBelowButtons = 64;
constexpr int ProgressBarWidth = 160;
// The window's height less its list: from the list's top to the buttons, and the status bar's room below them.
constexpr int HeightBesideList =
    ListTop + 3 * LabelStep + EditToGroup + GroupToButtons + TForm2::ButtonHeight + ShownHeightBelowButtons;

QLabel* makeLabel(const QString& name, const QString& caption, QWidget* parent)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->adjustSize();
    return label;
}

/// The order in which the platform's file browser lists folders by name: without regard to letter case on
/// Windows, by character code elsewhere.
bool listedBefore(const std::string& left, const std::string& right)
{
#ifdef Q_OS_WIN
    const int folded = qText(left).compare(qText(right), Qt::CaseInsensitive);
    if (folded != 0) {
        return folded < 0;
    }
#endif
    return left < right;
}

} // namespace

TForm2::TForm2(std::filesystem::path settingsFile, TForm1* mainWindow, QWidget* parent)
    : QMainWindow(parent), m_settingsFile(std::move(settingsFile)), m_main(mainWindow)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Quenbry 連携モード"));
    setFont(japaneseUiFont());
    buildControls();
    resize(TForm1::BuiltInWidth, 0);
    layoutFromListLength();
    resize(TForm1::BuiltInWidth, Button1->y() + ButtonHeight + ShownHeightBelowButtons);

    // The tool is looked for where the program was started, not beside the program: the batch is meant to be
    // started from the download tool's folder.
    std::error_code error;
    const std::filesystem::path toolFolder = std::filesystem::current_path(error);
    if (!error) {
        m_tool = findDownloadTool(toolFolder);
    }
    if (!m_tool) {
        return;
    }

    m_settings = loadForm2Settings(IniFile(m_settingsFile));
    Edit1->setText(qText(m_settings->edit1Text));
    m_radioGroup1Buttons->button(static_cast<int>(m_settings->radioGroup1))->setChecked(true);

    // The directory listing comes in the file system's own order (a hash order on some); the user finds a
    // folder more easily in the order the file browser shows.
    std::vector<std::string> folders = ListCurrencyFolders(m_tool->baseFolder());
    std::sort(folders.begin(), folders.end(), listedBefore);
    for (const std::string& folder : folders) {
        auto* item = new QListWidgetItem(qText(folder), CheckListBox1);
        // Not user-checkable: a click anywhere on the line flips the mark once, through CheckListBox1Click.
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        item->setSizeHint(QSize(0, ListLineHeight));
        item->setCheckState(isFolderChecked(m_settings->checkList, folder) ? Qt::Checked : Qt::Unchecked);
    }
    layoutFromListLength();

    const QString argument = m_main != nullptr ? m_main->firstArgument() : QString();
    m_editMode = argument == QStringLiteral("edit");
    m_autoMode = argument == QStringLiteral("auto");
    if (m_editMode) {
        Button2->setVisible(false);
        setWindowTitle(QStringLiteral("1min以外のファイル作成設定"));
        Button1->setText(QStringLiteral("設定を保存"));
    }
}

TForm2::~TForm2()
{
    // Written whenever the section was read, so a start without the tool leaves the linkage settings alone.
    if (m_settings) {
        SaveLinkageSettings();
    }
}

void TForm2::buildControls()
{
    Panel = new QWidget(this);
    Panel->setObjectName(QStringLiteral("Panel"));
    setCentralWidget(Panel);

    Label1 = makeLabel(QStringLiteral("Label1"), QStringLiteral("処理する通貨にチェックを入れてください"), Panel);
    CheckListBox1 = new QListWidget(Panel);
    CheckListBox1->setObjectName(QStringLiteral("CheckListBox1"));
    CheckListBox1->setUniformItemSizes(true);
    CheckListBox1->installEventFilter(this);
    Label2 = makeLabel(QStringLiteral("Label2"),
                       QStringLiteral("作成する時間足を分単位で指定（カンマ区切りで複数指定）"), Panel);
    Label3 = makeLabel(QStringLiteral("Label3"),
                       QStringLiteral("※ 例えば、5分足、1時間足、4時間足、日足を一度に作成したい時は「5, 60, 240, "
                                      "1440」と入力する"),
                       Panel);
    Edit1 = new QLineEdit(QStringLiteral("5, 60, 240, 1440"), Panel);
    Edit1->setObjectName(QStringLiteral("Edit1"));

    RadioGroup1 = new QGroupBox(QStringLiteral("目的の時間足がすでに作られていた場合…―"), Panel);
    RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
    m_radioGroup1Buttons = new QButtonGroup(this);
    auto* keep = new QRadioButton(QStringLiteral("元のファイルより新しいファイルになる場合のみ、上書き"), RadioGroup1);
    keep->setObjectName(QStringLiteral("RadioGroup1Item0"));
    keep->setGeometry(Margin, 20, 400, 20);
    auto* rebuild = new QRadioButton(QStringLiteral("強制上書き"), RadioGroup1);
    rebuild->setObjectName(QStringLiteral("RadioGroup1Item1"));
    rebuild->setGeometry(Margin, 40, 400, 20);
    m_radioGroup1Buttons->addButton(keep, static_cast<int>(LinkageOverwrite::WhenNewer));
    m_radioGroup1Buttons->addButton(rebuild, static_cast<int>(LinkageOverwrite::Always));
    keep->setChecked(true);

    Button1 = new QPushButton(QStringLiteral("実行"), Panel);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setAutoDefault(false);
    Button2 = new QPushButton(QStringLiteral("通常モードに戻る"), Panel);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setAutoDefault(false);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    setStatusBar(StatusBar1);
    ProgressBar1 = makeStatusProgressBar(StatusBar1);
    ProgressBar1->setGeometry(ProgressBarX, 2, ProgressBarWidth, std::max(StatusBar1->sizeHint().height() - 2, 1));

    connect(Button1, &QPushButton::clicked, this, &TForm2::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm2::Button2Click);
    connect(CheckListBox1, &QListWidget::itemClicked, this, &TForm2::CheckListBox1Click);
}

void TForm2::layoutFromListLength(int listHeightLimit)
{
    // The list shows every folder without scrolling where the screen allows; everything below it moves down
    // with it.
    const int listHeight =
        std::min(CheckListBox1->count() * ListLineHeight + 5, std::max(listHeightLimit, MinimumListHeight));
    Label1->move(Margin, Margin);
    CheckListBox1->setGeometry(Margin, ListTop, CheckListBox1->width(), listHeight);
    Label2->move(Margin, ListTop + listHeight + LabelStep);
    Label3->move(Margin, Label2->y() + LabelStep);
    Edit1->setGeometry(Margin, Label3->y() + LabelStep, Edit1->width(), 20);
    RadioGroup1->setGeometry(Margin, Edit1->y() + EditToGroup, RadioGroup1->width(), GroupHeight);
    Button1->setGeometry(Margin, RadioGroup1->y() + GroupToButtons, 80, ButtonHeight);
    Button2->setGeometry(Margin + 88, Button1->y(), 120, ButtonHeight);
    fitWidths();
}

void TForm2::fitWidths()
{
    const int inner = std::max(width() - 2 * Margin, 200);
    CheckListBox1->resize(inner, CheckListBox1->height());
    Edit1->resize(inner, Edit1->height());
    RadioGroup1->resize(inner, RadioGroup1->height());
}

void TForm2::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    fitWidths();
    ProgressBar1->resize(ProgressBar1->width(), std::max(StatusBar1->height() - 2, 1));
}

void TForm2::setVisible(bool visible)
{
    // Placed before showing: once shown, the window would stand where the platform first put it.
    if (visible && !isVisible() && m_main != nullptr) {
        placeOverMainWindow();
    }
    QMainWindow::setVisible(visible);
}

void TForm2::placeOverMainWindow()
{
    // The window opens where the main window stands, as wide, and tall enough for its buttons but no taller
    // than the screen: a long folder list scrolls instead.
    const QPoint wanted = m_main->pos();
    const int frameExtra = frameExtraHeight(*this);
    const QRect area = availableAreaFor(QRect(wanted, QSize(m_main->width(), height())));
    layoutFromListLength(area.height() - frameExtra - HeightBesideList);
    resize(m_main->width(), Button1->y() + Button2->height() + ShownHeightBelowButtons);

    // Both windows' places are those of their frames: the main window's pos() is its frame's, and closing
    // this window hands its frame's place back. Moved before the platform window exists, the place is taken
    // as the frame's; moved later, before the frame is known, it would be the client area's, and the window
    // would creep up by a title bar on every round.
    move(placeOnScreen(QRect(wanted, QSize(width(), height() + frameExtra))));
}

void TForm2::startLinkageMode()
{
    if (!m_tool || m_main == nullptr || (!m_editMode && !m_autoMode)) {
        return;
    }
    show();
    if (m_autoMode) {
        QCoreApplication::processEvents();
        // A batch stopped by an error leaves the window open with its message shown, for the user to act on.
        if (RunLinkageBatch() != LinkageBatchOutcome::Failed) {
            emit programEndRequested();
        }
    }
}

void TForm2::Button1Click()
{
    if (m_editMode) {
        // The settings are written as the windows are destroyed at the program's end.
        emit programEndRequested();
        return;
    }
    RunLinkageBatch();
}

void TForm2::Button2Click()
{
    if (m_main == nullptr || m_batchRunning) {
        return;
    }
    copyPlaceToMainWindow();
    m_main->show();
    hide();
    QCoreApplication::processEvents();
}

void TForm2::copyPlaceToMainWindow()
{
    if (m_main != nullptr) {
        m_main->move(pos());
        m_main->resize(width(), m_main->height());
    }
}

void TForm2::CheckListBox1Click()
{
    flipSelectedCheck();
}

void TForm2::CheckListBox1ClickCheck()
{
    flipSelectedCheck();
}

void TForm2::flipSelectedCheck()
{
    if (QListWidgetItem* item = CheckListBox1->currentItem()) {
        item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    }
}

bool TForm2::eventFilter(QObject* watched, QEvent* event)
{
    // The space bar marks the selected folder, as a click on its check box does.
    if (watched == CheckListBox1 && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space) {
        CheckListBox1ClickCheck();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

std::optional<LinkageBatchOutcome> TForm2::RunLinkageBatch()
{
    if (!m_tool || m_main == nullptr || m_batchRunning) {
        return std::nullopt;
    }
    LinkageBatch batch;
    batch.tool = *m_tool;
    for (const QString& folder : checkedFolders()) {
        batch.checkedFolders.push_back(stdText(folder));
    }
    batch.timeframes = stdText(Edit1->text());
    batch.overwritePolicy = overwritePolicy();

    m_batchRunning = true;
    SetControlsEnabled(false);
    const auto result = m_main->runLinkageBatch(batch, *this);
    m_batchRunning = false;
    SetControlsEnabled(true);

    // A close asked for during the batch cancelled it; the window closes now that nothing uses it.
    if (m_closeWhenIdle) {
        m_closeWhenIdle = false;
        QTimer::singleShot(0, this, &QWidget::close);
    }
    if (!result) {
        return std::nullopt;
    }
    return result->outcome;
}

LinkageOverwrite TForm2::overwritePolicy() const
{
    return overwritePolicyFromIndex(m_radioGroup1Buttons->checkedId());
}

void TForm2::SetControlsEnabled(bool enabled)
{
    for (QWidget* control :
         {static_cast<QWidget*>(Button1), static_cast<QWidget*>(Button2), static_cast<QWidget*>(Edit1),
          static_cast<QWidget*>(CheckListBox1), static_cast<QWidget*>(RadioGroup1)}) {
        control->setEnabled(enabled);
    }
}

void TForm2::closeEvent(QCloseEvent* event)
{
    if (m_batchRunning) {
        // The batch's run still uses this window: cancel it and close once it has stopped.
        event->ignore();
        m_closeWhenIdle = true;
        m_main->requestCancel();
        return;
    }
    copyPlaceToMainWindow();
    QMainWindow::closeEvent(event);
    emit programEndRequested();
}

QStringList TForm2::folderNames() const
{
    QStringList names;
    for (int i = 0; i < CheckListBox1->count(); ++i) {
        names.append(CheckListBox1->item(i)->text());
    }
    return names;
}

QStringList TForm2::checkedFolders() const
{
    QStringList names;
    for (int i = 0; i < CheckListBox1->count(); ++i) {
        if (CheckListBox1->item(i)->checkState() == Qt::Checked) {
            names.append(CheckListBox1->item(i)->text());
        }
    }
    return names;
}

Form2Settings TForm2::currentSettings() const
{
    std::vector<std::string> checked;
    for (const QString& folder : checkedFolders()) {
        checked.push_back(stdText(folder));
    }
    Form2Settings settings;
    settings.checkList = joinCheckedFolders(checked);
    settings.edit1Text = stdText(Edit1->text());
    settings.radioGroup1 = overwritePolicy();
    return settings;
}

void TForm2::SaveLinkageSettings()
{
    try {
        IniFile file(m_settingsFile);
        saveForm2Settings(file, currentSettings());
        file.save();
    } catch (const std::exception& error) {
        showMessage(displayText(error.what()));
    }
}

void TForm2::setStatusText(const QString& text)
{
    // A long status text (a long folder name) pushes the progress bar right instead of running under it.
    showStatusText(StatusBar1, ProgressBar1, text, ProgressBarX);
}

QString TForm2::statusText() const
{
    return StatusBar1->currentMessage();
}

void TForm2::setProgressRange(int minimum, int maximum)
{
    velmora::setProgressRange(ProgressBar1, minimum, maximum);
}

void TForm2::setProgressPosition(int position)
{
    velmora::setProgressPosition(ProgressBar1, position);
}

void TForm2::showMessage(const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), text, QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("Message"));
    box.exec();
}

} // namespace velmora
