#include "ui/InputLayoutDialog.h"

#include "engine/run/ArchiveSources.h"
#include "engine/settings/SettingsKeys.h"
#include "input/layout/LayoutPreview.h"
#include "platform/ArchiveFile.h"
#include "platform/IniFile.h"
#include "platform/RunError.h"
#include "ui/QtText.h"
#include "ui/SaveCloseButtons.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include <string_view>
#include <utility>

namespace velmora {

namespace {

struct Choice
{
    const char* name; ///< as stored in section "Input"
    QString caption;
};

QComboBox* makeChoiceBox(QWidget* parent, const char* objectName, const std::vector<Choice>& choices)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(QLatin1String(objectName));
    for (const Choice& choice : choices) {
        box->addItem(choice.caption, QLatin1String(choice.name));
    }
    return box;
}

void selectName(QComboBox* box, std::string_view name)
{
    const int index = box->findData(qText(name));
    box->setCurrentIndex(index >= 0 ? index : 0);
}

std::string selectedName(const QComboBox* box)
{
    return stdText(box->currentData().toString());
}

enum PreviewColumn { LineColumn, DateColumn, TimeColumn, OpenColumn, HighColumn, LowColumn, CloseColumn, ColumnCount };

} // namespace

InputLayoutDialog::InputLayoutDialog(std::filesystem::path settingsFile, const QStringList& files, int current,
                                     std::int32_t dateField, int currentYear, QWidget* parent)
    : QDialog(parent), m_settingsFile(std::move(settingsFile)), m_dateField(dateField), m_currentYear(currentYear)
{
    setObjectName(QStringLiteral("InputLayout"));
    setWindowTitle(QStringLiteral("入力ファイルの形式"));
    m_layout = sourceLayoutOf(loadInputSettings(IniFile(m_settingsFile)));
    buildControls();
    m_file->addItems(files);
    m_file->setCurrentIndex(current >= 0 && current < files.size() ? current : 0);
    loadFile();
    connect(m_file, &QComboBox::currentIndexChanged, this, &InputLayoutDialog::loadFile);
}

