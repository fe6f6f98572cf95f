// The output formats through the real velmora-convert: every format's file, read back by a reader of its own
// layout written here, gives the bars of the usual text file of the same job.
#include "cli/ProgramRun.h"
#include "support/TempDir.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <map>
#include <sstream>

#ifdef _WIN32
TEST(OutputFormatProgramTest, RunsThroughAPosixShell)
{
    GTEST_SKIP() << "the program is started through a POSIX shell";
}
#else

namespace fs = std::filesystem;
namespace chr = std::chrono;
using namespace velmora::test;

namespace {

/// One bar as the usual text writes it: "yyyy/MM/dd", "hh:nn:ss", the prices' texts and the volume.
struct Bar
{
    std::string date, time, open, high, low, close, volume;
    bool operator==(const Bar&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Bar& bar)
{
    return out << bar.date << ' ' << bar.time << ' ' << bar.open << ' ' << bar.high << ' ' << bar.low << ' '
               << bar.close << ' ' << bar.volume;
}

std::vector<std::string> split(const std::string& line, char separator)
{
    std::vector<std::string> parts;
    std::stringstream stream(line);
    for (std::string part; std::getline(stream, part, separator);) {
        parts.push_back(part);
    }
    return parts;
}

/// The lines of a written text file, each checked for its CR LF and returned without it.
std::vector<std::string> crlfLines(const fs::path& file)
{
    std::vector<std::string> result;
    for (std::string line : lines(readBytes(file))) {
        EXPECT_TRUE(line.ends_with('\r')) << file;
        line.pop_back();
        result.push_back(line);
    }
    return result;
}

std::string dashed(const std::string& digits, char separator)
{
    return digits.substr(0, 4) + separator + digits.substr(4, 2) + separator + digits.substr(6, 2);
}

std::string coloned(const std::string& digits)
{
    return digits.substr(0, 2) + ':' + digits.substr(2, 2) + ':' + (digits.size() > 4 ? digits.substr(4, 2) : "00");
}

std::vector<Bar> textBars(const fs::path& file)
{
    std::vector<Bar> bars;
    for (const auto& line : crlfLines(file)) {
        const auto f = split(line, ',');
        bars.push_back({f.at(0), f.at(1), f.at(2), f.at(3), f.at(4), f.at(5), f.at(6)});
    }
    return bars;
}

std::vector<Bar> mt5Bars(const fs::path& file)
{
    auto all = crlfLines(file);
    EXPECT_EQ(all.at(0), "<DATE>\t<TIME>\t<OPEN>\t<HIGH>\t<LOW>\t<CLOSE>\t<TICKVOL>\t<VOL>\t<SPREAD>");
    std::vector<Bar> bars;
    for (std::size_t i = 1; i < all.size(); ++i) {
        const auto f = split(all[i], '\t');
        EXPECT_EQ(f.size(), 9U);
        EXPECT_EQ(f.at(7) + f.at(8), "00");
        std::string date = f.at(0);
        std::replace(date.begin(), date.end(), '.', '/');
        bars.push_back({date, f.at(1), f.at(2), f.at(3), f.at(4), f.at(5), f.at(6)});
    }
    return bars;
}

/// NinjaTrader's daily lines carry no time: the text's time is taken for the comparison.
std::vector<Bar> ninjaBars(const fs::path& file, const std::vector<Bar>& text)
{
    std::vector<Bar> bars;
    for (const auto& line : crlfLines(file)) {
        const auto f = split(line, ';');
        const auto stamp = split(f.at(0), ' ');
        const std::string time = stamp.size() > 1 ? coloned(stamp[1]) : text.at(bars.size()).time;
        bars.push_back({dashed(stamp[0], '/'), time, f.at(1), f.at(2), f.at(3), f.at(4), f.at(5)});
    }
    return bars;
}

std::vector<Bar> forexTesterBars(const fs::path& file, const std::string& symbol)
{
    auto all = crlfLines(file);
    EXPECT_EQ(all.at(0), "<TICKER>,<DTYYYYMMDD>,<TIME>,<OPEN>,<HIGH>,<LOW>,<CLOSE>,<VOL>");
    std::vector<Bar> bars;
    for (std::size_t i = 1; i < all.size(); ++i) {
        const auto f = split(all[i], ',');
        EXPECT_EQ(f.at(0), symbol);
        bars.push_back({dashed(f.at(1), '/'), coloned(f.at(2)), f.at(3), f.at(4), f.at(5), f.at(6), f.at(7)});
    }
    return bars;
}

std::vector<Bar> csvBars(const fs::path& file)
{
    auto all = crlfLines(file);
    EXPECT_EQ(all.at(0), "date,time,open,high,low,close,volume");
    std::vector<Bar> bars;
    for (std::size_t i = 1; i < all.size(); ++i) {
        const auto f = split(all[i], ',');
        std::string date = f.at(0);
        std::replace(date.begin(), date.end(), '-', '/');
        bars.push_back({date, f.at(1), f.at(2), f.at(3), f.at(4), f.at(5), f.at(6)});
    }
    return bars;
}

template <typename T> T little(const std::string& bytes, std::size_t at)
{
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) {
        bits |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes.at(at + i))) << (8 * i);
    }
    if constexpr (std::is_same_v<T, double>) {
        return std::bit_cast<double>(bits);
    } else {
        return static_cast<T>(bits);
    }
}

