#include "ui/VelmoraSummerUnit.h"

#include "engine/settings/RunBoxes.h"
#include "engine/settings/SettingRanges.h"
#include "platform/Clock.h"
#include "platform/IniFile.h"
#include "platform/RunError.h"
#include "ui/QtText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QResizeEvent>
#include <QShowEvent>
#include <QSpinBox>

#include <cmath>

namespace velmora {

namespace {

constexpr int ClientWidth = 520;
constexpr int ClientHeight = 440;
constexpr int ListsTop = 50;
constexpr int EditHeight = 21;
constexpr int ButtonHeight = 25;

std::vector<std::string> rowsOf(const QListWidget* list)
{
    std::vector<std::string> rows;
    rows.reserve(static_cast<std::size_t>(list->count()));
    for (int i = 0; i < list->count(); ++i) {
        rows.push_back(stdText(list->item(i)->text()));
    }
    return rows;
}

void fillList(QListWidget* list, const std::vector<std::string>& rows)
{
    list->clear();
    for (const auto& row : rows) {
        list->addItem(qText(row));
    }
}

// The platform's rounding: halves go to the even neighbour.
int roundHalfEven(double value)
{
    return static_cast<int>(std::nearbyint(value));
}

// A shift is kept as typed, but a text that holds a row separator would come back from the settings file as
// several rows and pair every later period with the wrong shift.
bool storableAsOneRow(std::string_view text)
{
    return text.find(RowSeparator) == std::string_view::npos && text.find_first_of("\r\n") == std::string_view::npos;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    // Enter in an edit field adds a row; it must never press a button that happens to be the default.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

} // namespace

TSummer::TSummer(std::filesystem::path settingsFile, QWidget* parent)
    : QDialog(parent), m_settingsFile(std::move(settingsFile)), m_currentYear(SystemClock().today().year)
{
    setObjectName(QStringLiteral("Summer"));
    setWindowTitle(QStringLiteral("夏時間の設定"));

    // The frame first, so the buttons drawn over it stay on top.
    Bevel1 = new QFrame(this);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameShape(QFrame::StyledPanel);
    Bevel1->setFrameShadow(QFrame::Sunken);

    CheckBox1 = new QCheckBox(QStringLiteral("夏時間の設定を有効にする"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));

    const auto makeLabel = [this](const char* name, const QString& caption) {
        auto* label = new QLabel(caption, this);
        label->setObjectName(QLatin1String(name));
        return label;
    };
    Label1 = makeLabel("Label1", QStringLiteral("開始日時"));
    Label2 = makeLabel("Label2", QStringLiteral("終了日時"));
    Label3 = makeLabel("Label3", QStringLiteral("ずらす量(分)"));

    const auto makeList = [this](const char* name) {
        auto* list = new QListWidget(this);
        list->setObjectName(QLatin1String(name));
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        connect(list, &QListWidget::currentRowChanged, this, &TSummer::ListBoxClick);
        return list;
    };
    ListBox1 = makeList("ListBox1");
    ListBox2 = makeList("ListBox2");
    ListBox3 = makeList("ListBox3");

    const auto makeEdit = [this](const char* name) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QLatin1String(name));
        connect(edit, &QLineEdit::returnPressed, this, &TSummer::Edit1KeyDown);
        return edit;
    };
    Edit1 = makeEdit("Edit1");
    Edit2 = makeEdit("Edit2");
    Edit3 = makeEdit("Edit3");
    Edit1->setPlaceholderText(QStringLiteral("2008/03/09 2:00:00"));
    Edit2->setPlaceholderText(QStringLiteral("2008/11/02 2:00:00"));
    Edit3->setPlaceholderText(QStringLiteral("60"));

