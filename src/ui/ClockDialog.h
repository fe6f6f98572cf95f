#pragma once

#include "engine/clock/ClockPresets.h"
#include "engine/settings/SettingsKeys.h"

#include <QDialog>

#include <filesystem>
#include <optional>

class QComboBox;

namespace velmora {

/// The dialog "時刻の設定": the three clocks of a run (section "Clock") and the presets that set them together
/// with the cut time and the market window. Opened modally from the main window's "特殊設定" frame.
///
/// Controls by object name: PresetBox, SourceClockBox, MarketClockBox, LabelClockBox (editable: the file's own
/// clock, UTC, NY+7 and every zone of the database are listed, an offset such as "UTC+9" may be typed),
/// SaveButton "保存" and CancelButton "キャンセル".
class ClockDialog : public QDialog
{
    Q_OBJECT

public:
    /// How the file's own clock is listed; stored as "".
    static constexpr const char* FileOwnCaption = "ファイルの時計";

    /// Shows section "Clock" of the settings file.
    explicit ClockDialog(std::filesystem::path settingsFile, QWidget* parent = nullptr);

    /// Fills the three clocks from a preset of clockPresets() and hands the preset on through presetChosen, for
    /// the cut time and the window that the main window holds.
    void applyPreset(int index);

    /// The three clocks as stored, or std::nullopt after telling the user why a text names no clock.
    std::optional<ClockSectionSettings> checkedClocks();

    /// "保存": writes section "Clock" and closes; stays open on a text that names no clock or a file that
    /// cannot be written.
    void SaveButtonClick();

signals:
    void presetChosen(const velmora::ClockPreset& preset);

private:
    QComboBox* makeClockBox(const char* name);
    void showMessage(const QString& text);

    std::filesystem::path m_settingsFile;
    QComboBox* m_presets;
    QComboBox* m_source;
    QComboBox* m_market;
    QComboBox* m_label;
};

} // namespace velmora
