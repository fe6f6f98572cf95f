// Whole runs over varied source files, compared byte for byte with recorded transcripts: every bar file, every
// log entry, message, question, status text and progress step of the host, in order. A difference anywhere
// means a change of what a user sees. How often the run gives way to the window (processEvents, yields) is left
// out: it is pace, not content. The walk's hook shows a progress position just before it looks for a cancel, so
// the positions still pin where a cancel can land. The transcripts were recorded before the source reading and
// the bucket walk were reworked for speed, and again when each job got its own choice of hook iterations (which
// moved only progress steps). Every way of reading the lines is also compared with the plain one, on these
// sources, on sources full of lines the read-ahead refuses, and with a cancel in the middle of a walk.
//
// To record the transcripts again (only after a deliberate change of behaviour), run the test with
// VELMORA_RECORD_TRANSCRIPTS=1 in the environment; it writes tests/data/transcripts/<case>.txt.
#include "engine/run/ConversionRun.h"
#include "engine/walk/WalkTuning.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <optional>

namespace velmora {
namespace {

using test::readBytes;
using test::RecordingHost;
using test::TempDir;

/// A small deterministic generator, so the sources are the same on every machine.
class Lcg
{
public:
    explicit Lcg(std::uint32_t seed) : m_state(seed) {}
    std::uint32_t next(std::uint32_t bound)
    {
        m_state = m_state * 1664525U + 1013904223U;
        return (m_state >> 8U) % bound;
    }

private:
    std::uint32_t m_state;
};

struct SourceShape
{
    int year = 2009;
    int month = 1;
    int day = 4;            ///< a Sunday
    int startMinute = 1020; ///< 17:00
    int minutes = 3000;
    int perMinute = 1; ///< above 1: tick lines with seconds
    char dateSeparator = '/';
    std::string_view lineEnd = "\r\n";
    std::string_view prefix = {}; ///< fields before the date, e.g. "EURUSD,"
    bool volume = true;
    bool quotePrices = false; ///< "1.3000" with a blank after the comma
    std::uint32_t seed = 1;
};

std::string twoDigits(int value)
{
    return std::string(1, static_cast<char>('0' + value / 10)) + static_cast<char>('0' + value % 10);
}

std::string price(int units, int decimals)
{
    const int scale = decimals == 5 ? 100000 : 10000;
    const int scaled = decimals == 5 ? units : units / 10;
    std::string fraction = std::to_string(scaled % scale);
    fraction.insert(0, static_cast<std::size_t>(decimals) - fraction.size(), '0');
    return std::to_string(scaled / scale) + "." + fraction;
}

/// Lines of 1-minute bars (or ticks) from the shape's start, with a few missing minutes, 4 or 5 decimals.
std::string sourceText(const SourceShape& shape)
{
    static constexpr int MonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    Lcg random(shape.seed);
    std::string text;
    int year = shape.year;
    int month = shape.month;
    int day = shape.day;
    int minute = shape.startMinute;
    int units = 130000;
    for (int i = 0; i < shape.minutes; ++i) {
        if (random.next(50) != 0) {
            const std::string date =
                std::to_string(year) + shape.dateSeparator + twoDigits(month) + shape.dateSeparator + twoDigits(day);
            const std::string hhmm = twoDigits(minute / 60) + ":" + twoDigits(minute % 60);
            for (int k = 0; k < shape.perMinute; ++k) {
                const int decimals = random.next(3) == 0 ? 5 : 4;
                const int open = units;
                const int close = units + static_cast<int>(random.next(81)) - 40;
                const int high = std::max(open, close) + static_cast<int>(random.next(20));
                const int low = std::min(open, close) - static_cast<int>(random.next(20));
                text += shape.prefix;
                text += date + ",";
                text += shape.perMinute > 1 ? hhmm + ":" + twoDigits(k * 60 / shape.perMinute) : hhmm;
                for (const int value : {open, high, low, close}) {
                    text += shape.quotePrices ? ", \"" + price(value, decimals) + "\"" : "," + price(value, decimals);
                }
                if (shape.volume) {
                    text += "," + std::to_string(random.next(200) + 1);
                }
                text += shape.lineEnd;
                units = close;
            }
        }
        if (++minute == 1440) {
            minute = 0;
            const int length = MonthDays[month - 1] + (month == 2 && year % 4 == 0 ? 1 : 0);
            if (++day > length) {
                day = 1;
                if (++month > 12) {
                    month = 1;
                    ++year;
                }
            }
        }
    }
    return text;
}

struct SourceFile
{
    std::string name;
    std::string bytes;
};

struct TranscriptCase
{
    std::string name;
    std::vector<SourceFile> files;
    std::function<void(RunRequest&)> adjust;
    /// Called with the run's host and folder before the run, e.g. to change a source between jobs.
    std::function<void(RecordingHost&, const TempDir&)> prepare;
};

std::string replaceAll(std::string text, std::string_view from, std::string_view to)
{
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

std::vector<TranscriptCase> cases()
{
    std::vector<TranscriptCase> all;
    // The default job over about three weeks of 1-minute bars: enough iterations for the progress hook.
    all.push_back({"default_job", {{"EURUSD_1min_2009.txt", sourceText({.minutes = 30000})}}, {}, {}});
    {
        SourceShape shape{.minutes = 4000, .lineEnd = "\n", .seed = 2};
        std::string text = "Date,Time,Open,High,Low,Close,Volume\n" + sourceText(shape);
        // A line that is not a bar and one earlier than the line before it, in the middle.
        const std::size_t middle = text.find('\n', text.size() / 2) + 1;
        text.insert(middle, "garbage line\n2009/01/05,03:00,1.3,1.3,1.3,1.3,1\n");
        all.push_back({"header_skips_lf_nofill",
                       {{"GBPUSD_1min.csv", text}},
                       [](RunRequest& r) {
                           r.settings.fillGaps = false;
                           r.settings.timeframes = "5, 60";
                       },
                       {}});
    }
    {
        // CR alone ends lines; a zero byte ends the text; the last line has no break.
        std::string text = sourceText({.minutes = 2000, .lineEnd = "\r", .seed = 3});
        text.pop_back();
        std::string withZero = text;
        withZero.insert(withZero.find('\r', withZero.size() / 3) + 1,
                        std::string(1, '\0') + "2009/01/05,10:00,9,9,9,9\r");
        all.push_back({"cr_zero_byte", {{"A_1min.txt", text}, {"B_1min.txt", withZero}}, {}, {}});
    }
    all.push_back({"ticks_with_seconds",
                   {{"USDJPY_tick.txt", sourceText({.minutes = 3000, .perMinute = 7, .seed = 4})}},
                   [](RunRequest& r) { r.settings.timeframes = "1, 15, 1440"; },
                   {}});
    all.push_back({"sequences_label_end",
                   {{"X_1min.txt", sourceText({.minutes = 6000, .seed = 5})},
                    {"Y_1min.txt", sourceText({.day = 6, .minutes = 3000, .seed = 6})}},
                   [](RunRequest& r) {
                       r.settings.timeframes = "-60+240, 30*3-30";
                       r.settings.labelling = BarLabelling::ByEnd;
                   },
                   {}});
    all.push_back({"daily_options",
                   {{"Z_1min.txt", sourceText({.minutes = 20000, .dateSeparator = '.', .seed = 7})}},
                   [](RunRequest& r) {
                       r.settings.timeframes = "1440, 60";
                       r.settings.dropTimeInDaily = true;
                       r.settings.marketWindow = false;
                       r.dateSeparatorBox = "-";
                       r.timeZoneBox = "9";
                       r.settings.cutTime = "00:00";
                   },
                   {}});
    all.push_back({"date_field_two_quoted",
                   {{"Q_1min.txt", sourceText({.minutes = 3000,
                                               .dateSeparator = '-',
                                               .prefix = "\"EUR USD\", ",
                                               .volume = false,
                                               .quotePrices = true,
                                               .seed = 8})}},
                   [](RunRequest& r) {
                       r.dateFieldBox = "2";
                       r.settings.timeframes = "5, 240";
                   },
                   {}});
    // An empty line has no date field: the run ends there with the index error.
    all.push_back({"blank_line_ends_run",
                   {{"B_1min.txt", sourceText({.minutes = 200, .seed = 11}) + "\r\n" +
                                       sourceText({.day = 5, .minutes = 100, .seed = 12})}},
                   [](RunRequest& r) { r.settings.timeframes = "5"; },
                   {}});
    {
        // Day-first lines among good ones: each shows the same box, which every job shows once and counts.
        const std::string good = sourceText({.minutes = 4000, .seed = 21});
        std::string text;
        std::size_t start = 0;
        for (int line = 0; start < good.size(); ++line) {
            const std::size_t end = good.find('\n', start) + 1;
            text += good.substr(start, end - start);
            if (line % 97 == 50) {
                text += "31.12.2008,10:00,1.3000,1.3005,1.2995,1.3001\r\n";
            }
            start = end;
        }
        all.push_back(
            {"repeated_boxes", {{"R_1min.txt", text}}, [](RunRequest& r) { r.settings.timeframes = "5, 60"; }, {}});
    }
    all.push_back({"no_usable_lines_and_empty",
                   {{"bad_1min.txt", "a,b,c\r\nd,e,f,g,h,i\r\n"}, {"empty_1min.txt", ""}},
                   [](RunRequest& r) { r.settings.timeframes = "5"; },
                   {}});
    {
        // The source changes after the first job's output is written: the second job must read it anew.
        TranscriptCase changed{"source_changed_between_jobs",
                               {{"C_1min.txt", sourceText({.minutes = 3000, .seed = 9})}},
                               [](RunRequest& r) { r.settings.timeframes = "5, 60"; },
                               {}};
        const std::string later = sourceText({.minutes = 1500, .seed = 10});
        changed.prepare = [later](RecordingHost& host, const TempDir& dir) {
            host.onLog = [later, &dir](std::string_view text) {
                if (text.find("C_5min") != std::string_view::npos) {
                    dir.write("C_1min.txt", later);
                }
            };
        };
        all.push_back(std::move(changed));
    }
    return all;
}

/// One event per line, its line breaks written as \r and \n.
std::string eventText(const std::vector<std::string>& events)
{
    std::string text;
    for (const std::string& event : events) {
        text += replaceAll(replaceAll(event, "\r", "\\r"), "\n", "\\n") + '\n';
    }
    return text;
}

/// How the run reads and walks: the plain way (every line read by its walk as it comes, one job at a time) and
/// the fast ways, which must not differ from it in one byte or one event.
struct ReadingWay
{
    std::string name;
    std::optional<ReadAheadOptions> feed;
    bool walkAhead = true;
};

std::vector<ReadingWay> readingWays()
{
    // Small chunks put chunk edges and refused lines at every kind of place in the test sources.
    const ReadAheadOptions onThisThread{.workers = 0, .chunkLines = 1024, .depth = 3};
    const ReadAheadOptions workers{.workers = 2, .chunkLines = 1024, .depth = 3};
    return {{"plain", std::nullopt, false},
            {"feed on the walk's thread, ahead", onThisThread, true},
            {"feed with workers, one job at a time", workers, false},
            {"feed with workers, ahead", workers, true},
            {"default", ReadAheadOptions::forThisMachine(), true}};
}

std::string transcriptOf(const TranscriptCase& c, const ReadingWay& way = readingWays().back())
{
    TempDir dir;
    RecordingHost host;
    FixedClock clock{{2026, 12, 8}, 1000};
    RunState state;
    RunRequest request;
    request.settings.overwriteWithoutAsking = true;
    for (const SourceFile& file : c.files) {
        request.files.push_back(dir.write(file.name, file.bytes).string());
    }
    if (c.adjust) {
        c.adjust(request);
    }
    if (c.prepare) {
        c.prepare(host, dir);
    }
    ConversionRun run(host, clock, state);
    run.setHookSeed(12345);
    run.setTuning({way.feed, way.walkAhead});
    const RunOutcome outcome = run.execute(request);

    std::string transcript = "outcome " + std::to_string(static_cast<int>(outcome)) + "\n";
    transcript += eventText(host.events);
    std::vector<std::filesystem::path> outputs;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        const auto name = entry.path().filename().string();
        const bool isSource =
            std::any_of(c.files.begin(), c.files.end(), [&name](const SourceFile& file) { return file.name == name; });
        if (!isSource) {
            outputs.push_back(entry.path());
        }
    }
    std::sort(outputs.begin(), outputs.end());
    for (const auto& path : outputs) {
        const std::string bytes = readBytes(path);
        transcript += "== " + path.filename().string() + " " + std::to_string(bytes.size()) + " bytes\n";
        transcript += bytes;
    }
    return transcript;
}

std::filesystem::path transcriptPath(const std::string& name)
{
    const char* data = std::getenv("VELMORA_TEST_DATA");
    // Run outside ctest, the folder is found from this file's place: tests/engine/run/ beside tests/data/.
    const std::filesystem::path folder =
        data != nullptr ? std::filesystem::path(data)
                        : std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "data";
    return folder / "transcripts" / (name + ".txt");
}

TEST(ConversionTranscriptTest, RunsMatchTheRecordedTranscriptsByteForByte)
{
    const bool record = std::getenv("VELMORA_RECORD_TRANSCRIPTS") != nullptr;
    for (const TranscriptCase& c : cases()) {
        const std::string transcript = transcriptOf(c);
        const auto path = transcriptPath(c.name);
        if (record) {
            std::filesystem::create_directories(path.parent_path());
            std::ofstream(path, std::ios::binary) << transcript;
            continue;
        }
        const std::string expected = readBytes(path);
        ASSERT_FALSE(expected.empty()) << "missing " << path;
        if (transcript != expected) {
            const auto mismatch = std::mismatch(transcript.begin(), transcript.end(), expected.begin(), expected.end());
            const auto at = static_cast<std::size_t>(mismatch.first - transcript.begin());
            const std::size_t from = at > 200 ? at - 200 : 0;
            ADD_FAILURE() << c.name << ": differs at byte " << at
                          << "\nrun:      " << testing::PrintToString(transcript.substr(from, 300))
                          << "\nexpected: " << testing::PrintToString(expected.substr(from, 300));
        }
    }
}

/// Changes line i of a text with LF breaks.
void changeLine(std::string& text, std::size_t i, const std::function<void(std::string&)>& change)
{
    std::size_t start = 0;
    for (std::size_t k = 0; k < i; ++k) {
        start = text.find('\n', start) + 1;
    }
    const std::size_t end = text.find('\n', start);
    std::string line = text.substr(start, end - start);
    change(line);
    text.replace(start, end - start, line);
}

/// Field k of a line replaced.
void setField(std::string& line, std::size_t k, std::string_view value)
{
    std::size_t start = 0;
    for (std::size_t i = 0; i < k; ++i) {
        start = line.find(',', start) + 1;
    }
    line.replace(start, line.find(',', start) - start, value);
}

/// Sources with every kind of line the read-ahead refuses, at chunk edges and between runs of good lines: each
/// must come out the same whichever way the run reads.
std::vector<TranscriptCase> refusedLineCases()
{
    std::vector<TranscriptCase> all;
    std::string mixed = sourceText({.minutes = 9000, .lineEnd = "\n", .seed = 21});
    changeLine(mixed, 1023, [](std::string& line) { line.insert(line.find(',') + 6, ":30"); }); // seconds
    changeLine(mixed, 1024, [](std::string& line) {
        // Quoted fields, the close with an escaped quote: read through the full comma-text rule.
        setField(line, 0, "\"" + line.substr(0, 10) + "\"");
        setField(line, 5, "\"1.30\"\"0\"");
    });
    changeLine(mixed, 2048, [](std::string& line) { setField(line, 0, "2009/13/45"); }); // a date that does not read
    changeLine(mixed, 3072, [](std::string& line) {
        // An early line with a bad price: passed over as out of order, so the price is never read.
        line = "2009/01/04,17:03,1.3,x,1.3,1.3";
    });
    changeLine(mixed, 5000, [](std::string& line) { line.erase(line.find(':'), 1); }); // no ":" shows a message
    changeLine(mixed, 6000, [](std::string& line) { line[4] = line[7] = '.'; }); // the separator changes, and back
    changeLine(mixed, 6001, [](std::string& line) { line[7] = '.'; });           // a date that reads no way
    all.push_back({"refused_lines",
                   {{"M_1min.txt", mixed}},
                   [](RunRequest& r) { r.settings.timeframes = "5, 60, 1440, -15+45"; },
                   {}});

    // The good lines again day first with semicolons, rewritten as they are read (the read-ahead cuts and
    // rewrites them itself), volumes appended; the layout does not read the others, which go to the usual
    // reading as written.
    std::string dayFirst;
    for (std::size_t start = 0; start < mixed.size();) {
        const std::size_t end = mixed.find('\n', start);
        std::string line = mixed.substr(start, end - start);
        if (line.size() > 16 && line[4] == '/' && line[7] == '/' && line.substr(5, 2) <= "12" && line[13] == ':' &&
            line.find('x') == std::string::npos) {
            line = line.substr(8, 2) + "." + line.substr(5, 2) + "." + line.substr(0, 4) + line.substr(10);
            std::replace(line.begin(), line.end(), ',', ';');
        }
        dayFirst += line + "\n";
        start = end + 1;
    }
    all.push_back({"refused_lines_day_first",
                   {{"D_1min.txt", dayFirst}},
                   [](RunRequest& r) {
                       r.settings.timeframes = "5, 60, 1440, -15+45";
                       r.settings.appendVolume = true;
                       r.settings.sourceLayout = *layoutFromName("dmy");
                       r.settings.sourceLayout.separator = FieldSeparator::Semicolon;
                   },
                   {}});

    // A bad price one minute before the line above it: out of order for the 5-minute walk, which passes it
    // over, but taken by the hourly walk, whose run ends there.
    std::string taken = sourceText({.minutes = 3000, .lineEnd = "\n", .seed = 22});
    const std::size_t fiveAfter = taken.find(",10:05,", taken.size() / 2);
    const std::size_t lineStart = taken.rfind('\n', fiveAfter) + 1;
    const std::size_t lineEnd = taken.find('\n', fiveAfter) + 1;
    taken.insert(lineEnd, taken.substr(lineStart, 11) + "10:04,1.3,x,1.3,1.3\n");
    all.push_back({"bad_price_taken_by_a_later_entry",
                   {{"P_1min.txt", taken}},
                   [](RunRequest& r) { r.settings.timeframes = "5, 60, 240"; },
                   {}});

    std::string noSeparator = sourceText({.minutes = 2500, .lineEnd = "\n", .seed = 23});
    changeLine(noSeparator, 0, [](std::string& line) { setField(line, 0, "20090104"); });
    all.push_back({"first_date_without_separator",
                   {{"S_1min.txt", noSeparator}, {"T_1min.txt", mixed}},
                   [](RunRequest& r) { r.settings.timeframes = "5, 30, -10+20"; },
                   {}});
    // Prices out of the order open, high, low, close allow, in every form the readers take them: every way of
    // reading counts the same lines, and the count is logged once per file.
    std::string unordered = sourceText({.minutes = 5000, .lineEnd = "\n", .seed = 24});
    for (std::size_t i = 3; i < 4900; i += 37) {
        changeLine(unordered, i, [i](std::string& line) {
            const std::string_view forms[] = {"1.2", "1.40000", "1.3e0", "+1.3", "9", "1.3001"};
            setField(line, 2 + i % 4, forms[i % 6]);
            if (i % 5 == 0) {
                setField(line, 3, "\"1.2999\""); // quoted: read by the full comma-text rule
            }
        });
    }
    all.push_back({"prices_out_of_order",
                   {{"U_1min.txt", unordered}, {"V_1min.txt", mixed}},
                   [](RunRequest& r) { r.settings.timeframes = "5, 60"; },
                   {}});
    // More files than jobs are ever kept waiting: the later ones walk at their turn.
    TranscriptCase many{"many_files", {}, [](RunRequest& r) { r.settings.timeframes = "5, 60, 240"; }, {}};
    for (std::uint32_t i = 0; i < 40; ++i) {
        many.files.push_back({"F" + std::to_string(i) + "_1min.txt", sourceText({.minutes = 300, .seed = 30 + i})});
    }
    all.push_back(std::move(many));
    // A cancel confirmed at a hook in the middle of the second entry, while later jobs may already have been
    // walked ahead: every way stops at the same line with the same log, and leaves the same files.
    TranscriptCase cancelled{"cancel_in_the_second_entry",
                             {{"K_1min.txt", sourceText({.minutes = 30000, .seed = 40})},
                              {"L_1min.txt", sourceText({.minutes = 9000, .seed = 41})}},
                             {},
                             [](RecordingHost& host, const TempDir&) {
                                 host.onPosition = [&host, shown = 0](int) mutable {
                                     host.cancel = host.cancel || ++shown == 20;
                                 };
                             }};
    all.push_back(std::move(cancelled));
    return all;
}

TEST(ConversionTranscriptTest, EveryWayOfReadingGivesThePlainRunByteForByte)
{
    std::vector<TranscriptCase> all = cases();
    for (TranscriptCase& c : refusedLineCases()) {
        all.push_back(std::move(c));
    }
    const std::vector<ReadingWay> ways = readingWays();
    for (const TranscriptCase& c : all) {
        const std::string plain = transcriptOf(c, ways.front());
        for (std::size_t w = 1; w < ways.size(); ++w) {
            EXPECT_EQ(transcriptOf(c, ways[w]), plain) << c.name << ": " << ways[w].name;
        }
    }
}

} // namespace
} // namespace velmora
