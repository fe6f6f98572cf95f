#include "ui/VelmoraMainUnit.h"

#include "engine/run/RunRequestFromSettings.h"
#include "engine/settings/SettingRanges.h"
#include "input/DateTimeText.h"
#include "platform/IniFile.h"
#include "platform/Numbers.h"
#include "platform/RunError.h"
#include "ui/ChartLinks.h"
#include "ui/ChartWindow.h"
#include "ui/ClockDialog.h"
#include "ui/FileRegistration.h"
#include "ui/InputLayoutDialog.h"
#include "ui/JapaneseUiFont.h"
#include "ui/MainWindowLayout.h"
#include "ui/OutputFormatDialog.h"
#include "ui/QtText.h"
#include "ui/StatusProgress.h"
#include "ui/TUpDown.h"
#include "ui/VelmoraConfirmUnit.h"
#include "ui/VelmoraSummerUnit.h"
#include "ui/WindowPlacement.h"
#include "ui/WindowRunHost.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>
#include <thread>

namespace velmora {

namespace {

/// The integer a spin box's text stands for, or the buttons' position when the text is not a number.
std::int32_t boxValue(const QLineEdit* box, const TUpDown* buttons)
{
    return parseInt(stdText(box->text())).value_or(buttons->position());
}

} // namespace

TForm1::TForm1(std::filesystem::path settingsFile, QString firstArgument, const Clock* clock, QWidget* parent)
    : QMainWindow(parent), m_settingsFile(std::move(settingsFile)), m_firstArgument(std::move(firstArgument)),
      m_startsHidden(m_firstArgument == QStringLiteral("auto") || m_firstArgument == QStringLiteral("edit")),
      m_ownClock(clock == nullptr ? std::make_unique<SystemClock>() : nullptr),
      m_clock(clock != nullptr ? clock : m_ownClock.get())
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(
        QStringLiteral("1分足やTickから指定した時間足のデータを作ったりずらしたりするアプリ ver 0.06 beta 2"));
    setFont(japaneseUiFont());
    // Files dropped anywhere on the window register.
    setAcceptDrops(true);

    setupControls(*this);
    layoutAtBuiltInSize();
    connectHandlers();
    LoadMainSettings();
    layoutLoadedWindow();
    refuseDropsOnControls();
}

TForm1::~TForm1()
{
    SaveMainSettings();
}

void TForm1::layoutAtBuiltInSize()
{
    fitMarketLine(*this, *style());
    // The panel fits the minimum height once compacted; a font far wider than the window was drawn for may
    // need a little more, and the window then stops there rather than cut the panel.
    setMinimumSize(MinimumWidth, std::max(MinimumHeight, compactWindowHeight(*this)));
    resize(BuiltInWidth, BuiltInHeight);
}

// At the size the settings gave the window, which is shown only later.
void TForm1::layoutLoadedWindow()
{
    placeProgressBar(*this);
    layoutUpperPanel(*this, width(), height() - StatusBar1->sizeHint().height());
}

void TForm1::refuseDropsOnControls()
{
    // Edit boxes would take a dropped file as text; every drop on the window registers files instead.
    const auto descendants = findChildren<QWidget*>();
    for (QWidget* child : descendants) {
        if (child->window() == this) {
            child->setAcceptDrops(false);
        }
    }
}

void TForm1::connectHandlers()
{
    // The panel is placed by hand whenever the space under the title changes (see layoutUpperPanel).
    centralWidget()->installEventFilter(this);
    connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm1::ClearFileList);
    connect(Button4, &QPushButton::clicked, this, &TForm1::OpenAndRegisterFile);
    connect(Cancel, &QPushButton::clicked, this, &TForm1::CancelClick);
    connect(Button5, &QPushButton::clicked, this, &TForm1::Button5Click);
    connect(ButtonClock, &QPushButton::clicked, this, &TForm1::ButtonClockClick);
    connect(InputLayoutButton, &QPushButton::clicked, this, &TForm1::InputLayoutClick);
    connect(OutputFormatButton, &QPushButton::clicked, this, &TForm1::OutputFormatClick);
    connect(CheckBox2, &QCheckBox::toggled, this, &TForm1::CheckBox2Click);
    connect(CheckBox4, &QCheckBox::toggled, this, &TForm1::CheckBox4Click);
    connect(EditDateS, &QLineEdit::textChanged, this, &TForm1::EditDateSChange);
    m_chartLinks = new ChartLinks(
        *ListBox1, *Memo1, [this](const std::filesystem::path& file, bool source) { openChart(file, source); }, this);
}

