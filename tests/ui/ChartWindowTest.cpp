#include "ui/ChartWindow.h"

#include "engine/run/ChartBars.h"
#include "support/TempDir.h"
#include "support/WindowTestSupport.h"
#include "ui/CandleChart.h"
#include "ui/VelmoraMainUnit.h"

#include <QComboBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

using namespace velmora;
using namespace velmora::test;

namespace {

/// 5-minute bars from Monday 2019-08-19 00:00: bars 0 … 99 real (rising and falling), 100 … 109 fill bars from
/// bar 99's close, then a hole of two hours, then bars again up to 2000 bars in all.
std::string barText()
{
    std::string text;
    double close = 1.1;
    int minute = 0;
    for (int i = 0; i < 2000; ++i) {
        char line[96];
        if (i >= 100 && i < 110) {
            std::snprintf(line, sizeof line, "2019/08/%02d,%02d:%02d:00,%.4f,%.4f,%.4f,%.4f\r\n", 19 + minute / 1440,
                          minute % 1440 / 60, minute % 60, close, close, close, close);
        } else {
            const double open = close;
            close = open + ((i % 7) - 3) * 0.0002;
            std::snprintf(line, sizeof line, "2019/08/%02d,%02d:%02d:00,%.4f,%.4f,%.4f,%.4f\r\n", 19 + minute / 1440,
                          minute % 1440 / 60, minute % 60, open, std::max(open, close) + 0.0003,
                          std::min(open, close) - 0.0003, close);
        }
        text += line;
        minute += i == 109 ? 125 : 5;
    }
    return text;
}

constexpr std::int64_t Monday = 43'696 * 1440;

/// The window on barText() as a file of the folder, shown.
bool openAndShow(ChartWindow& window, const TempDir& dir)
{
    if (!window.openFile(dir.write("EURUSD_5min.txt", barText()), ConversionSettings{}, false)) {
        return false;
    }
    window.show();
    return QTest::qWaitForWindowExposed(&window);
}

} // namespace

class ChartWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void drawsTheCandlesInViewAndTheFillBarsApart()
    {
        TempDir dir;
        const auto file = dir.write("EURUSD_5min.txt", barText());
        ChartWindow window;
        QVERIFY(window.openFile(file, ConversionSettings{}, false));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        CandleChart* chart = window.chart();
        QCOMPARE(chart->bars().size(), std::size_t{2000});
        QCOMPARE(chart->barMinutes(), std::int64_t{5});

        // Zoom levels in minutes per pixel, from the middle of bar 90: one candle for every bar in view, the
        // fill bars among them hollow.
        const double plot = chart->width() - 72;
        for (const double perPixel : {0.2, 0.5, 1.2, 1.6}) {
            const double first = static_cast<double>(Monday + 90 * 5) + 2.5;
            chart->setView(first, perPixel);
            (void)chart->grab();
            QCOMPARE(chart->firstMinute(), first);
            const double last = first + plot * perPixel;
            int inView = 0;
            int fillsInView = 0;
            for (const ChartBar& bar : chart->bars()) {
                if (static_cast<double>(bar.minute + 5) > first && static_cast<double>(bar.minute) < last) {
                    ++inView;
                    fillsInView += bar.fill ? 1 : 0;
                }
            }
            QCOMPARE(chart->lastFrame().candles, inView);
            QCOMPARE(chart->lastFrame().fillCandles, fillsInView);
            QCOMPARE(chart->lastFrame().columns, 0);
        }

        // A fill bar is drawn grey, a real bar in its colour (the image is drawn without smoothing).
        chart->setView(static_cast<double>(Monday + 95 * 5), 0.5);
        const QImage image = chart->grab().toImage();
        QCOMPARE(chart->lastFrame().shaded, 2); // the filled run and the hole after it
        const auto colourAt = [&](std::size_t bar) {
            const double x = (static_cast<double>(chart->bars()[bar].minute) + 2.5 - chart->firstMinute()) /
                             chart->minutesPerPixel();
            QSet<QRgb> seen;
            for (int y = 0; y < image.height() - 18; ++y) {
                seen.insert(image.pixel(static_cast<int>(x), y));
            }
            if (seen.contains(QColor(150, 150, 150).rgb())) {
                return QStringLiteral("grey");
            }
            if (seen.contains(QColor(0, 128, 96).rgb()) || seen.contains(QColor(200, 48, 48).rgb())) {
                return QStringLiteral("colour");
            }
            return QStringLiteral("none");
        };
        QCOMPARE(colourAt(98), QStringLiteral("colour"));
        QCOMPARE(colourAt(104), QStringLiteral("grey"));

        // The whole series in view: fewer pixels than bars, one line per column and no candle.
        chart->setView(static_cast<double>(Monday), 1e9);
        (void)chart->grab();
        QCOMPARE(chart->lastFrame().candles, 0);
        QVERIFY(chart->lastFrame().columns > 0 && chart->lastFrame().columns <= static_cast<int>(plot) + 1);
        QCOMPARE(chart->lastFrame().shaded, 2);
    }

    void opensOnTheWholeSeriesAtTheSizeTheWindowTakes()
    {
        TempDir dir;
        ChartWindow window;
        QVERIFY(openAndShow(window, dir));
        CandleChart* chart = window.chart();
        const auto end = static_cast<double>(chart->bars().back().minute + 5);
        const auto lastInView = [chart] {
            return chart->firstMinute() + (chart->width() - 72) * chart->minutesPerPixel();
        };
        for (const QSize size : {QSize(900, 520), QSize(1400, 700), QSize(500, 400)}) {
            window.resize(size);
            QTRY_COMPARE(window.size(), size);
            QCOMPARE(chart->firstMinute(), static_cast<double>(Monday));
            QVERIFY2(std::abs(lastInView() - end) < chart->minutesPerPixel(),
                     qPrintable(QStringLiteral("%1 wide: the view ends %2 minutes from the last bar")
                                    .arg(size.width())
                                    .arg(lastInView() - end)));
        }
        // Once the user has moved the view, a new size keeps its scale.
        chart->setView(static_cast<double>(Monday + 600), 0.5);
        window.resize(1000, 600);
        QTRY_COMPARE(window.size(), QSize(1000, 600));
        QCOMPARE(chart->minutesPerPixel(), 0.5);
    }

    void crosshairNamesTheBarUnderIt()
    {
        TempDir dir;
        ChartWindow window;
        QVERIFY(openAndShow(window, dir));
        CandleChart* chart = window.chart();
        chart->setView(static_cast<double>(Monday), 1.0);
        struct Case
        {
            double x;
            QString text;
        };
        const Case cases[] = {
            {1.0, QStringLiteral("2019/08/19 00:00  O 1.10000  H 1.10030  L 1.09910  C 1.09940")},
            {6.0, QStringLiteral("2019/08/19 00:05  O 1.09940  H 1.09970  L 1.09870  C 1.09900")},
            {522.0, QStringLiteral("2019/08/19 08:40  O 1.09900  H 1.09900  L 1.09900  C 1.09900（補完）")},
            {600.0, QString()}, // inside the hole
        };
        for (const auto& c : cases) {
            QTest::mouseMove(chart, QPoint(static_cast<int>(c.x), 40));
            QCOMPARE(chart->crosshairText(), c.text);
        }
    }

    void opensFromTheFileListAndFromTheLogLine()
    {
        TempDir dir;
        const auto source = dir.write("EURUSD_1min_2009.txt", sampleBars(3000));
        const FixedClock clock(TestToday, 77);
        TForm1 form(dir.write("velmora.ini", "[Form]\r\nminute=5\r\nListBox=" + source.string() + "\r\n"), {}, &clock);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto* list = form.findChild<QListWidget*>(QStringLiteral("ListBox1"));
        QCOMPARE(list->count(), 1);

        // A double click on the registered source shows its 1-minute lines; converted in the window at 5
        // minutes, they are the bars the run writes.
        emit list->itemDoubleClicked(list->item(0));
        auto* chart = form.findChild<ChartWindow*>(QStringLiteral("ChartWindow"));
        QVERIFY(chart != nullptr && chart->isVisible());
        QCOMPARE(chart->chart()->bars().size(), readChartBars(readBytes(source)).size());
        QVERIFY(chart->timeframeBox()->isEnabled());
        chart->timeframeBox()->setCurrentText(QStringLiteral("5"));
        const std::vector<ChartBar> converted = chart->chart()->bars();
        chart->close();

        form.findChild<QPushButton*>(QStringLiteral("Button1"))->click();
        const auto written = readChartBars(readBytes(dir.file("EURUSD_5min_2009.txt")));
        QCOMPARE(converted.size(), written.size());
        for (std::size_t i = 0; i < written.size(); ++i) {
            QCOMPARE(converted[i].minute, written[i].minute);
            QCOMPARE(converted[i].close, written[i].close);
            QCOMPARE(converted[i].fill, written[i].fill);
        }

        // The log line of the written file opens its chart; another line opens nothing.
        const QStringList rows =
            form.findChild<QPlainTextEdit*>(QStringLiteral("Memo1"))->toPlainText().split(QLatin1Char('\n'));
        const auto row = static_cast<int>(rows.indexOf(QStringLiteral("EURUSD_5min_2009.txt を書き出しました")));
        QVERIFY(row >= 0);
        QVERIFY(!form.openChartOfLogLine(static_cast<int>(rows.indexOf(QStringLiteral("処理が完了しました")))));
        QVERIFY(form.openChartOfLogLine(row));
        const auto charts = form.findChildren<ChartWindow*>(QStringLiteral("ChartWindow"));
        ChartWindow* opened = charts.back();
        QCOMPARE(opened->windowTitle(), QStringLiteral("チャート - EURUSD_5min_2009.txt"));
        QCOMPARE(opened->chart()->bars().size(), written.size());
        QVERIFY(!opened->timeframeBox()->isEnabled());
    }
};

QTEST_MAIN(ChartWindowTest)
#include "ChartWindowTest.moc"
