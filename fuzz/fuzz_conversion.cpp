// A whole conversion run over arbitrary file bytes with settings decoded from the first bytes of the input.
#include "FuzzSupport.h"
#include "engine/run/ConversionRun.h"
#include "platform/Clock.h"

#include <array>
#include <cstdlib>

namespace {

constexpr std::array<const char*, 12> Timeframes = {
    "5", "1", "1440", "60, 240", "3-1", "-60+240", "1*3-2", "240*2000000000", "7,1440", "15-5*2+1440", "2", "10080",
};
constexpr std::array<const char*, 8> TimeFormats = {"hh:nn:ss", "h:n",    "hh:nn:ss.zzz am/pm", "", "ampm h", "z",
                                                    "a/p",      "\"x\"hh"};
constexpr std::array<const char*, 8> Cuts = {"17:00", "0:00", "23:59", "25:70", "1:1:1", "-1:00", "9:30", "99999999:0"};
constexpr std::array<const char*, 8> Zones = {"0", "9", "-14", "+1", "2000", "-200000", "x", "876000"};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace velmora;
    fuzz::ByteReader reader(fuzz::bytesOf(data, size));
    const std::uint8_t a = reader.byte();
    const std::uint8_t b = reader.byte();
    const std::uint8_t c = reader.byte();
    const std::uint8_t d = reader.byte();

    RunRequest request;
    ConversionSettings& settings = request.settings;
    // A timeframe list of the fuzzer's own now and then, else one of the table.
    settings.timeframes = (a & 0x80U) != 0 ? std::string(reader.line(64)) : Timeframes[a % Timeframes.size()];
    settings.timeFormat = TimeFormats[b % TimeFormats.size()];
    settings.cutTime = Cuts[(b >> 3) % Cuts.size()];
    settings.labelling = (b & 0x40U) != 0 ? BarLabelling::ByEnd : BarLabelling::ByStart;
    settings.fillGaps = (b & 0x80U) != 0;
    settings.marketWindow = (c & 1U) != 0;
    settings.marketOpenDay = 1 + (c >> 1) % 7;
    settings.marketCloseDay = 1 + (c >> 4) % 7;
    settings.marketOpenTime = (d & 1U) != 0 ? "0:00" : "17:00";
    settings.marketCloseTime = (d & 2U) != 0 ? "23:59" : "17:00";
    settings.dropTimeInDaily = (d & 4U) != 0;
    settings.forceExtension = (d & 8U) != 0;
    settings.extension = ".csv";
    settings.overwriteWithoutAsking = true;
    request.timeZoneBox = Zones[(d >> 4) % Zones.size()];
    request.dateFieldBox = std::to_string(static_cast<int>(a & 0x07U) - 1);
    request.dateSeparatorBox = (a & 0x40U) != 0 ? "-" : "/";
    if ((d & 0x80U) != 0) {
        request.summer.enabled = true;
        request.summer.starts = {std::string(reader.line(40))};
        request.summer.ends = {std::string(reader.line(40))};
        request.summer.shifts = {std::string(reader.line(12))};
    }

    const auto source = fuzz::scratchFolder() / "EURUSD_1min_2009.txt";
    fuzz::writeFile(source, reader.rest());
    request.files = {source.string()};

    fuzz::NullHost host;
    const FixedClock clock({2024, 3, 15}, 1000);
    RunState state;
    ConversionRun run(host, clock, state);
    run.setHookSeed(1);
    (void)run.execute(request); // never throws: errors end the run through the host
    return 0;
}
