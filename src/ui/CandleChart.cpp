#include "ui/CandleChart.h"

#include "engine/bars/BarBuilder.h"
#include "engine/bars/BarLine.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <map>

namespace velmora {

namespace {

constexpr int PriceAxis = 72; // room for the price labels on the right
constexpr int TimeAxis = 18;  // and the dates below
constexpr std::int64_t WeekMinutes = std::int64_t{7} * 1440;

const QColor ClosedShade(232, 232, 232);
const QColor HoleShade(255, 222, 160);
const QColor UpColor(0, 128, 96);
const QColor DownColor(200, 48, 48);
const QColor FillColor(150, 150, 150);

QString stampText(std::int64_t minute)
{
    const DateTimeValue value = stampToDateTime(minute);
    const BarLine writer('/', "hh:nn", false);
    std::string text;
    writer.appendDate(text, value);
    text += ' ';
    writer.appendTime(text, value);
    return QString::fromStdString(text);
}

/// The bars of one pixel column, taken together.
struct Column
{
    double high = 0.0;
    double low = 0.0;
    bool allFill = true;
    bool used = false;
};

} // namespace

CandleChart::CandleChart(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("CandleChart"));
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(320, 200);
}

void CandleChart::setBars(std::vector<ChartBar> bars, const WeekWindow& window, bool windowShown)
{
    m_bars = std::move(bars);
    m_window = window;
    m_windowShown = windowShown;
    // The most common spacing is the timeframe; holes and weekends only stretch some of the distances.
    std::map<std::int64_t, std::size_t> spacings;
    for (std::size_t i = 1; i < m_bars.size() && i < 5000; ++i) {
        ++spacings[m_bars[i].minute - m_bars[i - 1].minute];
    }
    m_barMinutes =
        spacings.empty() ? 1 : std::max_element(spacings.begin(), spacings.end(), [](const auto& a, const auto& b) {
                                   return a.second < b.second;
                               })->first;
    findHoles();
    m_crosshair.reset();
    m_crosshairText.clear();
    showWholeSeries();
}

void CandleChart::showWholeSeries()
{
    if (m_bars.empty()) {
        setView(0.0, 1.0);
    } else {
        const auto span = static_cast<double>(m_bars.back().minute - m_bars.front().minute + m_barMinutes);
        setView(static_cast<double>(m_bars.front().minute), span / std::max(1, width() - PriceAxis));
    }
    m_wholeSeries = true;
}

void CandleChart::resizeEvent(QResizeEvent* /*event*/)
{
    // The bars are given before the window is laid out: the view opened on them follows the final width.
    if (m_wholeSeries) {
        showWholeSeries();
    } else {
        clampView();
    }
}

void CandleChart::findHoles()
{
    m_holes.clear();
    for (std::size_t i = 1; i < m_bars.size(); ++i) {
        const std::int64_t from = m_bars[i - 1].minute + m_barMinutes;
        const std::int64_t to = m_bars[i].minute;
        if (m_bars[i].fill) {
            // A run of fill bars is a hole the conversion filled: shade it as one.
            const std::int64_t start = m_bars[i].minute;
            while (i + 1 < m_bars.size() && m_bars[i + 1].fill) {
                ++i;
            }
            m_holes.push_back({start, m_bars[i].minute + m_barMinutes});
        } else if (to > from && m_window.minutesBetween(from, to) > 0) {
            m_holes.push_back({m_window.nextOpenMinute(from), m_window.lastCloseBefore(to)});
        }
    }
}

void CandleChart::setView(double firstMinute, double minutesPerPixel)
{
    m_wholeSeries = false;
    m_first = firstMinute;
    m_perPixel = minutesPerPixel;
    clampView();
    update();
}

