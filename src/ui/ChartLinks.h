#pragma once

#include <QObject>

#include <filesystem>
#include <functional>

class QListWidget;
class QPlainTextEdit;

namespace velmora {

/// The main window's ways to the chart: a double click on a registered file or "チャートを開く" in its context
/// menu opens that source's chart, a double click on a log line that names a written file opens the file's.
class ChartLinks : public QObject
{
    Q_OBJECT

public:
    /// Opens the chart of a file: a registered source (`source` true) or a bar file.
    using OpenChart = std::function<void(const std::filesystem::path& file, bool source)>;

    ChartLinks(QListWidget& files, QPlainTextEdit& log, OpenChart open, QObject* parent);

    /// Opens the chart of the file the log line at `row` names; false when it names none.
    bool openLogLine(int row) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showFileMenu(const QPoint& at);

    QListWidget& m_files;
    QPlainTextEdit& m_log;
    // Kept apart from the log: events still reach the filter while the log is being destroyed, when its
    // scroll-area part is gone and asking it for its viewport is undefined.
    const QObject* m_logViewport = nullptr;
    OpenChart m_open;
};

} // namespace velmora