    Button1 = makeButton(this, "Button1", QStringLiteral("登録"));
    Button3 = makeButton(this, "Button3", QStringLiteral("選択項目を削除"));
    Button4 = makeButton(this, "Button4", QStringLiteral("上に移動"));
    Button5 = makeButton(this, "Button5", QStringLiteral("下に移動"));
    Button6 = makeButton(this, "Button6", QStringLiteral("保存"));
    Button7 = makeButton(this, "Button7", QStringLiteral("規則から入力…"));
    connect(Button1, &QPushButton::clicked, this, &TSummer::Button1Click);
    connect(Button3, &QPushButton::clicked, this, &TSummer::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &TSummer::Button4Click);
    connect(Button5, &QPushButton::clicked, this, &TSummer::Button5Click);
    connect(Button6, &QPushButton::clicked, this, &TSummer::Button6Click);
    connect(Button7, &QPushButton::clicked, this, &TSummer::Button7Click);
    connect(CheckBox1, &QCheckBox::toggled, this, &TSummer::CheckBox1Click);

    setMinimumSize(380, 320);
    resize(ClientWidth, ClientHeight);
    layoutControls();
    loadSettings();
}

TSummer::~TSummer()
{
    try {
        saveSettings();
    } catch (const std::exception& error) {
        showMessage(qText(error.what()));
    }
}

SummerRows TSummer::rowsForRun() const
{
    return {CheckBox1->isChecked(), rowsOf(ListBox1), rowsOf(ListBox2), rowsOf(ListBox3)};
}

SummerSettings TSummer::settings() const
{
    return {CheckBox1->isChecked(), rowsOf(ListBox1), rowsOf(ListBox2), rowsOf(ListBox3)};
}

void TSummer::saveSettings() const
{
    // Read the file afresh: the other windows write their own sections of it.
    IniFile file(m_settingsFile);
    saveSummerSettings(file, settings());
    file.save();
}

void TSummer::loadSettings()
{
    const SummerSettings stored = loadSummerSettings(IniFile(m_settingsFile));
    fillList(ListBox1, stored.openListBox);
    fillList(ListBox2, stored.closeListBox);
    fillList(ListBox3, stored.gapListBox);
    CheckBox1->setChecked(stored.checkBox1);
    applyEnabled();
}

bool TSummer::fillFromRules(const DaylightRequest& request)
{
    if (const auto problem = daylightRequestProblem(request)) {
        showMessage(qText(*problem));
        return false;
    }
    for (const auto& row : daylightRows(request)) {
        appendRow(row.start, row.end, row.shift);
    }
    return true;
}

void TSummer::Button1Click()
{
    const std::string start = stdText(Edit1->text());
    const std::string end = stdText(Edit2->text());
    const std::string shift = stdText(Edit3->text());
    if (start.empty()) {
        showMessage(QStringLiteral("開始日時が空白です。設定してください"));
        return;
    }
    if (end.empty()) {
        showMessage(QStringLiteral("終了日時が空白です。設定してください"));
        return;
    }
    if (shift.empty()) {
        showMessage(QStringLiteral("ずらす量が空白です。設定してください"));
        return;
    }
    // Both texts are checked before anything is added, so a bad end never leaves a start without partners.
    const auto startText = normalizedPeriodText(start, m_currentYear);
    if (!startText) {
        showMessage(qText(start) + QStringLiteral(" は日時の形式として読み込めません"));
        return;
    }
    const auto endText = normalizedPeriodText(end, m_currentYear);
    if (!endText) {
        showMessage(qText(end) + QStringLiteral(" は日時の形式として読み込めません"));
        return;
    }
    if (!storableAsOneRow(shift)) {
        showMessage(qText(shift) +
                    QStringLiteral(" は、ずらす量として保存できません (改行や \\13\\10 を含んでいます)"));
        return;
    }
    appendRow(*startText, *endText, shift);
    Edit1->clear();
    Edit2->clear();
    Edit3->clear();
    Edit1->setFocus();
}

void TSummer::Button3Click()
{
    const int row = selectedRow();
    if (row < 0) {
        return;
    }
    m_syncingSelection = true;
    for (QListWidget* list : {ListBox1, ListBox2, ListBox3}) {
        if (row < list->count()) {
            delete list->takeItem(row);
        }
        list->setCurrentRow(-1);
    }
    m_syncingSelection = false;
}

