#pragma once

#include "engine/bars/BarBuilder.h"
#include "engine/bars/BarLine.h"
#include "engine/bars/CalendarGrid.h"
#include "engine/bars/LineFeed.h"
#include "engine/bars/PriceFormat.h"
#include "engine/bars/RepeatedMessages.h"
#include "engine/clock/WalkClocks.h"
#include "input/ParsedLine.h"
#include "input/SourceLines.h"
#include "input/SourceRecord.h"

#include <cstddef>
#include <cstdint>
#include <cstring> // memcpy
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

/// One job's walk over the lines of a file, in steps: start() finds the first usable line and anchors the
/// grid, advance() walks the lines up to a limit, finish() closes the last bucket. Stepping through in pieces
/// does exactly what one pass would do.
///
/// Declared apart from BarBuilder for what schedules several walks over one file (engine/walk/SourceWalk). Its
/// code stays in BarBuilder.cpp, in one unit, so that the steps a line takes are compiled into advance().
class BarBuilder::Walk
{
public:
    /// countsFileLines: the walk counts what it finds in the file as a whole (lines out of price order, the
    /// holes of the gap report); only one walk over a file need do so.
    Walk(const BarBuilder& builder, const SourceLines& lines, BarJob& job, bool countsFileLines);

    /// The price format found for the walks of one file, by the first usable line it was found from.
    struct PriceMemo
    {
        std::size_t first = SIZE_MAX;
        PriceFormat format;
    };

    /// False when the file has no usable line (logged) and the walk is over.
    bool start(std::string_view fileName, PriceMemo& prices);
    /// feed: the lines as read ahead of the walk, or null when the walk reads every line itself.
    void advance(std::size_t limit, const LineFeed* feed);
    void finish();

    /// Logs how many lines showed each message shown more than once.
    void reportRepeatedMessages() const { m_messages.report(m_env.host); }

    std::size_t position() const { return m_p; }
    const DateMemo& memo() const { return m_memo; }
    char inputSeparator() const { return m_dates.separators.input; }

private:
    /// An open or close as the source writes it: moved in one fixed piece from a line read ahead, else copied.
    /// Not to be copied itself (text may view chars).
    struct PriceText
    {
        PriceText() = default;
        PriceText(const PriceText&) = delete;
        PriceText& operator=(const PriceText&) = delete;

        void take(const char (&from)[ParsedLine::PriceChars], std::size_t length)
        {
            std::memcpy(chars, from, sizeof chars);
            text = {chars, length};
        }
        void assign(std::string_view from)
        {
            copy.assign(from);
            text = copy;
        }
        void assign(const PriceText& other)
        {
            if (other.text.data() == other.chars) {
                take(other.chars, other.text.size());
            } else {
                assign(other.text);
            }
        }

        char chars[ParsedLine::PriceChars] = {};
        std::string_view text;
        std::string copy;
    };

    struct Bucket
    {
        std::int64_t start = 0;
        std::int64_t end = 0;
        std::size_t lineCount = 0;
        PriceText open;  ///< of the first line taken
        PriceText close; ///< of the last line taken
        double high = 0.0;
        double low = 0.0;
        double volume = 0.0;             ///< with appendVolume: the volumes added up, or the lines counted
        std::uint8_t volumeDecimals = 0; ///< the most digits after the point of a volume added
    };