void TForm1::showMarketClock(const ClockChoice& marketClock)
{
    const QString caption = marketCaption(marketClock);
    if (CheckBox2->text().remove(QLatin1Char('\n')) == caption) {
        return;
    }
    CheckBox2->setText(caption);
    CheckBox2->adjustSize();
    // A longer clock name may wrap a caption that fitted on one line: the frame and the panel grow with it.
    fitMarketLine(*this, *style());
    setMinimumHeight(std::max(minimumHeight(), compactWindowHeight(*this)));
    layoutUpperPanel(*this, width(), centralWidget()->height());
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
    return m_chartLinks->openLogLine(row);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == centralWidget() && event->type() == QEvent::Resize) {
        layoutUpperPanel(*this, width(), centralWidget()->height());
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    layoutControls(*this, width(), centralWidget()->height());
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

    // Centred at the built-in size unless stored.
    const QPoint centred = centredPlace(QSize(BuiltInWidth, BuiltInHeight));
    const int top = settings.top.value_or(centred.y());
    const int left = settings.left.value_or(centred.x());
    move(left, top);
    resize(settings.width, settings.height);
    // A stored place may lie off every screen (a screen since removed, a smaller resolution, a window moved
    // off by hand): the window is then brought onto the screen that holds its centre, or the primary one.
    if (settings.top || settings.left) {
        move(reachablePlace(QRect(QPoint(left, top), size())));
    }

    showFileList(qTexts(settings.listBox));
    m_runState.kind = barKindFromSettings(settings);
    // What the stored settings allow: a run once files are registered, the extension box under its check box.
    Button1->setEnabled(ListBox1->count() > 0);
    CheckBox4Click();
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
    const QStringList files = registeredFiles();
    settings.listBox.reserve(static_cast<std::size_t>(files.size()));
    for (const QString& file : files) {
        settings.listBox.push_back(stdText(file));
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
    return labellingFromIndex(radioGroup1Buttons->checkedId());
}

void TForm1::setLabelling(BarLabelling labelling)
{
    radioGroup1Buttons->button(static_cast<int>(labelling))->setChecked(true);
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
    setInputsEnabled(*this, enabled);
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
    // Sections "Bars", "GapReport", "Input" and "Clock" have no control in this window: the run takes them as the
    // settings file holds them at each run, so a layout saved in the input-layout dialog is used by the next run.
    RunSections sections = loadRunSections(IniFile(m_settingsFile));
    // Sections "Form" and "Summer" are this window's controls and its summer-time dialog as they stand.
    sections.form = currentSettings();
    sections.summer = SummerSettings{};
    RunRequest request = runRequestFromSettings(sections);
    request.frontEnd = RunFrontEnd::Window;
    // The run converts the typed boxes itself, so that a value that is not a number ends it with its message.
    request.dateSeparatorBox = stdText(EditDateS->text());
    request.timeZoneBox = stdText(Edit6->text());
    request.dateFieldBox = stdText(Edit7->text());
    if (m_summer != nullptr) {
        request.summer = m_summer->rowsForRun();
    }
    request.settings.summerTable = request.summer.enabled;
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
            window.showFileList(files);
        }
    } saved{*this, m_runState.kind, labelling(), Edit1->text(), registeredFiles()};

    m_linkageRunning = true;
    m_running = true;
    m_cancelRequested = false;
    setLabelling(BarLabelling::ByStart);
    const RunRequest request = runRequest();

    LinkageBatchHooks hooks;
    hooks.beforeRun = [this](std::string_view, std::span<const std::string> files) {
        showFileList(qTexts(files));
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
    const QStringList files = registeredFiles();
    bool numeric = false;
    const int dateField = Edit7->text().trimmed().toInt(&numeric);
    InputLayoutDialog dialog(m_settingsFile, files, ListBox1->currentRow(), numeric && dateField > 0 ? dateField : 1,
                             m_clock->today().year, this);
    dialog.exec();
}

void TForm1::OutputFormatClick()
{
    OutputFormatDialog dialog(m_settingsFile, registeredFiles(), ListBox1->currentRow(), runRequest().settings, this);
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
    ListBox1->addItems(files);
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
    const QString file = QDir::toNativeSeparators(OpenDialog1->selectedFiles().constFirst());
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
    const QStringList files = registeredFiles();
    for (const QString& file : files) {
        widest = std::max(widest, metrics.horizontalAdvance(file));
    }
    m_listScrollExtent = widest;
}

void TForm1::showFileList(const QStringList& files)
{
    ListBox1->clear();
    ListBox1->addItems(files);
    UpdateListScrollWidth();
}

QStringList TForm1::registeredFiles() const
{
    return listedFiles(*ListBox1);
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
