#pragma once

#include "engine/settings/ConversionSettings.h"

#include <QWidget>

#include <filesystem>

class QComboBox;
class QLabel;

namespace velmora {

class CandleChart;

/// The window "チャート": the candles of one file. A registered source can be shown as it is or converted in
/// memory at a timeframe chosen in the window, with the main window's settings; a bar file is shown as it is.
class ChartWindow : public QWidget
{
    Q_OBJECT

public:
    explicit ChartWindow(QWidget* parent = nullptr);

    /// Shows the file's bars as it holds them. A source (converted lines are 1-minute ones) offers the
    /// timeframes to convert it to. False, with the reason in the window, when no bar reads.
    bool openFile(const std::filesystem::path& file, const ConversionSettings& settings, bool source);

    /// Converts the source in memory to the entry ("5", "1440"), or shows it as it is for an empty entry.
    void showTimeframe(const QString& entry);

    CandleChart* chart() const { return m_chart; }
    QComboBox* timeframeBox() const { return m_timeframes; }

private:
    std::filesystem::path m_file;
    ConversionSettings m_settings;
    QComboBox* m_timeframes;
    QLabel* m_status;
    CandleChart* m_chart;
};

/// The file a log line "… を書き出しました" names, looked for beside the registered files; empty when the line
/// names none or it is not there.
std::filesystem::path writtenFileOfLogLine(const QString& line, const QStringList& registered);

} // namespace velmora
