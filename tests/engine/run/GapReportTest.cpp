#include "engine/run/GapReport.h"

#include "engine/run/ConversionRun.h"
#include "engine/walk/WalkTuning.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"

#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>

namespace velmora {
namespace {

using test::readBytes;
using test::RecordingHost;
using test::TempDir;

/// 1-minute lines from Monday 2019-08-19 00:00 to Wednesday 12:00 (inside the default window), leaving out the
/// minutes in [from, to) of each hole.
std::string sourceWithHoles(const std::vector<std::pair<int, int>>& holes)
{
    std::string text;
    for (int m = 0; m < 2 * 1440 + 720; ++m) {
        const bool missing = std::any_of(holes.begin(), holes.end(),
                                         [m](const auto& hole) { return m >= hole.first && m < hole.second; });
        if (missing) {
            continue;
        }
        char line[64];
        const int price = 10000 + m % 97;
        std::snprintf(line, sizeof line, "2019.08.%02d,%02d:%02d,1.%04d,1.%04d,1.%04d,1.%04d\r\n", 19 + m / 1440,
                      m % 1440 / 60, m % 60, price, price + 3, price - 2, price + 1);
        text += line;
    }
    return text;
}

// Monday 10:01 to 11:00 missing (60 minutes), Tuesday 09:00 to 09:19 (20, too short), Tuesday 20:00 to 23:59
// (240).
const std::vector<std::pair<int, int>> Holes{{601, 661}, {1440 + 540, 1440 + 560}, {1440 + 1200, 1440 + 1440}};

struct GapRun
{
    TempDir dir;
    RecordingHost host;
    FixedClock clock{{2026, 12, 8}, 1000};
    RunState state;
    RunRequest request;
    std::string csv;

    GapRun()
    {
        request.settings.timeframes = "5, 60";
        request.settings.overwriteWithoutAsking = true;
    }

    RunOutcome run(const WalkTuning& tuning = {})
    {
        host.log.clear();
        ConversionRun conversion(host, clock, state);
        conversion.setHookSeed(7);
        conversion.setTuning(tuning);
        const RunOutcome outcome = conversion.execute(request);
        csv = conversion.gapReport() != nullptr ? conversion.gapReport()->csv() : "";
        return outcome;
    }

    /// The log rows between the last written file and the end of the run.
    std::vector<std::string> reportRows() const
    {
        std::vector<std::string> rows = host.logRows();
        const auto last =
            std::find_if(rows.rbegin(), rows.rend(), [](const auto& row) { return row.ends_with("を書き出しました"); });
        return {last.base(), rows.end() - 2};
    }
};

TEST(GapReportTest, GivesExactlyTheHolesAndTheFillBarsOfEachJob)
{
    GapRun r;
    const auto source = r.dir.write("EURUSD_1min.txt", sourceWithHoles(Holes)).string();
    const auto clean = r.dir.write("GBPUSD_1min.txt", sourceWithHoles({})).string();
    r.request.files = {source, clean};
    r.request.gaps = {true, true, 30};
    // 5-minute buckets 10:05 … 10:55 of the first hole are empty (11), 09:00 … 09:15 of the short one (4), 20:00 …
    // 23:55 of the last (48); of the hours, only 20:00 … 23:00 of the last (4).
    const std::vector<std::string> expected{
        "EURUSD_1min.txt の欠け (30 分を超えるもの): 2 か所、最長 240 分 (2019/08/20 20:00 から)、"
        "埋めた足 5min 63 本 / 60min 4 本",
        "    2019/08/19 10:01 - 2019/08/19 11:01 60 分、埋めた足 5min 11 本 / 60min 0 本",
        "    2019/08/20 20:00 - 2019/08/21 00:00 240 分、埋めた足 5min 48 本 / 60min 4 本",
        "GBPUSD_1min.txt の欠け (30 分を超えるもの): なし、埋めた足 5min 0 本 / 60min 0 本",
    };
    const std::string expectedCsv = "source,start,end,minutes,fill_5min,fill_60min\r\n" + source +
                                    ",2019-08-19 10:01,2019-08-19 11:01,60,11,0\r\n" + source +
                                    ",2019-08-20 20:00,2019-08-21 00:00,240,48,4\r\n";

    // Every way of reading and walking counts the same, a job walked ahead as one walked at its turn.
    const std::vector<std::pair<const char*, WalkTuning>> ways{
        {"default", WalkTuning{}},
        {"line by line, each job at its turn", WalkTuning{std::nullopt, false}},
        {"read ahead on the run's thread", WalkTuning{ReadAheadOptions{0, 1024, 3}, true}},
        {"workers, small chunks", WalkTuning{ReadAheadOptions{2, 1024, 3}, true}},
    };
    for (const auto& [name, tuning] : ways) {
        ASSERT_EQ(r.run(tuning), RunOutcome::Completed) << name;
        EXPECT_EQ(r.reportRows(), expected) << name;
        EXPECT_EQ(r.csv, expectedCsv) << name;
    }
}

TEST(GapReportTest, ChangesNoBarAndNoLogLineWhenOff)
{
    // The same run with the report off and on: the same bytes in every file, and the same log but for the
    // report's own lines.
    struct Setting
    {
        const char* name;
        bool fill;
        bool window;
        const char* timeframes;
    };
    const std::vector<Setting> settings{
        {"defaults", true, true, "5, 60, 240, 1440"},
        {"no fill", false, true, "5, 60"},
        {"no window", true, false, "15, 1440"},
    };
    for (const auto& s : settings) {
        GapRun off;
        GapRun on;
        for (GapRun* r : {&off, &on}) {
            r->request.settings.fillGaps = s.fill;
            r->request.settings.marketWindow = s.window;
            r->request.settings.timeframes = s.timeframes;
            r->request.files = {r->dir.write("EURUSD_1min.txt", sourceWithHoles(Holes)).string()};
        }
        on.request.gaps = {true, false, 30};
        ASSERT_EQ(off.run(), RunOutcome::Completed);
        ASSERT_EQ(on.run(), RunOutcome::Completed);
        for (const char* name :
             {"EURUSD_5min.txt", "EURUSD_15min.txt", "EURUSD_1hour.txt", "EURUSD_4hour.txt", "EURUSD_Daily.txt"}) {
            const bool written = std::filesystem::exists(off.dir.file(name));
            ASSERT_EQ(std::filesystem::exists(on.dir.file(name)), written) << s.name << ' ' << name;
            if (written) {
                EXPECT_EQ(readBytes(on.dir.file(name)), readBytes(off.dir.file(name))) << s.name << ' ' << name;
            }
        }
        std::vector<std::string> onRows = on.host.logRows();
        std::vector<std::string> offRows = off.host.logRows();
        onRows.pop_back();
        offRows.pop_back(); // the elapsed time
        ASSERT_EQ(onRows.size(), offRows.size() + 1) << s.name << ": one summary line";
        EXPECT_TRUE(onRows[onRows.size() - 2].starts_with("EURUSD_1min.txt の欠け")) << s.name;
        onRows.erase(onRows.end() - 2);
        EXPECT_EQ(onRows, offRows) << s.name;
        EXPECT_EQ(off.csv, "") << "a run that was not asked keeps no report";
    }
}

} // namespace
} // namespace velmora