struct HstHeader
{
    std::int32_t version, period, digits;
    std::string copyright, symbol;
};

HstHeader hstHeader(const std::string& bytes)
{
    return {little<std::int32_t>(bytes, 0), little<std::int32_t>(bytes, 80), little<std::int32_t>(bytes, 84),
            bytes.substr(4, 64).c_str(), bytes.substr(68, 12).c_str()};
}

/// Every 60-byte record compared with the text's bar at its place: the time, the prices as the nearest
/// doubles to the text's decimals, the volume in whole units, spread and real volume 0.
void expectHstRecords(const std::string& bytes, const std::vector<Bar>& text)
{
    ASSERT_EQ(bytes.size(), 148 + 60 * text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t at = 148 + 60 * i;
        const auto seconds = chr::sys_seconds{chr::seconds{little<std::int64_t>(bytes, at)}};
        const chr::year_month_day day{chr::floor<chr::days>(seconds)};
        const chr::hh_mm_ss time{seconds - chr::floor<chr::days>(seconds)};
        char label[32];
        std::snprintf(label, sizeof label, "%04d/%02u/%02u %02ld:%02ld:%02ld", static_cast<int>(day.year()),
                      static_cast<unsigned>(day.month()), static_cast<unsigned>(day.day()),
                      static_cast<long>(time.hours().count()), static_cast<long>(time.minutes().count()),
                      static_cast<long>(time.seconds().count()));
        const Bar& bar = text[i];
        EXPECT_EQ(label, bar.date + ' ' + bar.time) << i;
        EXPECT_EQ(little<double>(bytes, at + 8), std::strtod(bar.open.c_str(), nullptr)) << bar;
        EXPECT_EQ(little<double>(bytes, at + 16), std::strtod(bar.high.c_str(), nullptr)) << bar;
        EXPECT_EQ(little<double>(bytes, at + 24), std::strtod(bar.low.c_str(), nullptr)) << bar;
        EXPECT_EQ(little<double>(bytes, at + 32), std::strtod(bar.close.c_str(), nullptr)) << bar;
        EXPECT_EQ(little<std::int64_t>(bytes, at + 40), std::stoll(bar.volume)) << bar;
        EXPECT_EQ(little<std::int32_t>(bytes, at + 48), 0);
        EXPECT_EQ(little<std::int64_t>(bytes, at + 52), 0);
    }
}