void CandleChart::clampView()
{
    if (m_bars.empty()) {
        return;
    }
    const double plot = std::max(1, width() - PriceAxis);
    const auto span = static_cast<double>(m_bars.back().minute - m_bars.front().minute + m_barMinutes);
    // From a tenth of a bar per pixel (wide candles) to the whole series on the screen.
    m_perPixel = std::clamp(m_perPixel, static_cast<double>(m_barMinutes) / 40.0, std::max(span / plot, 1.0));
    const auto first = static_cast<double>(m_bars.front().minute);
    m_first = std::clamp(m_first, first - plot * m_perPixel / 2, first + span - plot * m_perPixel / 2);
}

void CandleChart::zoom(double factor, double x)
{
    m_wholeSeries = false;
    const double minute = m_first + x * m_perPixel;
    m_perPixel *= factor;
    clampView();
    m_first = minute - x * m_perPixel;
    clampView();
    update();
}

void CandleChart::scrollBy(double pixels)
{
    m_wholeSeries = false;
    m_first += pixels * m_perPixel;
    clampView();
    update();
}

std::optional<std::size_t> CandleChart::barAt(double x) const
{
    const double minute = m_first + x * m_perPixel;
    auto after = std::upper_bound(m_bars.begin(), m_bars.end(), minute,
                                  [](double m, const ChartBar& bar) { return m < static_cast<double>(bar.minute); });
    if (after == m_bars.begin()) {
        return std::nullopt;
    }
    const auto index = static_cast<std::size_t>(after - m_bars.begin()) - 1;
    if (minute >= static_cast<double>(m_bars[index].minute + m_barMinutes)) {
        return std::nullopt;
    }
    return index;
}

void CandleChart::setCrosshair(QPoint position)
{
    m_crosshair = position;
    m_crosshairText.clear();
    if (const auto index = barAt(position.x())) {
        const ChartBar& bar = m_bars[*index];
        m_crosshairText = QStringLiteral("%1  O %2  H %3  L %4  C %5")
                              .arg(stampText(bar.minute))
                              .arg(bar.open, 0, 'f', 5)
                              .arg(bar.high, 0, 'f', 5)
                              .arg(bar.low, 0, 'f', 5)
                              .arg(bar.close, 0, 'f', 5);
        if (bar.fill) {
            m_crosshairText += QStringLiteral("（補完）");
        }
    }
    update();
}

void CandleChart::paintEvent(QPaintEvent* /*event*/)
{
    m_stats = {};
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    const int plotWidth = std::max(1, width() - PriceAxis);
    const int plotHeight = std::max(1, height() - TimeAxis);
    const double last = m_first + plotWidth * m_perPixel;
    paintShades(painter, plotWidth, plotHeight, last);

    // The visible bars: from the last one starting left of the view to the first one starting right of it.
    auto begin = std::lower_bound(m_bars.begin(), m_bars.end(), m_first - static_cast<double>(m_barMinutes),
                                  [](const ChartBar& bar, double m) { return static_cast<double>(bar.minute) < m; });
    auto end = std::lower_bound(begin, m_bars.end(), last,
                                [](const ChartBar& bar, double m) { return static_cast<double>(bar.minute) < m; });
    if (begin == end) {
        return;
    }
    double high = begin->high;
    double low = begin->low;
    for (auto bar = begin; bar != end; ++bar) {
        high = std::max(high, bar->high);
        low = std::min(low, bar->low);
    }
    if (high <= low) {
        high += 0.0005;
        low -= 0.0005;
    }
    const double margin = (high - low) * 0.05;
    const PriceScale scale{high + margin, low - margin, static_cast<double>(plotHeight)};
    const std::span<const ChartBar> visible(begin, end);
    if (static_cast<double>(m_barMinutes) / m_perPixel >= CandlePixels) {
        paintCandles(painter, visible, scale);
    } else {
        paintColumns(painter, visible, scale, plotWidth);
    }
    paintAxes(painter, scale, plotWidth, plotHeight, last);
}

