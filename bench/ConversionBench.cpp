// Times the default conversion run ("5, 60, 240, 1440", default options) over one source file and prints the
// best wall time of a few repetitions and the process's peak memory. bench/compare_pandas.py runs it side by
// side with a pandas script on the same file and checks that both write the same bars.
//
// usage: ConversionBench SOURCE [REPETITIONS]
#include "engine/host/NullRunHost.h"
#include "engine/run/ConversionRun.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sys/resource.h>

namespace {

using namespace velmora;

/// Shows the messages that would end or stop the run, nothing else: the figures are the engine's alone.
class QuietHost final : public NullRunHost
{
public:
    void showMessage(std::string_view text) override
    {
        std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
    }
};

long peakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s SOURCE [REPETITIONS]\n", argv[0]);
        return 2;
    }
    const std::filesystem::path source = argv[1];
    const int repetitions = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    const long baseline = peakKilobytes();

    QuietHost host;
    SystemClock clock;
    RunState state;
    RunRequest request;
    request.settings.overwriteWithoutAsking = true;
    request.files = {source.string()};

    double best = 1e300;
    for (int i = 0; i < repetitions; ++i) {
        const auto start = std::chrono::steady_clock::now();
        ConversionRun run(host, clock, state);
        if (run.execute(request) != RunOutcome::Completed) {
            return 1;
        }
        const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
        best = std::min(best, elapsed.count());
    }
    const double sourceMb = double(std::filesystem::file_size(source)) / (1024.0 * 1024.0);
    const double peakMb = double(peakKilobytes()) / 1024.0;
    const double growthMb = double(peakKilobytes() - baseline) / 1024.0;
    std::printf("velmora_ms %.1f\n", best);
    std::printf("source_mb %.1f\n", sourceMb);
    std::printf("peak_mb %.1f\n", peakMb);
    std::printf("peak_growth_mb %.1f\n", growthMb);
    return 0;
}