void TSummer::Button4Click()
{
    const int row = selectedRow();
    if (row <= 0) {
        return;
    }
    swapRows(row - 1);
    selectRow(row - 1);
}

void TSummer::Button5Click()
{
    const int row = selectedRow();
    if (row < 0 || row + 1 >= ListBox1->count()) {
        return;
    }
    swapRows(row);
    selectRow(row + 1);
}

void TSummer::Button6Click()
{
    try {
        saveSettings();
    } catch (const RunError& error) {
        // Stay open: the rows are still only in memory, and the user should know.
        showMessage(qText(error.what()));
        return;
    }
    accept();
}

void TSummer::Button7Click()
{
    QDialog ask(this);
    ask.setObjectName(QStringLiteral("DaylightRules"));
    ask.setWindowTitle(QStringLiteral("夏時間の規則から入力"));
    auto* form = new QFormLayout(&ask);

    auto* regime = new QComboBox(&ask);
    regime->setObjectName(QStringLiteral("RegimeBox"));
    // The regimes listed since the start first, then every zone of the database by its name.
    for (const auto& info : daylightRegimes()) {
        regime->addItem(qText(info.name), static_cast<int>(info.regime));
    }
    for (const std::string& zone : daylightZones()) {
        regime->addItem(qText(zone), qText(zone));
    }
    regime->setMaxVisibleItems(20);
    const auto makeSpin = [&ask](const char* name, ValueRange range, int value) {
        auto* spin = new QSpinBox(&ask);
        spin->setObjectName(QLatin1String(name));
        spin->setRange(range.minimum, range.maximum);
        spin->setValue(value);
        return spin;
    };
    auto* firstYear = makeSpin("FirstYearEdit", {1, LastDaylightYear}, m_currentYear);
    auto* lastYear = makeSpin("LastYearEdit", {1, LastDaylightYear}, m_currentYear + 1);
    auto* shift = makeSpin("ShiftEdit", DaylightShiftMinutesRange, 60);
    auto* offset = makeSpin("UtcOffsetEdit", SourceUtcOffsetHoursRange, 0);
    offset->setPrefix(QStringLiteral("UTC "));
    offset->setSuffix(QStringLiteral(" 時間"));
    form->addRow(QStringLiteral("夏時間の規則"), regime);
    form->addRow(QStringLiteral("開始年"), firstYear);
    form->addRow(QStringLiteral("終了年"), lastYear);
    form->addRow(QStringLiteral("ずらす量(分)"), shift);
    form->addRow(QStringLiteral("データの時刻 (UTC からの時差)"), offset);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &ask);
    connect(buttons, &QDialogButtonBox::accepted, &ask, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &ask, &QDialog::reject);
    form->addRow(buttons);

    if (ask.exec() != QDialog::Accepted) {
        return;
    }
    DaylightRequest request;
    if (const QVariant chosen = regime->currentData(); chosen.typeId() == QMetaType::QString) {
        request.zone = stdText(chosen.toString());
    } else {
        request.regime = static_cast<DaylightRegime>(chosen.toInt());
    }
    request.firstYear = firstYear->value();
    request.lastYear = lastYear->value();
    request.shiftMinutes = shift->value();
    request.sourceUtcOffsetHours = offset->value();
    fillFromRules(request);
}

void TSummer::CheckBox1Click()
{
    applyEnabled();
}

void TSummer::Edit1KeyDown()
{
    Button1Click();
}

void TSummer::ListBoxClick(int row)
{
    if (!m_syncingSelection) {
        selectRow(row);
    }
}

void TSummer::showEvent(QShowEvent* event)
{
    if (const QWidget* owner = parentWidget()) {
        const QWidget* main = owner->window();
        const QRect area = main->frameGeometry();
        move(area.left() + roundHalfEven((area.width() - frameGeometry().width()) / 2.0),
             area.top() + roundHalfEven((area.height() - frameGeometry().height()) / 2.0));
    }
    QDialog::showEvent(event);
}