/// Eleven weeks of a pair's minutes up to a Friday's close, every seventh one, in the usual layout with a volume, and a
/// quiet day.
std::string source(double start, int decimals)
{
    std::string text;
    std::uint32_t seed = 12345;
    double price = start;
    const chr::sys_time<chr::minutes> first = chr::sys_days{chr::year{2009} / 1 / 4} + chr::hours{17};
    for (auto at = first; at < first + chr::days{75}; at += chr::minutes{7}) {
        const chr::year_month_day day{chr::floor<chr::days>(at)};
        if (day == chr::year{2009} / 2 / 11) {
            continue;
        }
        seed = seed * 1103515245U + 12345U;
        const double step = (static_cast<double>(seed >> 16U & 0xFFU) - 127.5) * std::pow(10.0, -decimals);
        const double open = price;
        price += step;
        const chr::hh_mm_ss time{at - chr::floor<chr::days>(at)};
        char line[160];
        std::snprintf(line, sizeof line, "%04d.%02u.%02u,%02ld:%02ld,%.*f,%.*f,%.*f,%.*f,%u\r\n",
                      static_cast<int>(day.year()), static_cast<unsigned>(day.month()),
                      static_cast<unsigned>(day.day()), static_cast<long>(time.hours().count()),
                      static_cast<long>(time.minutes().count()), decimals, open, decimals,
                      std::max(open, price) + 2 * std::pow(10.0, -decimals), decimals,
                      std::min(open, price) - std::pow(10.0, -decimals), decimals, price, seed % 97U + 1U);
        text += line;
    }
    return text;
}

struct Entry
{
    std::string text;  ///< as given to -t
    std::string label; ///< in the text file's name
    int period;        ///< in the .hst's header and name
};

const std::vector<Entry> Entries{
    {"-30+90*2", "-30+90x2min", 90}, {"5", "5min", 5},        {"60", "1hour", 60},       {"240", "4hour", 240},
    {"1440", "Daily", 1440},         {"W1", "Weekly", 10080}, {"MN1", "Monthly", 43200},
};

std::string entryList()
{
    std::string list;
    for (const auto& entry : Entries) {
        list += (list.empty() ? "" : ",") + entry.text;
    }
    return list;
}

/// Runs one job list over the source, in a folder of its own, with the options; returns the folder.
fs::path convertIn(const TempDir& home, const std::string& folder, const std::string& name, const std::string& bytes,
                   std::vector<std::string> options)
{
    const fs::path where = home.path() / folder;
    writeFile(where / name, bytes);
    std::vector<std::string> args{"--settings", home.write("velmora.ini", "").string(), "-t", entryList(), "--volume"};
    args.insert(args.end(), options.begin(), options.end());
    args.push_back(name);
    const ProgramResult result = runProgram(args, where);
    EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
    return where;
}

struct Pair
{
    std::string name; ///< the source's file name
    std::string symbol;
    double start;
    int decimals;
};

} // namespace

TEST(OutputFormatProgramTest, EveryFormatHoldsTheBarsOfTheTextFile)
{
    for (const Pair& pair :
         {Pair{"EURUSD_1min_2009.txt", "EURUSD", 1.34512, 5}, Pair{"USDJPY_1min_2009.txt", "USDJPY", 90.512, 3}}) {
        SCOPED_TRACE(pair.name);
        const TempDir home;
        const std::string bytes = source(pair.start, pair.decimals);
        const fs::path text = convertIn(home, "text", pair.name, bytes, {});
        std::map<std::string, fs::path> folders;
        for (const std::string format : {"hst", "mt5", "ninjatrader", "forex-tester", "csv"}) {
            folders[format] = convertIn(home, format, pair.name, bytes, {"--format", format});
        }
        for (const Entry& entry : Entries) {
            SCOPED_TRACE(entry.text);
            const std::string name = pair.symbol + "_" + entry.label + "_2009.txt";
            const std::vector<Bar> bars = textBars(text / name);
            ASSERT_GT(bars.size(), 1U);
            EXPECT_EQ(mt5Bars(folders["mt5"] / name), bars);
            EXPECT_EQ(ninjaBars(folders["ninjatrader"] / name, bars), bars);
            EXPECT_EQ(forexTesterBars(folders["forex-tester"] / name, pair.symbol), bars);
            EXPECT_EQ(csvBars(folders["csv"] / name), bars);

            const std::string hst = readBytes(folders["hst"] / (pair.symbol + std::to_string(entry.period) + ".hst"));
            const HstHeader header = hstHeader(hst);
            EXPECT_EQ(header.version, 401);
            EXPECT_EQ(header.symbol, pair.symbol);
            EXPECT_EQ(header.period, entry.period);
            EXPECT_EQ(header.digits, pair.decimals);
            EXPECT_FALSE(header.copyright.empty());
            expectHstRecords(hst, bars);
        }
    }
}

