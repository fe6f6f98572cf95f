#include "ui/ClockDialog.h"

#include "engine/settings/DaylightRules.h"
#include "platform/IniFile.h"
#include "ui/QtText.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>

namespace velmora {

namespace {

QString shownClock(const std::string& stored)
{
    return stored.empty() ? QString::fromUtf8(ClockDialog::FileOwnCaption) : qText(stored);
}

} // namespace

ClockDialog::ClockDialog(std::filesystem::path settingsFile, QWidget* parent)
    : QDialog(parent), m_settingsFile(std::move(settingsFile))
{
    setObjectName(QStringLiteral("ClockDialog"));
    setWindowTitle(QStringLiteral("時刻の設定"));
    auto* form = new QFormLayout(this);

    m_presets = new QComboBox(this);
    m_presets->setObjectName(QStringLiteral("PresetBox"));
    for (const ClockPreset& preset : clockPresets()) {
        m_presets->addItem(qText(std::string(preset.caption)));
    }
    // No preset is chosen until the user picks one: the clocks shown may be any.
    m_presets->setPlaceholderText(QStringLiteral("選んでください"));
    m_presets->setCurrentIndex(-1);
    connect(m_presets, &QComboBox::activated, this, &ClockDialog::applyPreset);

    m_source = makeClockBox("SourceClockBox");
    m_market = makeClockBox("MarketClockBox");
    m_label = makeClockBox("LabelClockBox");
    const ClockSectionSettings stored = loadClockSettings(IniFile(m_settingsFile));
    m_source->setCurrentText(shownClock(stored.sourceClock));
    m_market->setCurrentText(shownClock(stored.marketClock));
    m_label->setCurrentText(shownClock(stored.labelClock));

    form->addRow(QStringLiteral("プリセット"), m_presets);
    form->addRow(QStringLiteral("データの時計"), m_source);
    form->addRow(QStringLiteral("締めとマーケットの時計"), m_market);
    form->addRow(QStringLiteral("書き出す時刻の時計"), m_label);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* save = buttons->addButton(QStringLiteral("保存"), QDialogButtonBox::AcceptRole);
    save->setObjectName(QStringLiteral("SaveButton"));
    QPushButton* cancel = buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    connect(save, &QPushButton::clicked, this, &ClockDialog::SaveButtonClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    form->addRow(buttons);
}

QComboBox* ClockDialog::makeClockBox(const char* name)
{
    static const QStringList names = [] {
        QStringList list{QString::fromUtf8(FileOwnCaption), QStringLiteral("UTC"),
                         QString::fromUtf8(NewYorkPlusSeven.data(), static_cast<qsizetype>(NewYorkPlusSeven.size()))};
        for (const std::string& zone : daylightZones()) {
            list.append(qText(zone));
        }
        return list;
    }();
    auto* box = new QComboBox(this);
    box->setObjectName(QLatin1String(name));
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setMaxVisibleItems(20);
    box->addItems(names);
    box->setMinimumContentsLength(24);
    return box;
}

void ClockDialog::applyPreset(int index)
{
    const auto presets = clockPresets();
    if (index < 0 || static_cast<std::size_t>(index) >= presets.size()) {
        return;
    }
    const ClockPreset& preset = presets[static_cast<std::size_t>(index)];
    m_presets->setCurrentIndex(index);
    m_source->setCurrentText(shownClock(std::string(preset.source)));
    m_market->setCurrentText(shownClock(std::string(preset.market)));
    m_label->setCurrentText(shownClock(std::string(preset.label)));
    emit presetChosen(preset);
}

std::optional<ClockSectionSettings> ClockDialog::checkedClocks()
{
    ClockSectionSettings clocks;
    const std::pair<QComboBox*, std::string*> boxes[] = {
        {m_source, &clocks.sourceClock}, {m_market, &clocks.marketClock}, {m_label, &clocks.labelClock}};
    for (const auto& [box, stored] : boxes) {
        const QString typed = box->currentText().trimmed();
        if (typed == QString::fromUtf8(FileOwnCaption)) {
            continue;
        }
        std::string error;
        const auto clock = parseClock(stdText(typed), error);
        if (!clock) {
            showMessage(qText(error));
            box->setFocus();
            return std::nullopt;
        }
        // Kept as the engine writes it back ("utc+9" is stored "UTC+09:00"), so the file reads one way.
        *stored = clockText(*clock);
    }
    return clocks;
}

void ClockDialog::SaveButtonClick()
{
    const auto clocks = checkedClocks();
    if (!clocks) {
        return;
    }
    try {
        // Read the file afresh: the other windows write their own sections of it.
        IniFile file(m_settingsFile);
        saveClockSettings(file, *clocks);
        file.save();
    } catch (const std::exception& error) {
        showMessage(qText(error.what()));
        return;
    }
    accept();
}

void ClockDialog::showMessage(const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QGuiApplication::applicationDisplayName(), text, QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("ClockMessage"));
    box.exec();
}

} // namespace velmora
