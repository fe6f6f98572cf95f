// Per-line readers against glibc's strptime on the same texts, and the regex time split they replace.
#include "input/DateTimeText.h"
#include "input/SplitCommaText.h"
#include "regex/TBRegExp.h"

#include <benchmark/benchmark.h>
#include <ctime> // strptime

namespace {

using namespace velmora;

constexpr const char* Line = "2009.01.05,17:00,1.2345,1.2350,1.2340,1.2348,100";
constexpr const char* DateText = "2009.01.05";
constexpr const char* TimeText = "17:00";

class NullSink : public MessageSink
{
public:
    void showMessage(std::string_view /*text*/) override {}
};

void dateReader(benchmark::State& state)
{
    DateSeparators separators{'.', '/'};
    NullSink sink;
    DateTextContext context{separators, sink, 2026};
    for (auto _ : state) {
        benchmark::DoNotOptimize(DateTextToDayMinutes(DateText, context));
    }
}
BENCHMARK(dateReader)->Name("DateTextToDayMinutes");

void parseDate(benchmark::State& state)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(parseDateText(DateText, '.', 2026));
    }
}
BENCHMARK(parseDate)->Name("parseDateText");

void strptimeDate(benchmark::State& state)
{
    for (auto _ : state) {
        std::tm tm{};
        benchmark::DoNotOptimize(strptime(DateText, "%Y.%m.%d", &tm));
        benchmark::DoNotOptimize(tm);
    }
}
BENCHMARK(strptimeDate)->Name("strptime date");

void readTime(benchmark::State& state)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReadTimeText(TimeText));
    }
}
BENCHMARK(readTime)->Name("ReadTimeText");

void parseTime(benchmark::State& state)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(parseTimeText(TimeText));
    }
}
BENCHMARK(parseTime)->Name("parseTimeText");

void timeStrToInt(benchmark::State& state)
{
    NullSink sink;
    for (auto _ : state) {
        benchmark::DoNotOptimize(TimeStrToInt(TimeText, sink));
    }
}
BENCHMARK(timeStrToInt)->Name("TimeStrToInt");

void strptimeTime(benchmark::State& state)
{
    for (auto _ : state) {
        std::tm tm{};
        benchmark::DoNotOptimize(strptime(TimeText, "%H:%M", &tm));
        benchmark::DoNotOptimize(tm);
    }
}
BENCHMARK(strptimeTime)->Name("strptime time");

void regexTimeSplit(benchmark::State& state)
{
    TBRegExp& regex = SharedRegExp();
    for (auto _ : state) {
        regex.Split("m/:/", TimeText, 10);
        benchmark::DoNotOptimize(regex.Count());
        benchmark::DoNotOptimize(regex.Strings(0));
        benchmark::DoNotOptimize(regex.Strings(1));
    }
}
BENCHMARK(regexTimeSplit)->Name("regex split m/:/ (replaced)");

void commaItems(benchmark::State& state)
{
    CommaItems items;
    for (auto _ : state) {
        items.split(Line);
        benchmark::DoNotOptimize(items[6]);
    }
}
BENCHMARK(commaItems)->Name("CommaItems::split");

void splitCommaText(benchmark::State& state)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(SplitCommaText(Line));
    }
}
BENCHMARK(splitCommaText)->Name("SplitCommaText (allocating)");

} // namespace

BENCHMARK_MAIN();
