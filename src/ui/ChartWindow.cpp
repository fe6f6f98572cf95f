#include "ui/ChartWindow.h"

#include "engine/bars/BarBuilder.h"
#include "engine/run/ChartBars.h"
#include "ui/CandleChart.h"
#include "ui/QtText.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace velmora {

namespace {

const QString AsItIs = QStringLiteral("そのまま");

std::string fileText(const std::filesystem::path& file)
{
    std::ifstream stream(file, std::ios::binary);
    std::ostringstream text;
    text << stream.rdbuf();
    return text.str();
}

WeekWindow weekWindowOf(const ConversionSettings& settings)
{
    // The window as the settings give it, unshifted: a file's bars are drawn at their labels.
    BarKind kind = BarKind::Minutes;
    const TimeframeEntry minute = TimeframeEntry::ResolveEntry("1", kind);
    return WeekWindow(BarBuilder::PrepareEntry(settings, minute));
}

} // namespace

ChartWindow::ChartWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("ChartWindow"));
    setWindowTitle(QStringLiteral("チャート"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* column = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("時間足"), this));
    m_timeframes = new QComboBox(this);
    m_timeframes->setObjectName(QStringLiteral("timeframeBox"));
    m_timeframes->addItems({AsItIs, QStringLiteral("5"), QStringLiteral("15"), QStringLiteral("30"),
                            QStringLiteral("60"), QStringLiteral("240"), QStringLiteral("1440")});
    row->addWidget(m_timeframes);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("chartStatus"));
    row->addWidget(m_status, 1);
    column->addLayout(row);
    m_chart = new CandleChart(this);
    column->addWidget(m_chart, 1);
    resize(900, 520);
    connect(m_timeframes, &QComboBox::currentTextChanged, this,
            [this](const QString& text) { showTimeframe(text == AsItIs ? QString() : text); });
}

bool ChartWindow::openFile(const std::filesystem::path& file, const ConversionSettings& settings, bool source)
{
    m_file = file;
    m_settings = settings;
    setWindowTitle(QStringLiteral("チャート - ") + qPath(file.filename()));
    m_timeframes->setEnabled(source);
    const QSignalBlocker blocker(m_timeframes);
    m_timeframes->setCurrentIndex(0);
    showTimeframe({});
    return !m_chart->bars().empty();
}

void ChartWindow::showTimeframe(const QString& entry)
{
    std::vector<ChartBar> bars;
    try {
        bars = entry.isEmpty() ? readChartFile(m_file, fileText(m_file))
                               : convertForChart(m_file, m_settings, stdText(entry));
    } catch (const std::exception& error) {
        m_status->setText(qText(error.what()));
    }
    const std::size_t count = bars.size();
    const auto fills =
        static_cast<std::size_t>(std::count_if(bars.begin(), bars.end(), [](const ChartBar& bar) { return bar.fill; }));
    m_chart->setBars(std::move(bars), weekWindowOf(m_settings), m_settings.marketWindow);
    if (count == 0) {
        m_status->setText(QStringLiteral("表示できる足がありません"));
    } else {
        m_status->setText(QStringLiteral("%1 本（補完 %2 本）").arg(count).arg(fills));
    }
}

std::filesystem::path writtenFileOfLogLine(const QString& line, const QStringList& registered)
{
    static const QString Written = QStringLiteral(" を書き出しました");
    if (!line.endsWith(Written)) {
        return {};
    }
    const std::string name = stdText(line.left(line.size() - Written.size()));
    for (const QString& file : registered) {
        auto candidate = stdPath(file).parent_path() / pathFromText(name);
        std::error_code error;
        if (std::filesystem::is_regular_file(candidate, error)) {
            return candidate;
        }
    }
    return {};
}

} // namespace velmora