TEST(OutputFormatProgramTest, SymbolAndDigitsOptionsAndTheDefaultTextStayAsTheyWere)
{
    const TempDir home;
    const std::string bytes = source(1.34512, 5);
    const fs::path hst = convertIn(home, "hst", "eurusd-2009.csv", bytes,
                                   {"--format", "hst", "--symbol", "EURUSDm", "--digits", "4", "--label", "end"});
    const HstHeader header = hstHeader(readBytes(hst / "EURUSDm60.hst"));
    EXPECT_EQ(header.symbol, "EURUSDm");
    EXPECT_EQ(header.digits, 4);
    // Without --symbol the name before its first digit is taken, and the text format writes as before.
    const fs::path plain = convertIn(home, "plain", "eurusd-2009.csv", bytes, {"--format", "hst"});
    EXPECT_EQ(hstHeader(readBytes(plain / "eurusd60.hst")).symbol, "eurusd");
    const fs::path text = convertIn(home, "text", "eurusd-2009.csv", bytes, {"--format", "text"});
    const fs::path usual = convertIn(home, "usual", "eurusd-2009.csv", bytes, {});
    EXPECT_EQ(readBytes(text / "eurusd-2009 5min.csv"), readBytes(usual / "eurusd-2009 5min.csv"));

    for (const auto& [option, value] : std::vector<std::pair<std::string, std::string>>{
             {"--format", "mt4"}, {"--symbol", "ABCDEFGHIJKL"}, {"--symbol", ""}, {"--digits", "11"}}) {
        const ProgramResult refused = runProgram({option, value, "x.txt"}, home.path());
        EXPECT_EQ(refused.exitCode, 2) << option << ' ' << value;
        EXPECT_NE(refused.err.find("invalid value '" + value + "' for " + option), std::string::npos) << refused.err;
    }
}

TEST(OutputFormatProgramTest, LinkageSkipsAnUpToDateOutputOfEachFormatAndRebuildsAGrownOne)
{
    for (const auto& [format, name] :
         std::vector<std::pair<std::string, std::string>>{{"hst", "EURUSD5.hst"},
                                                          {"mt5", "EURUSD_5min_2009.txt"},
                                                          {"ninjatrader", "EURUSD_5min_2009.txt"},
                                                          {"forex-tester", "EURUSD_5min_2009.txt"},
                                                          {"csv", "EURUSD_5min_2009.txt"}}) {
        SCOPED_TRACE(format);
        const TempDir tool;
        tool.write("Quenbry.exe", "");
        const fs::path minutes = tool.path() / "HistoricalData" / "EURUSD" / "1min" / "EURUSD_1min_2009.txt";
        writeFile(minutes, source(1.34512, 5));
        const std::string settings =
            tool.write("velmora.ini",
                       "[Form2]\r\nCheckList=EURUSD\r\nEdit1.Text=5, 60\r\n[Output]\r\nFormat=" + format + "\r\n")
                .string();
        const fs::path target = tool.path() / "HistoricalData" / "EURUSD" / "5min" / name;
        const std::vector<std::string> linkage{"--linkage", "--settings", settings};

        ASSERT_EQ(runProgram(linkage, tool.path()).exitCode, 0);
        const std::string first = readBytes(target);
        ASSERT_FALSE(first.empty());
        const ProgramResult again = runProgram(linkage, tool.path());
        EXPECT_EQ(again.exitCode, 0);
        EXPECT_EQ(again.out.find("EURUSD"), again.out.rfind("EURUSD"))
            << "an up-to-date file is neither written nor asked about: " << again.out;

        writeFile(minutes, "2009.03.23,09:00,1.30000,1.30010,1.29990,1.30005,4\r\n", std::ios::app);
        const ProgramResult grown = runProgram({"--linkage", "--settings", settings, "--overwrite"}, tool.path());
        EXPECT_NE(grown.out.find(name + " を書き出しました"), std::string::npos) << grown.out;
        const std::string rebuilt = readBytes(target);
        EXPECT_GT(rebuilt.size(), first.size());
        EXPECT_EQ(rebuilt.compare(0, first.size(), first), 0) << "the older bars stay as they were";
    }
}

#endif
