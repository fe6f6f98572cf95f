#pragma once

#include "input/SourceLines.h"
#include "input/layout/LayoutDetection.h" // DetectionLines
#include "input/layout/SourceLayout.h"

#include <QDialog>
#include <QStringList>

#include <filesystem>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace velmora {

/// The dialog "入力ファイルの形式": how source lines are written, with the first lines of a registered file beside
/// what the run would read from them under the choices shown. "保存" writes section "Input" of the settings file,
/// which the next run reads; "閉じる" leaves it as it was.
///
/// Object names: presetBox, dateOrderBox, separatorBox, priceBox, decimalCommaBox, dateColumnBox, volumeColumnBox
/// (the choices), fileBox (the registered file shown), readingLabel (what the reading does with it), previewTable,
/// saveButton, closeButton.
class InputLayoutDialog : public QDialog
{
    Q_OBJECT

public:
    /// Loads section "Input". files are the registered files, current the one to show first; dateField the date's
    /// field as the main window holds it; currentYear for two-digit years read by the usual reading.
    InputLayoutDialog(std::filesystem::path settingsFile, const QStringList& files, int current, std::int32_t dateField,
                      int currentYear, QWidget* parent = nullptr);

    const SourceLayout& layout() const { return m_layout; }

    /// Lines of the file the preview shows.
    static constexpr int PreviewRows = static_cast<int>(DetectionLines);

    void saveClick();

private:
    void buildControls();
    void showChoices();
    void presetChosen();
    void detailChanged();
    void loadFile();
    void refreshPreview();

    std::filesystem::path m_settingsFile;
    std::int32_t m_dateField;
    int m_currentYear;
    SourceLayout m_layout;
    /// The layout whose details the controls show: the chosen one, or under "auto" the one detection picked.
    SourceLayout m_shown;
    SourceLines m_lines;
    QString m_fileProblem;
    bool m_syncing = false;

    QComboBox* m_preset = nullptr;
    QComboBox* m_dateOrder = nullptr;
    QComboBox* m_separator = nullptr;
    QComboBox* m_price = nullptr;
    QCheckBox* m_decimalComma = nullptr;
    QSpinBox* m_dateColumn = nullptr;
    QSpinBox* m_volumeColumn = nullptr;
    QComboBox* m_file = nullptr;
    QLabel* m_reading = nullptr;
    QTableWidget* m_preview = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_close = nullptr;
};

} // namespace velmora