void CandleChart::paintShades(QPainter& painter, int plotWidth, int plotHeight, double last)
{
    // Holes and filled runs in view, under the closed hours so that a weekend inside a hole still shows.
    auto hole = std::lower_bound(m_holes.begin(), m_holes.end(), m_first,
                                 [](const Stretch& s, double m) { return static_cast<double>(s.end) < m; });
    for (; hole != m_holes.end() && static_cast<double>(hole->start) < last; ++hole) {
        const double x0 = std::max(0.0, xOf(static_cast<double>(hole->start)));
        const double x1 = std::min<double>(plotWidth, std::max(xOf(static_cast<double>(hole->end)), x0 + 1.0));
        painter.fillRect(QRectF(x0, 0, x1 - x0, plotHeight), HoleShade);
        ++m_stats.shaded;
    }
    if (!m_windowShown) {
        return;
    }
    // The closed hours of every week in view, from the week before the first in view: its closed stretch
    // reaches into this one.
    auto weekStart = (static_cast<std::int64_t>(std::floor((m_first - 1440.0) / WeekMinutes)) - 1) * WeekMinutes + 1440;
    for (; static_cast<double>(weekStart) < last; weekStart += WeekMinutes) {
        // The closed stretch from this week's close to the next week's open.
        const std::int64_t close = m_window.lastCloseBefore(weekStart + WeekMinutes);
        const std::int64_t open = m_window.nextOpenMinute(close);
        const double x0 = std::max(0.0, xOf(static_cast<double>(close)));
        const double x1 = std::min<double>(plotWidth, xOf(static_cast<double>(open)));
        if (open > close && x1 > x0) {
            painter.fillRect(QRectF(x0, 0, x1 - x0, plotHeight), ClosedShade);
        }
    }
}

void CandleChart::paintCandles(QPainter& painter, std::span<const ChartBar> bars, const PriceScale& scale)
{
    const double barPixels = static_cast<double>(m_barMinutes) / m_perPixel;
    const double body = std::max(1.0, barPixels * 0.7);
    for (const ChartBar& bar : bars) {
        const double x = xOf(static_cast<double>(bar.minute)) + (barPixels - body) / 2;
        const double centre = x + body / 2;
        const double top = scale.y(std::max(bar.open, bar.close));
        const double bottom = scale.y(std::min(bar.open, bar.close));
        if (bar.fill) {
            painter.setPen(FillColor);
            painter.setBrush(Qt::NoBrush);
            ++m_stats.fillCandles;
        } else {
            const QColor colour = bar.close >= bar.open ? UpColor : DownColor;
            painter.setPen(colour);
            painter.setBrush(colour);
        }
        painter.drawLine(QPointF(centre, scale.y(bar.high)), QPointF(centre, scale.y(bar.low)));
        painter.drawRect(QRectF(x, top, body, std::max(1.0, bottom - top)));
        ++m_stats.candles;
    }
}

void CandleChart::paintColumns(QPainter& painter, std::span<const ChartBar> bars, const PriceScale& scale,
                               int plotWidth)
{
    std::vector<Column> columns(static_cast<std::size_t>(plotWidth) + 1);
    for (const ChartBar& bar : bars) {
        const double x = xOf(static_cast<double>(bar.minute));
        if (x < 0 || x > plotWidth) {
            continue;
        }
        Column& column = columns[static_cast<std::size_t>(x)];
        column.high = column.used ? std::max(column.high, bar.high) : bar.high;
        column.low = column.used ? std::min(column.low, bar.low) : bar.low;
        column.allFill = column.allFill && bar.fill;
        column.used = true;
    }
    for (std::size_t x = 0; x < columns.size(); ++x) {
        const Column& column = columns[x];
        if (!column.used) {
            continue;
        }
        painter.setPen(column.allFill ? FillColor : Qt::black);
        const auto px = static_cast<double>(x) + 0.5;
        painter.drawLine(QPointF(px, scale.y(column.high)), QPointF(px, scale.y(column.low) + 1.0));
        ++m_stats.columns;
    }
}

