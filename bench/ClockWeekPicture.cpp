// A picture of one week of bars of a clock preset for docs/clocks.md, drawn from velmora-convert's own output:
// days across in the label clock, a lane of 4-hour bars and a lane of daily bars, each bar a box from its label
// for as many minutes as it holds lines, and the minutes without a 1-minute bar (outside the market window)
// shaded. scripts/clock-pictures.sh makes the data and runs it:
//
//   ClockWeekPicture PRESET FIRST-UTC ALSO-CLOCK OUT.png M1-BARS H4-BARS DAILY-BARS
//
// The source's lines are one a minute, every price 1 + (minutes since FIRST-UTC) / 100000 and the volume 1, so
// a bar's volume is its length in minutes and its open tells the instant of its first line; ALSO-CLOCK (UTC,
// NY+7 or a zone) is the clock that instant is written in under each daily bar's label.
#include "engine/clock/ClockPresets.h"

#include <QDateTime>
#include <QFile>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTimeZone>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

using namespace velmora;

namespace {

constexpr qint64 DayMinutes = 1440;
constexpr int Width = 800;
constexpr int Left = 78;
constexpr int Right = 12;
const QString FontFamily = QStringLiteral("Noto Sans CJK JP");

/// A written bar: its label as minutes of a naive clock (days since 1970 times 1440 plus the minute of the day),
/// its length in minutes and the instant of its first line.
struct Bar
{
    qint64 start = 0;
    qint64 minutes = 0;
    QDateTime firstLine;
};

QString weekdayName(const QDate& date)
{
    static const QString Names = QStringLiteral("月火水木金土日");
    return Names.mid(date.dayOfWeek() - 1, 1);
}

QDateTime naive(qint64 minute)
{
    return QDateTime::fromSecsSinceEpoch(minute * 60, QTimeZone::utc());
}

/// The lines of a bar file as written ("2024/01/07,17:00:00,open,high,low,close,volume").
std::optional<std::vector<Bar>> readBars(const QString& path, const QDateTime& firstUtc)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return std::nullopt;
    }
    std::vector<Bar> bars;
    while (!file.atEnd()) {
        const QStringList fields = QString::fromLatin1(file.readLine().trimmed()).split(QLatin1Char(','));
        if (fields.size() < 7) {
            continue;
        }
        const QDateTime label =
            QDateTime::fromString(fields[0] + QLatin1Char(' ') + fields[1], QStringLiteral("yyyy/MM/dd HH:mm:ss"));
        if (!label.isValid()) {
            return std::nullopt;
        }
        const QDateTime asUtc(label.date(), label.time(), QTimeZone::utc());
        const auto offset = std::llround((fields[2].toDouble() - 1.0) * 100000.0);
        bars.push_back({asUtc.toSecsSinceEpoch() / 60, fields[6].toLongLong(), firstUtc.addSecs(offset * 60)});
    }
    return bars;
}

/// The instant in a clock as parseClock reads it: UTC, NY+7 (New York moved seven hours) or a zone.
QDateTime inClock(const QDateTime& instant, const QString& clock)
{
    if (clock == QStringLiteral("NY+7")) {
        const QDateTime newYork = instant.toTimeZone(QTimeZone("America/New_York"));
        return QDateTime(newYork.date(), newYork.time(), QTimeZone::utc()).addSecs(7 * 3600);
    }
    return instant.toTimeZone(clock == QStringLiteral("UTC") ? QTimeZone::utc() : QTimeZone(clock.toLatin1()));
}

/// How a reader names a clock under a bar: short, as the docs' text does.
QString shortName(const QString& clock)
{
    if (clock == QStringLiteral("America/New_York")) {
        return QStringLiteral("NY");
    }
    if (clock == QStringLiteral("Asia/Tokyo")) {
        return QStringLiteral("東京");
    }
    return clock;
}

QString clockText(std::string_view clock)
{
    return clock.empty() ? QStringLiteral("ファイルの時計") : QString::fromUtf8(clock.data(), qsizetype(clock.size()));
}

QFont font(int pixels, bool bold = false)
{
    QFont result(FontFamily);
    result.setPixelSize(pixels);
    result.setBold(bold);
    return result;
}

class WeekPicture
{
public:
    WeekPicture(qint64 firstDay, qint64 days) : m_firstDay(firstDay), m_days(days) {}

    double x(qint64 minute) const
    {
        return Left + double(minute - m_firstDay * DayMinutes) * (Width - Left - Right) / double(m_days * DayMinutes);
    }

