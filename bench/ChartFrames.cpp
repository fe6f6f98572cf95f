// The chart on a five-year 5-minute file (370,000 bars, a month-long hole): the time to open it, and the frame
// times while scrolling across it at a day in view and at the whole file in view. Then the converter's default
// job over a year of 1-minute lines with the gap report off and on, side by side. With --screenshot FILE, saves
// a picture of the chart around the hole instead.
#include "engine/host/NullRunHost.h"
#include "engine/run/ConversionRun.h"
#include "platform/Clock.h"
#include "ui/CandleChart.h"
#include "ui/ChartWindow.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

using namespace velmora;

namespace {

constexpr std::int64_t DayMinutes = 1440;

/// Bars of `step` minutes from Sunday 2015-01-04 17:00 inside the default window, a random walk, with no line
/// from 2019-08-19 to 2019-09-21 (the hole a user met); lines as the given layout writes them.
std::size_t writeBars(const std::filesystem::path& file, int step, std::size_t count, bool source)
{
    std::ofstream out(file, std::ios::binary);
    std::mt19937 random(5);
    std::normal_distribution<double> move(0.0, 0.0004 * std::sqrt(step));
    const std::int64_t first = 42'008 * DayMinutes + 17 * 60; // 2015-01-04 17:00
    const std::int64_t holeFrom = 43'696 * DayMinutes;        // 2019-08-19
    const std::int64_t holeTo = 43'729 * DayMinutes;          // 2019-09-21
    double close = 1.2;
    std::size_t written = 0;
    char line[96];
    for (std::int64_t minute = first; written < count; minute += step) {
        const std::int64_t week = ((minute / DayMinutes + 6) % 7) * DayMinutes + minute % DayMinutes; // from Sunday
        if (week < 17 * 60 || week >= 5 * DayMinutes + 17 * 60 || (minute >= holeFrom && minute < holeTo)) {
            continue;
        }
        const double open = close;
        close = open + move(random);
        const double high = std::max(open, close) + std::abs(move(random)) / 2;
        const double low = std::min(open, close) - std::abs(move(random)) / 2;
        const auto day = static_cast<int>(minute / DayMinutes);
        // Civil date of the day count (days since 1899-12-30).
        const int z = day - 25'569 + 719'468;
        const int era = z / 146'097;
        const int doe = z - era * 146'097;
        const int yoe = (doe - doe / 1460 + doe / 36'524 - doe / 146'096) / 365;
        const int doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
        const int mp = (5 * doy + 2) / 153;
        const int d = doy - (153 * mp + 2) / 5 + 1;
        const int m = mp < 10 ? mp + 3 : mp - 9;
        const int y = yoe + era * 400 + (m <= 2 ? 1 : 0);
        const int hh = static_cast<int>(minute % DayMinutes / 60);
        const int mm = static_cast<int>(minute % 60);
        std::snprintf(line, sizeof line,
                      source ? "%04d.%02d.%02d,%02d:%02d,%.5f,%.5f,%.5f,%.5f\r\n"
                             : "%04d/%02d/%02d,%02d:%02d:00,%.5f,%.5f,%.5f,%.5f\r\n",
                      y, m, d, hh, mm, open, high, low, close);
        out << line;
        ++written;
    }
    return written;
}

struct Frames
{
    double median = 0;
    double worst = 0;
};

Frames scrollAcross(CandleChart& chart, double minutesPerPixel, int frames)
{
    const auto& bars = chart.bars();
    const double first = static_cast<double>(bars.front().minute);
    const double span = static_cast<double>(bars.back().minute) - first;
    std::vector<double> times;
    for (int i = 0; i < frames; ++i) {
        chart.setView(first + span * i / frames, minutesPerPixel);
        QElapsedTimer timer;
        timer.start();
        // A frame drawn for real: the offscreen platform paints nothing on repaint().
        (void)chart.grab();
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.back()};
}

double convertMs(const std::filesystem::path& source, bool gapReport)
{
    NullRunHost host;
    const SystemClock clock;
    RunState state;
    RunRequest request;
    request.settings.overwriteWithoutAsking = true;
    request.files = {source.string()};
    request.gaps.enabled = gapReport;
    ConversionRun run(host, clock, state);
    const auto start = std::chrono::steady_clock::now();
    run.execute(request);
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const auto folder = std::filesystem::temp_directory_path() / "velmora-chart-bench";
    std::filesystem::create_directories(folder);
    const auto barFile = folder / "EURUSD_5min.txt";
    const std::size_t bars = writeBars(barFile, 5, 370'000, false);

    ChartWindow window;
    window.resize(1200, 600);
    QElapsedTimer opening;
    opening.start();
    window.openFile(barFile, ConversionSettings{}, false);
    window.show();
    (void)window.chart()->grab();
    const double openMs = static_cast<double>(opening.nsecsElapsed()) / 1e6;

    if (argc == 3 && std::string(argv[1]) == "--screenshot") {
        // Around the hole: the week before it, the filled stretch, the week after.
        const auto minute = static_cast<double>(43'690 * DayMinutes);
        window.chart()->setView(minute, 45.0);
        window.chart()->setCrosshair(QPoint(520, 200));
        window.grab().save(QString::fromLocal8Bit(argv[2]));
        return 0;
    }

    std::printf("chart of %zu bars: opened in %.0f ms\n", bars, openMs);
    const Frames day = scrollAcross(*window.chart(), 1440.0 / 1100, 300);
    std::printf("scrolling, a day in view:        frame median %.2f ms, worst %.2f ms\n", day.median, day.worst);
    const Frames month = scrollAcross(*window.chart(), 31 * 1440.0 / 1100, 300);
    std::printf("scrolling, a month in view:      frame median %.2f ms, worst %.2f ms\n", month.median, month.worst);
    const Frames all = scrollAcross(*window.chart(), 1e12, 50);
    std::printf("the whole file in view:          frame median %.2f ms, worst %.2f ms\n", all.median, all.worst);

    const auto source = folder / "EURUSD_1min.txt";
    writeBars(source, 1, 370'000, true);
    const double off = convertMs(source, false);
    const double on = convertMs(source, true);
    std::printf("default job, 370,000 1-minute lines: gap report off %.0f ms, on %.0f ms\n", off, on);
    std::filesystem::remove_all(folder);
    return 0;
}
