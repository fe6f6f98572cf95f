#include "ui/OutputFormatDialog.h"

#include "engine/run/OutputPreview.h"
#include "engine/settings/RunBoxes.h"
#include "engine/settings/SettingsKeys.h"
#include "platform/IniFile.h"
#include "platform/RunError.h"
#include "ui/QtText.h"
#include "ui/SaveCloseButtons.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <utility>

namespace velmora {

namespace {

struct FormatItem
{
    OutputFormat format;
    QString caption;
};

std::vector<FormatItem> formatItems()
{
    return {{OutputFormat::Text, QStringLiteral("標準のテキスト（日付,時刻,始値,高値,安値,終値）")},
            {OutputFormat::Hst, QStringLiteral("MT4 のヒストリーファイル（.hst）")},
            {OutputFormat::Mt5, QStringLiteral("MT5 のインポート形式（タブ区切り）")},
            {OutputFormat::NinjaTrader, QStringLiteral("NinjaTrader のインポート形式")},
            {OutputFormat::ForexTester, QStringLiteral("Forex Tester のインポート形式")},
            {OutputFormat::Csv, QStringLiteral("見出し行つき CSV（日付は 2009-01-05）")}};
}

} // namespace

OutputFormatDialog::OutputFormatDialog(std::filesystem::path settingsFile, const QStringList& files, int current,
                                       ConversionSettings settings, QWidget* parent)
    : QDialog(parent), m_settingsFile(std::move(settingsFile)), m_settings(std::move(settings))
{
    setObjectName(QStringLiteral("OutputFormat"));
    setWindowTitle(QStringLiteral("出力形式"));
    buildControls();
    const OutputChoice stored = outputChoiceOf(loadOutputSettings(IniFile(m_settingsFile)));
    m_format->setCurrentIndex(std::max(0, m_format->findData(qText(outputFormatName(stored.format)))));
    m_symbol->setText(qText(stored.symbol));
    m_digits->setValue(stored.digits);
    m_file->addItems(files);
    m_file->setCurrentIndex(current >= 0 && current < files.size() ? current : 0);
    refreshPreview();
    connect(m_format, &QComboBox::currentIndexChanged, this, &OutputFormatDialog::refreshPreview);
    connect(m_symbol, &QLineEdit::textChanged, this, &OutputFormatDialog::refreshPreview);
    connect(m_digits, &QSpinBox::valueChanged, this, &OutputFormatDialog::refreshPreview);
    connect(m_file, &QComboBox::currentIndexChanged, this, &OutputFormatDialog::refreshPreview);
}

void OutputFormatDialog::buildControls()
{
    m_format = new QComboBox(this);
    m_format->setObjectName(QStringLiteral("formatBox"));
    for (const FormatItem& item : formatItems()) {
        m_format->addItem(item.caption, qText(outputFormatName(item.format)));
    }
    m_symbol = new QLineEdit(this);
    m_symbol->setObjectName(QStringLiteral("symbolEdit"));
    m_symbol->setMaxLength(static_cast<int>(MaxSymbolBytes));
    m_symbol->setPlaceholderText(QStringLiteral("ファイル名から（EURUSD_1min.txt なら EURUSD）"));
    m_digits = new QSpinBox(this);
    m_digits->setObjectName(QStringLiteral("digitsBox"));
    m_digits->setRange(-1, MaxDigits);
    // -1 stands for the digits counted from the prices.
    m_digits->setSpecialValueText(QStringLiteral("価格の桁数から"));
    m_file = new QComboBox(this);
    m_file->setObjectName(QStringLiteral("fileBox"));
    m_file->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_file->setMinimumContentsLength(40);

    auto* choices = new QFormLayout;
    choices->addRow(QStringLiteral("形式"), m_format);
    choices->addRow(QStringLiteral("シンボル（.hst、Forex Tester）"), m_symbol);
    choices->addRow(QStringLiteral("価格の桁数（.hst）"), m_digits);
    choices->addRow(QStringLiteral("ファイル"), m_file);

    m_previewLabel = new QLabel(this);
    m_previewLabel->setObjectName(QStringLiteral("previewLabel"));
    m_previewLabel->setWordWrap(true);
    m_preview = new QPlainTextEdit(this);
    m_preview->setObjectName(QStringLiteral("previewText"));
    m_preview->setReadOnly(true);
    m_preview->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_preview->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    const SaveCloseButtons buttons = makeSaveCloseButtons(*this);
    m_save = buttons.save;
    m_close = buttons.close;

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(choices);
    layout->addWidget(m_previewLabel);
    layout->addWidget(m_preview, 1);
    layout->addLayout(buttons.row);
    resize(760, 480);

    connect(m_save, &QPushButton::clicked, this, &OutputFormatDialog::saveClick);
}

OutputChoice OutputFormatDialog::choice() const
{
    OutputChoice choice;
    choice.format = outputFormatFromName(stdText(m_format->currentData().toString())).value_or(OutputFormat::Text);
    choice.symbol = stdText(m_symbol->text().trimmed());
    choice.digits = m_digits->value();
    return choice;
}

void OutputFormatDialog::refreshPreview()
{
    m_preview->clear();
    if (m_file->count() == 0) {
        m_previewLabel->setText(QStringLiteral("ファイルが登録されていません"));
        return;
    }
    ConversionSettings settings = m_settings;
    settings.output = choice();
    const std::vector<std::string> entries = splitTimeframeList(settings.timeframes);
    const QString entry = entries.empty() ? QString() : qText(entries.front());
    try {
        QStringList lines;
        for (const std::string& line : previewOutput(stdPath(m_file->currentText()), settings, PreviewRows)) {
            lines.append(qText(line));
        }
        m_preview->setPlainText(lines.join(QLatin1Char('\n')));
        m_previewLabel->setText(lines.isEmpty() ? QStringLiteral("書き出す足がありません")
                                                : QStringLiteral("「%1」の先頭 %2 行").arg(entry).arg(lines.size()));
    } catch (const std::exception& error) {
        m_previewLabel->setText(qText(error.what()));
    }
}

void OutputFormatDialog::saveClick()
{
    try {
        // Read the file afresh: the other windows write their own sections of it.
        IniFile file(m_settingsFile);
        saveOutputSettings(file, outputSettingsOf(choice()));
        file.save();
    } catch (const RunError& error) {
        QMessageBox box(QMessageBox::NoIcon, QGuiApplication::applicationDisplayName(), qText(error.what()),
                        QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("OutputFormatMessage"));
        box.exec();
        return;
    }
    accept();
}

} // namespace velmora