    /// Bars as boxes in a lane, alternate colours so that neighbours stay apart; `text` gives each box's lines, the
    /// first in bold of `pixels` unless the box is too narrow for it (4-hour boxes are 15 pixels wide).
    template <typename Text>
    void lane(QPainter& painter, const std::vector<Bar>& bars, int top, int height, int pixels,
              const QColor (&colours)[2], Text text) const
    {
        for (std::size_t i = 0; i < bars.size(); ++i) {
            const QRectF box(QPointF(x(bars[i].start), top), QPointF(x(bars[i].start + bars[i].minutes), top + height));
            painter.setPen(QPen(QColor(40, 40, 40), 1));
            painter.setBrush(colours[i % 2]);
            painter.drawRect(box);
            const QStringList lines = text(bars[i]);
            const int lineHeight = height / int(lines.size() + 1);
            for (qsizetype n = 0; n < lines.size(); ++n) {
                painter.setFont(font(n == 0 ? pixels : 10, n == 0 && pixels >= 12));
                if (QFontMetrics(painter.font()).horizontalAdvance(lines[n]) > box.width()) {
                    continue;
                }
                const QRectF row(box.left(), top + lineHeight * (double(n) + 0.5), box.width(), lineHeight);
                painter.drawText(row, Qt::AlignCenter, lines[n]);
            }
        }
    }

private:
    qint64 m_firstDay;
    qint64 m_days;
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    if (argc != 8) {
        std::fputs("usage: ClockWeekPicture PRESET FIRST-UTC ALSO-CLOCK OUT.png M1 H4 DAILY\n", stderr);
        return 2;
    }
    const ClockPreset* preset = clockPresetNamed(argv[1]);
    const QDateTime firstUtc = QDateTime::fromString(QString::fromLatin1(argv[2]), Qt::ISODate).toUTC();
    const QString also = QString::fromLatin1(argv[3]);
    const auto minuteBars = readBars(QString::fromLocal8Bit(argv[5]), firstUtc);
    const auto fourHourBars = readBars(QString::fromLocal8Bit(argv[6]), firstUtc);
    const auto dailyBars = readBars(QString::fromLocal8Bit(argv[7]), firstUtc);
    if (preset == nullptr || !firstUtc.isValid() || !minuteBars || !fourHourBars || !dailyBars || dailyBars->empty() ||
        minuteBars->empty()) {
        std::fputs("ClockWeekPicture: unknown preset, bad time or unreadable bar files\n", stderr);
        return 1;
    }

    // A day either side of the bars, so that a reader sees where the week starts and ends.
    const qint64 firstDay = dailyBars->front().start / DayMinutes - 1;
    const qint64 lastDay = (dailyBars->back().start + dailyBars->back().minutes - 1) / DayMinutes + 1;
    const WeekPicture week(firstDay, lastDay - firstDay + 1);