    std::string_view lineAt(std::size_t i) { return m_lines.line(i, m_cursor); }
    /// Splits the line (as lineAt() gave it) into m_record unless it already holds that line: a line's stamp and
    /// its prices are read from one split.
    void split(std::string_view line);
    /// Reads the stamp of the line at m_p into m_waiting; false when the line is skipped.
    bool readWaitingLine();
    /// What one walk over a file counts of the waiting line for the whole file: its prices out of order, and
    /// with the gap report where the file has holes. Every line with a stamp is counted, whichever bucket takes
    /// it, so that any walk over a file gives the same count.
    void countFileLine()
    {
        countPriceOrder();
        if (m_gaps != nullptr) {
            m_gaps->line(m_waiting);
        }
    }
    void countPriceOrder()
    {
        if (m_parsed != nullptr && m_parsed->pricesHeld()) {
            m_job.linesOutOfPriceOrder += m_parsed->outOfOrder ? 1U : 0U;
        } else {
            countPriceOrderOfOwnReading();
        }
    }
    void countPriceOrderOfOwnReading();
    /// What a line read needs beyond its stamp and prices: where its volume is, its time in the market clock.
    /// The volume's place is taken inside the walk's loop: a call for it, per line and walk, cost more than
    /// reading the volume.
    [[gnu::always_inline]] inline void readExtras(const LineFeed* feed)
    {
        if ((m_lineExtras & ReadVolume) != 0) {
            m_parsedVolume = m_parsed != nullptr && feed != nullptr ? &feed->volumeOf(m_p) : nullptr;
        }
        if ((m_lineExtras & ReadExtras) != 0) {
            readMarketTime();
        }
    }
    /// A line read in another clock than the market's: its time in the market clock.
    void readMarketTime();
    /// A line's time in the market clock, where the buckets are cut.
    std::int64_t marketTime(std::int64_t stamp) { return m_convertsLines ? m_clocks.toMarket(stamp) : stamp; }
    /// The label of the bucket under way as it is written, or std::nullopt when it is not written.
    std::optional<std::int64_t> labelOf(const Bucket& bucket);
    /// Adds the waiting line to the bucket under way. Kept inside the walk's loop: left to itself the compiler
    /// calls it, and the default job over one year counts 525.9 M instructions against 510.8 M (callgrind,
    /// bench/README.md, "Kept tricks and their figures").
    [[gnu::always_inline]] inline void takeWaiting();
    void passUnfilledBuckets();
    void addLine(std::string_view line);
    void addParsed(const ParsedLine& parsed);
    void moveOn();
    bool isUsable(std::string_view line);
    std::optional<std::int64_t> stampOf(std::string_view line);
    void skipLine(std::string_view line, std::string_view reason);
    /// The first line with a stamp from line 0 on, its stamp in stamp; lines before it skipped and logged. Gives
    /// up at line UnreadableAfterLines of a longer file none of whose lines read (returned without a stamp, below
    /// the line count): only the first ShownSkips of them are then logged.
    std::size_t findFirstStamp(std::optional<std::int64_t>& stamp, bool& detected);
    /// Skipped lines logged before the rest waits to see whether any line reads.
    static constexpr std::size_t ShownSkips = 20;
    void closeBucket();
    bool randomHookDue();

    // Weeks and months (m_grid set): their edges, and the lines they take.
    std::int64_t edgeAfter(std::int64_t start) const
    {
        return m_grid ? m_grid->endOf(start) : start + m_entry.currentWidth();
    }
    bool outsideWrittenDays(std::int64_t stamp);
    // Volumes, with appendVolume. Out of line, so that the loop of the default job, which adds none, stays small:
    // inlined, that job over one year counts 515.5 M instructions against 510.8 M, for 2.8 M fewer (of 852 M)
    // with --volume (callgrind, bench/README.md).
    [[gnu::noinline]] void addVolume(double volume, std::uint8_t decimals);
    void appendVolume(std::string& output) const;

    const ConversionSettings& m_settings;
    const SummerShiftTable* m_summer;
    std::int32_t m_cutMinutes;
    std::uint32_t m_random;
    const SourceLines& m_lines;
    SourceLines::Cursor m_cursor;
    BarJob& m_job;
    BuildEnvironment& m_env;
    RepeatedMessages m_messages;
    DateTextContext m_dates; ///< the job's separators, its messages shown once each
    TimeframeEntry& m_entry;
    BarLine m_lineWriter;
    SourceRecord m_record;
    /// The number of the line m_record holds (not its place: lines rewritten as they are read share one).
    std::size_t m_splitLine = SourceLines::NoLine;
    DateMemo m_memo;
    std::int64_t m_fillUntil = 0; ///< empty buckets starting from here get no fill bar

    std::size_t m_p = 0; ///< the next line to take
    PriceFormat m_prices;
    Bucket m_bucket;
    PriceText m_fill; ///< the close empty buckets are filled from
    // The stamp of the waiting line is read once, however many empty buckets it waits through.
    std::int64_t m_waiting = 0;
    const ParsedLine* m_parsed = nullptr;       ///< the waiting line as the feed read it, or null
    const LineVolume* m_parsedVolume = nullptr; ///< its volume, with appendVolume

    std::optional<CalendarGrid> m_grid;
    std::int64_t m_checkedDay = INT64_MIN; ///< the day outsideWrittenDays() looked at last
    bool m_checkedDayOutside = false;
    bool m_daily = false;
    bool m_haveWaiting = false;
    bool m_volumeField = false; ///< the file's first usable line has a volume after its close
    WalkClocks m_clocks;
    bool m_convertsLines;
    bool m_usesClocks;
    bool m_countsFileLines;
    /// What the walk does with each line beyond the usual, in one word so that the usual walk tests it once:
    /// ReadVolume and ReadExtras when a line is read (its volume, its clock), TakeExtras when a bucket takes it
    /// (weeks and months).
    static constexpr unsigned ReadExtras = 1U;
    static constexpr unsigned TakeExtras = 2U;
    static constexpr unsigned ReadVolume = 4U;
    unsigned m_lineExtras = 0;
    GapTally* m_gaps = m_job.gaps ? &*m_job.gaps : nullptr;
};

} // namespace velmora