void CandleChart::paintAxes(QPainter& painter, const PriceScale& scale, int plotWidth, int plotHeight, double last)
{
    // Prices on the right, the dates of the edges below.
    painter.setPen(Qt::black);
    painter.drawLine(plotWidth, 0, plotWidth, plotHeight);
    painter.drawLine(0, plotHeight, plotWidth, plotHeight);
    for (int i = 0; i <= 4; ++i) {
        const double price = scale.low + (scale.high - scale.low) * i / 4;
        const double y = scale.y(price);
        painter.drawText(QRectF(plotWidth + 4, y - 8, PriceAxis - 6, 16), Qt::AlignLeft | Qt::AlignVCenter,
                         QString::number(price, 'f', 5));
    }
    painter.drawText(QRectF(2, plotHeight, plotWidth / 2.0, TimeAxis), Qt::AlignLeft | Qt::AlignVCenter,
                     stampText(static_cast<std::int64_t>(m_first)));
    painter.drawText(QRectF(plotWidth / 2.0, plotHeight, plotWidth / 2.0 - 2, TimeAxis),
                     Qt::AlignRight | Qt::AlignVCenter, stampText(static_cast<std::int64_t>(last)));
    if (!m_crosshair) {
        return;
    }
    painter.setPen(QPen(Qt::darkGray, 1, Qt::DashLine));
    painter.drawLine(m_crosshair->x(), 0, m_crosshair->x(), plotHeight);
    painter.drawLine(0, m_crosshair->y(), plotWidth, m_crosshair->y());
    if (!m_crosshairText.isEmpty()) {
        const QRectF box(4, 4, painter.fontMetrics().horizontalAdvance(m_crosshairText) + 8, 20);
        painter.fillRect(box, QColor(255, 255, 255, 220));
        painter.setPen(Qt::black);
        painter.drawText(box, Qt::AlignCenter, m_crosshairText);
    }
}

void CandleChart::wheelEvent(QWheelEvent* event)
{
    const int steps = event->angleDelta().y() / 120;
    if (event->modifiers().testFlag(Qt::ShiftModifier) || event->angleDelta().x() != 0) {
        scrollBy(-(event->angleDelta().y() + event->angleDelta().x()) / 2.0);
    } else if (steps != 0) {
        zoom(std::pow(0.8, steps), event->position().x());
    }
    event->accept();
}

void CandleChart::mousePressEvent(QMouseEvent* event)
{
    m_dragFrom = event->position().toPoint();
    setFocus();
}

void CandleChart::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint position = event->position().toPoint();
    if (m_dragFrom && event->buttons().testFlag(Qt::LeftButton)) {
        scrollBy(m_dragFrom->x() - position.x());
        m_dragFrom = position;
    }
    setCrosshair(position);
}

void CandleChart::leaveEvent(QEvent* /*event*/)
{
    m_crosshair.reset();
    m_crosshairText.clear();
    update();
}

void CandleChart::keyPressEvent(QKeyEvent* event)
{
    const double plot = std::max(1, width() - PriceAxis);
    switch (event->key()) {
    case Qt::Key_Left:
        scrollBy(-plot / 10);
        break;
    case Qt::Key_Right:
        scrollBy(plot / 10);
        break;
    case Qt::Key_PageUp:
        scrollBy(-plot);
        break;
    case Qt::Key_PageDown:
        scrollBy(plot);
        break;
    case Qt::Key_Plus:
    case Qt::Key_Up:
        zoom(0.8, plot / 2);
        break;
    case Qt::Key_Minus:
    case Qt::Key_Down:
        zoom(1.25, plot / 2);
        break;
    case Qt::Key_Home:
        setView(-1e18, m_perPixel);
        break;
    case Qt::Key_End:
        setView(1e18, m_perPixel);
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

} // namespace velmora