    constexpr int Height = 300;
    constexpr int DaysTop = 62;
    constexpr int LanesTop = 84;
    constexpr int FourHourHeight = 30;
    constexpr int DailyTop = LanesTop + FourHourHeight + 10;
    constexpr int DailyHeight = 56;
    constexpr int LanesBottom = DailyTop + DailyHeight;
    QImage image(Width, Height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    painter.setPen(Qt::black);
    painter.setFont(font(16, true));
    painter.drawText(QRect(10, 6, Width - 20, 22), Qt::AlignLeft | Qt::AlignVCenter,
                     QString::fromUtf8(preset->caption.data(), qsizetype(preset->caption.size())) +
                         QStringLiteral("  (--clock-preset %1)").arg(QString::fromLatin1(argv[1])));
    static const QString Days = QStringLiteral("日月火水木金土");
    painter.setFont(font(12));
    painter.drawText(QRect(10, 30, Width - 20, 18), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("データ %1　締めとマーケット %2　ラベル %3　締め %4　窓 %5 %6 – %7 %8")
                         .arg(clockText(preset->source), clockText(preset->market), clockText(preset->label),
                              QString::fromLatin1(preset->cutTime.data(), qsizetype(preset->cutTime.size())),
                              Days.mid(preset->openDay - 1, 1),
                              QString::fromLatin1(preset->openTime.data(), qsizetype(preset->openTime.size())),
                              Days.mid(preset->closeDay - 1, 1),
                              QString::fromLatin1(preset->closeTime.data(), qsizetype(preset->closeTime.size()))));

    // Outside the window: every minute of the range without a 1-minute bar.
    const QColor closed(222, 222, 222);
    qint64 covered = firstDay * DayMinutes;
    const auto shade = [&](qint64 from, qint64 to) {
        if (to > from) {
            painter.fillRect(QRectF(QPointF(week.x(from), LanesTop - 4), QPointF(week.x(to), LanesBottom + 4)), closed);
        }
    };
    for (const Bar& bar : *minuteBars) {
        shade(covered, bar.start);
        covered = std::max(covered, bar.start + bar.minutes);
    }
    shade(covered, (lastDay + 1) * DayMinutes);

    // Days and their hours in the label clock.
    for (qint64 day = firstDay; day <= lastDay; ++day) {
        const QDate date = naive(day * DayMinutes).date();
        painter.setPen(QPen(QColor(90, 90, 90), 1));
        painter.drawLine(QPointF(week.x(day * DayMinutes), DaysTop),
                         QPointF(week.x(day * DayMinutes), LanesBottom + 22));
        painter.setPen(Qt::black);
        painter.setFont(font(12, true));
        painter.drawText(
            QRectF(QPointF(week.x(day * DayMinutes), DaysTop), QPointF(week.x((day + 1) * DayMinutes), DaysTop + 18)),
            Qt::AlignCenter, QStringLiteral("%1/%2 (%3)").arg(date.month()).arg(date.day()).arg(weekdayName(date)));
        painter.setFont(font(9));
        for (int hour = 0; hour < 24; hour += 6) {
            const qint64 minute = day * DayMinutes + hour * 60;
            if (hour != 0) {
                painter.setPen(QPen(QColor(170, 170, 170), 1, Qt::DotLine));
                painter.drawLine(QPointF(week.x(minute), LanesTop - 4), QPointF(week.x(minute), LanesBottom + 8));
            }
            painter.setPen(QColor(60, 60, 60));
            painter.drawText(QRectF(week.x(minute) + 2, LanesBottom + 8, 24, 14), Qt::AlignLeft | Qt::AlignVCenter,
                             QString::number(hour));
        }
    }
    painter.setPen(QPen(QColor(90, 90, 90), 1));
    painter.drawLine(QPointF(week.x((lastDay + 1) * DayMinutes), DaysTop),
                     QPointF(week.x((lastDay + 1) * DayMinutes), LanesBottom + 22));

    painter.setPen(Qt::black);
    painter.setFont(font(12, true));
    painter.drawText(QRect(6, LanesTop, Left - 10, FourHourHeight), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("4時間足"));
    painter.drawText(QRect(6, DailyTop, Left - 10, DailyHeight), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("日足"));
    painter.setFont(font(9));
    painter.drawText(QRect(6, LanesBottom + 8, Left - 10, 14), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("時 (ラベル)"));

    const QColor fourHourColours[2] = {QColor(200, 230, 201), QColor(165, 214, 167)};
    week.lane(painter, *fourHourBars, LanesTop, FourHourHeight, 10, fourHourColours,
              [](const Bar& bar) { return QStringList{QString::number(naive(bar.start).time().hour())}; });
    const QColor dailyColours[2] = {QColor(187, 222, 251), QColor(144, 202, 249)};
    week.lane(painter, *dailyBars, DailyTop, DailyHeight, 12, dailyColours, [&](const Bar& bar) {
        const QDateTime label = naive(bar.start);
        const QDateTime first = inClock(bar.firstLine, also);
        return QStringList{
            weekdayName(label.date()) + label.toString(QStringLiteral(" HH:mm")),
            QStringLiteral("%1 %2 %3")
                .arg(shortName(also), weekdayName(first.date()), first.toString(QStringLiteral("HH:mm")))};
    });

    painter.setPen(Qt::black);
    painter.setFont(font(11));
    // The file preset reads the file's times as they stand; the script writes them in UTC.
    const QString dataClock = preset->source.empty() ? QStringLiteral("UTC") : clockText(preset->source);
    const QString notes[] = {
        QStringLiteral("横軸は書き出す時刻の時計 (%1)。箱はバーの始まりから中の 1 分足の数だけの長さ。灰色は窓の外。")
            .arg(clockText(preset->label)),
        QStringLiteral("日足の上段は書き出されたラベル、下段は最初の 1 分足の %1 の時刻。").arg(also),
        QStringLiteral("データ: 休みのない 1 分足、%1 の %2 から。")
            .arg(dataClock, inClock(firstUtc, dataClock).toString(QStringLiteral("yyyy/MM/dd HH:mm"))),
    };
    int y = LanesBottom + 32;
    for (const QString& note : notes) {
        painter.drawText(QRect(10, y, Width - 20, 18), Qt::AlignLeft | Qt::AlignVCenter, note);
        y += 20;
    }
    painter.end();
    if (!image.save(QString::fromLocal8Bit(argv[4]))) {
        std::fputs("ClockWeekPicture: cannot write the picture\n", stderr);
        return 1;
    }
    return 0;
}