void TSummer::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    layoutControls();
}

void TSummer::applyEnabled()
{
    const bool on = CheckBox1->isChecked();
    for (QWidget* control :
         std::initializer_list<QWidget*>{Label1, Label2, Label3, ListBox1, ListBox2, ListBox3, Edit1, Edit2, Edit3,
                                         Button1, Button3, Button4, Button5, Button7}) {
        control->setEnabled(on);
    }
}

void TSummer::layoutControls()
{
    const int width = this->width();
    const int height = this->height();
    const int w = roundHalfEven((width - 40) / 5.0);
    const int listHeight = height - 210;
    const int editTop = ListsTop + listHeight + 8;
    const int buttonTop = editTop + EditHeight + 15;
    const int lowerTop = buttonTop + ButtonHeight + 8;

    CheckBox1->setGeometry(8, 8, width - 16, 20);
    Label1->setGeometry(14, 32, 2 * w - 6, 16);
    Label2->setGeometry(2 * w + 22, 32, 2 * w - 6, 16);
    Label3->setGeometry(4 * w + 30, 32, w - 6, 16);
    ListBox1->setGeometry(8, ListsTop, 2 * w, listHeight);
    ListBox2->setGeometry(2 * w + 16, ListsTop, 2 * w, listHeight);
    ListBox3->setGeometry(4 * w + 24, ListsTop, w, listHeight);
    Edit1->setGeometry(8, editTop, 2 * w, EditHeight);
    Edit2->setGeometry(2 * w + 16, editTop, 2 * w, EditHeight);
    Edit3->setGeometry(4 * w + 24, editTop, w, EditHeight);
    Bevel1->setGeometry(8, editTop + EditHeight + 8, width - 16,
                        lowerTop + ButtonHeight + 8 - (editTop + EditHeight + 8));
    Button1->setGeometry(16, buttonTop, 90, ButtonHeight);
    Button3->setGeometry(114, buttonTop, 120, ButtonHeight);
    Button6->setGeometry(width - 16 - 90, buttonTop, 90, ButtonHeight);
    Button4->setGeometry(16, lowerTop, 90, ButtonHeight);
    Button5->setGeometry(114, lowerTop, 90, ButtonHeight);
    Button7->setGeometry(212, lowerTop, 130, ButtonHeight);
}

void TSummer::selectRow(int row)
{
    m_syncingSelection = true;
    for (QListWidget* list : {ListBox1, ListBox2, ListBox3}) {
        list->setCurrentRow(row < list->count() ? row : -1);
    }
    m_syncingSelection = false;
}

int TSummer::selectedRow() const
{
    // The lists are in step; a hand-edited settings file can still make one longer than the others.
    for (const QListWidget* list : {ListBox1, ListBox2, ListBox3}) {
        if (list->currentRow() >= 0) {
            return list->currentRow();
        }
    }
    return -1;
}

void TSummer::appendRow(const std::string& start, const std::string& end, const std::string& shift)
{
    m_syncingSelection = true;
    ListBox1->addItem(qText(start));
    ListBox2->addItem(qText(end));
    ListBox3->addItem(qText(shift));
    m_syncingSelection = false;
}

void TSummer::swapRows(int upper)
{
    // Taking an item out moves the list's current row; the caller selects the moved row afterwards.
    m_syncingSelection = true;
    for (QListWidget* list : {ListBox1, ListBox2, ListBox3}) {
        if (upper + 1 < list->count()) {
            QListWidgetItem* lower = list->takeItem(upper + 1);
            list->insertItem(upper, lower);
        }
    }
    m_syncingSelection = false;
}

void TSummer::showMessage(const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QGuiApplication::applicationDisplayName(), text, QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("SummerMessage"));
    box.exec();
}

} // namespace velmora
