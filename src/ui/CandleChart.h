#pragma once

#include "engine/bars/GapTally.h"
#include "engine/run/ChartBars.h"

#include <QString>
#include <QWidget>

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

class QPainter;

namespace velmora {

/// Candles of a bar series over a time axis, drawn with QPainter: closed hours of the market window shaded grey,
/// holes and runs of fill bars shaded amber, fill bars drawn hollow and grey, a crosshair with the bar's label and
/// prices. Only the visible bars are looked at; where bars are narrower than CandlePixels, those of one pixel
/// column are drawn as one line, so that a frame costs the same whether it shows a day or five years.
class CandleChart : public QWidget
{
    Q_OBJECT

public:
    /// Narrower bars than this are reduced to one line per pixel column.
    static constexpr double CandlePixels = 3.0;

    explicit CandleChart(QWidget* parent = nullptr);

    /// Shows bars (in time order) whole; the window's closed hours are shaded.
    void setBars(std::vector<ChartBar> bars, const WeekWindow& window, bool windowShown);
    const std::vector<ChartBar>& bars() const { return m_bars; }
    /// The spacing of the bars: the most common distance between neighbours, in minutes.
    std::int64_t barMinutes() const { return m_barMinutes; }

    /// The minute at the left edge and the minutes one pixel spans.
    double firstMinute() const { return m_first; }
    double minutesPerPixel() const { return m_perPixel; }
    void setView(double firstMinute, double minutesPerPixel);
    /// Zooms by factor (above 1 shows more) around the pixel column x.
    void zoom(double factor, double x);
    /// Moves the view by pixels (positive shows later bars).
    void scrollBy(double pixels);

    /// What the last frame drew.
    struct FrameStats
    {
        int candles = 0;     ///< bars drawn as candles of their own
        int fillCandles = 0; ///< of them, fill bars drawn hollow
        int columns = 0;     ///< pixel columns drawn for several narrow bars
        int shaded = 0;      ///< holes and fill runs shaded
    };
    FrameStats lastFrame() const { return m_stats; }

    /// The bar under the pixel column x, if any.
    std::optional<std::size_t> barAt(double x) const;
    /// Puts the crosshair on the pixel (as the mouse does); its text names the bar under it.
    void setCrosshair(QPoint position);
    /// "2019/08/19 10:05  O 1.10000  H 1.10050  L 1.09950  C 1.10020", "（補完）" after a fill bar; empty off a bar.
    QString crosshairText() const { return m_crosshairText; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Stretch
    {
        std::int64_t start;
        std::int64_t end;
    };
    double xOf(double minute) const { return (minute - m_first) / m_perPixel; }

    /// Prices from high (top) to low (bottom) over a height in pixels.
    struct PriceScale
    {
        double high;
        double low;
        double height;
        double y(double price) const { return (high - price) / (high - low) * height; }
    };
    void paintShades(QPainter& painter, int plotWidth, int plotHeight, double last);
    void paintCandles(QPainter& painter, std::span<const ChartBar> bars, const PriceScale& scale);
    void paintColumns(QPainter& painter, std::span<const ChartBar> bars, const PriceScale& scale, int plotWidth);
    void paintAxes(QPainter& painter, const PriceScale& scale, int plotWidth, int plotHeight, double last);
    void findHoles();
    void clampView();
    void showWholeSeries();

    std::vector<ChartBar> m_bars;
    std::vector<Stretch> m_holes; ///< holes inside the window and runs of fill bars, in order
    WeekWindow m_window;
    bool m_windowShown = false;
    std::int64_t m_barMinutes = 1;
    double m_first = 0.0;
    double m_perPixel = 1.0;
    /// The whole series is in view as it was opened, not moved or zoomed since: kept so when the size changes.
    bool m_wholeSeries = false;
    std::optional<QPoint> m_crosshair;
    QString m_crosshairText;
    std::optional<QPoint> m_dragFrom;
    FrameStats m_stats;
};

} // namespace velmora
