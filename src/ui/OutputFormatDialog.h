#pragma once

#include "engine/settings/ConversionSettings.h"

#include <QDialog>
#include <QStringList>

#include <filesystem>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

namespace velmora {

/// The dialog "出力形式": the layout the bars are written in (the usual text, an MT4 history file, the import
/// layouts of MT5, NinjaTrader and Forex Tester, a CSV with a header), the symbol and digits of an .hst, and the
/// first lines of what a run would write for a registered file (an .hst's first records decoded). "保存" writes
/// section "Output" of the settings file, which the next run reads; "閉じる" leaves it as it was.
///
/// Object names: formatBox, symbolEdit, digitsBox, fileBox, previewLabel, previewText, saveButton, closeButton.
class OutputFormatDialog : public QDialog
{
    Q_OBJECT

public:
    /// Loads section "Output". files are the registered files, current the one to preview first; settings the
    /// run's other settings as the main window holds them, so that the preview shows the run's bars.
    OutputFormatDialog(std::filesystem::path settingsFile, const QStringList& files, int current,
                       ConversionSettings settings, QWidget* parent = nullptr);

    /// Lines of the preview.
    static constexpr int PreviewRows = 12;

    OutputChoice choice() const;
    void saveClick();

private:
    void buildControls();
    void refreshPreview();

    std::filesystem::path m_settingsFile;
    ConversionSettings m_settings;

    QComboBox* m_format = nullptr;
    QLineEdit* m_symbol = nullptr;
    QSpinBox* m_digits = nullptr;
    QComboBox* m_file = nullptr;
    QLabel* m_previewLabel = nullptr;
    QPlainTextEdit* m_preview = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_close = nullptr;
};

} // namespace velmora