void InputLayoutDialog::buildControls()
{
    m_preset = makeChoiceBox(this, "presetBox",
                             {{"auto", QStringLiteral("自動")},
                              {"usual", QStringLiteral("標準（年-月-日、時刻、始値、高値、安値、終値）")},
                              {"ymd", QStringLiteral("年-月-日")},
                              {"dmy", QStringLiteral("日-月-年")},
                              {"mdy", QStringLiteral("月-日-年")},
                              {"dmy-ticks", QStringLiteral("日-月-年のティック（Ask、Bid）")},
                              {"decimal-comma", QStringLiteral("小数点がカンマ（セミコロン区切り）")},
                              {"custom", QStringLiteral("個別に指定")}});
    m_dateOrder = makeChoiceBox(this, "dateOrderBox",
                                {{"ymd", QStringLiteral("年-月-日")},
                                 {"dmy", QStringLiteral("日-月-年")},
                                 {"mdy", QStringLiteral("月-日-年")}});
    m_separator = makeChoiceBox(this, "separatorBox",
                                {{"auto", QStringLiteral("自動")},
                                 {"comma", QStringLiteral("カンマ")},
                                 {"tab", QStringLiteral("タブ")},
                                 {"semicolon", QStringLiteral("セミコロン")},
                                 {"blanks", QStringLiteral("空白")}});
    m_price = makeChoiceBox(this, "priceBox",
                            {{"ohlc", QStringLiteral("始値・高値・安値・終値")},
                             {"bid", QStringLiteral("Bid（Ask、Bid の順の 2 列目）")},
                             {"ask", QStringLiteral("Ask（Ask、Bid の順の 1 列目）")},
                             {"mid", QStringLiteral("Ask と Bid の中値")}});
    m_decimalComma = new QCheckBox(QStringLiteral("小数点はカンマ"), this);
    m_decimalComma->setObjectName(QStringLiteral("decimalCommaBox"));
    m_dateColumn = new QSpinBox(this);
    m_dateColumn->setObjectName(QStringLiteral("dateColumnBox"));
    m_dateColumn->setRange(1, 32);
    m_volumeColumn = new QSpinBox(this);
    m_volumeColumn->setObjectName(QStringLiteral("volumeColumnBox"));
    m_volumeColumn->setRange(0, 32);
    // 0 is the column after the close of a bar file; a tick file then has none.
    m_volumeColumn->setSpecialValueText(QStringLiteral("終値の次"));
    m_file = new QComboBox(this);
    m_file->setObjectName(QStringLiteral("fileBox"));
    m_file->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_file->setMinimumContentsLength(40);

    // Two columns of choices, so that the preview keeps most of the height.
    auto* layoutChoices = new QFormLayout;
    layoutChoices->addRow(QStringLiteral("形式"), m_preset);
    layoutChoices->addRow(QStringLiteral("日付の順"), m_dateOrder);
    layoutChoices->addRow(QStringLiteral("区切り文字"), m_separator);
    layoutChoices->addRow(QStringLiteral("価格の列"), m_price);
    auto* columnChoices = new QFormLayout;
    columnChoices->addRow(QStringLiteral("日付の列"), m_dateColumn);
    columnChoices->addRow(QStringLiteral("出来高の列"), m_volumeColumn);
    columnChoices->addRow(QString(), m_decimalComma);
    auto* choices = new QHBoxLayout;
    choices->addLayout(layoutChoices, 3);
    choices->addSpacing(16);
    choices->addLayout(columnChoices, 1);
    auto* fileChoice = new QFormLayout;
    fileChoice->addRow(QStringLiteral("ファイル"), m_file);

    m_reading = new QLabel(this);
    m_reading->setObjectName(QStringLiteral("readingLabel"));
    m_reading->setWordWrap(true);

    m_preview = new QTableWidget(0, ColumnCount, this);
    m_preview->setObjectName(QStringLiteral("previewTable"));
    m_preview->setHorizontalHeaderLabels({QStringLiteral("ファイルの行"), QStringLiteral("日付"),
                                          QStringLiteral("時刻"), QStringLiteral("始値"), QStringLiteral("高値"),
                                          QStringLiteral("安値"), QStringLiteral("終値")});
    m_preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_preview->setSelectionMode(QAbstractItemView::NoSelection);
    m_preview->verticalHeader()->setVisible(false);
    m_preview->horizontalHeader()->setStretchLastSection(false);
    m_preview->setWordWrap(false);
    m_preview->verticalHeader()->setDefaultSectionSize(m_preview->fontMetrics().height() + 6);

    const SaveCloseButtons buttons = makeSaveCloseButtons(*this);
    m_save = buttons.save;
    m_close = buttons.close;

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(choices);
    layout->addLayout(fileChoice);
    layout->addWidget(m_reading);
    layout->addWidget(m_preview, 1);
    layout->addLayout(buttons.row);
    resize(800, 600);

    connect(m_preset, &QComboBox::currentIndexChanged, this, &InputLayoutDialog::presetChosen);
    for (QComboBox* box : {m_dateOrder, m_separator, m_price}) {
        connect(box, &QComboBox::currentIndexChanged, this, &InputLayoutDialog::detailChanged);
    }
    connect(m_decimalComma, &QCheckBox::toggled, this, &InputLayoutDialog::detailChanged);
    for (QSpinBox* box : {m_dateColumn, m_volumeColumn}) {
        connect(box, &QSpinBox::valueChanged, this, &InputLayoutDialog::detailChanged);
    }
    connect(m_save, &QPushButton::clicked, this, &InputLayoutDialog::saveClick);
}

void InputLayoutDialog::showChoices()
{
    m_syncing = true;
    selectName(m_preset, layoutName(m_layout));
    selectName(m_dateOrder, dateOrderName(m_shown.dateOrder));
    selectName(m_separator, separatorName(m_shown.separator));
    selectName(m_price, priceColumnsName(m_shown.prices));
    m_decimalComma->setChecked(m_shown.decimalComma);
    m_dateColumn->setValue(m_shown.dateColumn);
    m_volumeColumn->setValue(m_shown.volumeColumn);
    m_syncing = false;
}

void InputLayoutDialog::presetChosen()
{
    if (m_syncing) {
        return;
    }
    const std::string name = selectedName(m_preset);
    if (name == "custom") {
        // The details as they stand become the layout, so nothing shown changes under the user's eyes.
        m_layout = m_shown;
        m_layout.mode = SourceLayout::Mode::Chosen;
    } else {
        m_layout = layoutFromName(name).value_or(SourceLayout{});
    }
    refreshPreview();
}

void InputLayoutDialog::detailChanged()
{
    if (m_syncing) {
        return;
    }
    // Any detail set by hand makes a chosen layout, starting from what the controls show (under "auto" the
    // layout detection picked), so the preview then reads every file of the run this way.
    m_layout.mode = SourceLayout::Mode::Chosen;
    m_layout.dateOrder = dateOrderFromName(selectedName(m_dateOrder)).value_or(DateOrder::YearFirst);
    m_layout.separator = separatorFromName(selectedName(m_separator)).value_or(FieldSeparator::Any);
    m_layout.prices = priceColumnsFromName(selectedName(m_price)).value_or(PriceColumns::Ohlc);
    m_layout.decimalComma = m_decimalComma->isChecked();
    m_layout.dateColumn = m_dateColumn->value();
    m_layout.volumeColumn = m_volumeColumn->value();
    refreshPreview();
}

void InputLayoutDialog::loadFile()
{
    m_lines = SourceLines();
    m_fileProblem.clear();
    if (m_file->count() == 0) {
        m_fileProblem = QStringLiteral("ファイルが登録されていません");
    } else {
        try {
            m_lines = previewLines(stdText(m_file->currentText()));
        } catch (const RunError& error) {
            m_fileProblem = qText(error.what());
        } catch (const ArchiveError& error) {
            m_fileProblem = qText(error.what());
        }
    }
    refreshPreview();
}

void InputLayoutDialog::refreshPreview()
{
    const LayoutPreview preview =
        previewLayout(m_lines, m_layout, m_dateField, m_currentYear, static_cast<std::size_t>(PreviewRows));
    m_shown = preview.used.value_or(m_layout);
    showChoices();

    std::size_t read = 0;
    m_preview->setRowCount(static_cast<int>(preview.lines.size()));
    const QBrush unreadable(QColor(0xF8, 0xD7, 0xDA));
    for (int row = 0; row < static_cast<int>(preview.lines.size()); ++row) {
        const PreviewLine& line = preview.lines[static_cast<std::size_t>(row)];
        read += line.read ? 1 : 0;
        const QStringList cells = line.read ? QStringList{qText(line.date), qText(line.time), qText(line.open),
                                                          qText(line.high), qText(line.low),  qText(line.close)}
                                            : QStringList{QStringLiteral("読めない行")};
        auto* text = new QTableWidgetItem(qText(line.text));
        m_preview->setItem(row, LineColumn, text);
        for (int column = DateColumn; column < ColumnCount; ++column) {
            const int at = column - DateColumn;
            auto* cell = new QTableWidgetItem(at < cells.size() ? cells[at] : QString());
            if (!line.read) {
                cell->setBackground(unreadable);
            }
            m_preview->setItem(row, column, cell);
        }
        if (!line.read) {
            text->setBackground(unreadable);
        }
    }
    m_preview->resizeColumnsToContents();

    QString reading;
    if (!m_fileProblem.isEmpty()) {
        reading = m_fileProblem;
    } else {
        switch (m_layout.mode) {
        case SourceLayout::Mode::Auto:
            reading =
                preview.used
                    ? QStringLiteral("自動: 「%1」の形式と判断して読みます").arg(qText(describeLayout(*preview.used)))
                    : QStringLiteral("自動: 標準の形式で読みます");
            break;
        case SourceLayout::Mode::Usual:
            reading = QStringLiteral("標準の形式で読みます");
            break;
        case SourceLayout::Mode::Chosen:
            reading = QStringLiteral("「%1」の形式で読みます").arg(qText(describeLayout(m_layout)));
            break;
        }
        reading += QStringLiteral("（先頭 %1 行のうち %2 行を読めます）").arg(preview.lines.size()).arg(read);
    }
    m_reading->setText(reading);
}

void InputLayoutDialog::saveClick()
{
    try {
        // Read the file afresh: the other windows write their own sections of it.
        IniFile file(m_settingsFile);
        saveInputSettings(file, inputSettingsOf(m_layout));
        file.save();
    } catch (const RunError& error) {
        QMessageBox box(QMessageBox::NoIcon, QGuiApplication::applicationDisplayName(), qText(error.what()),
                        QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("InputLayoutMessage"));
        box.exec();
        return;
    }
    accept();
}

} // namespace velmora
