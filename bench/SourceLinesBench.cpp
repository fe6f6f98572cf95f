// Loading a large 1-minute file as lines, side by side with reading the same bytes with one read().
//
//   SourceLinesBench [megabytes]      (default 512)
//
// Writes a file of typical 1-minute lines to a fresh folder under the system's temporary folder, times both
// ways of reading it (best of several rounds, file in the page cache), and measures the peak memory of loading
// in a child process of its own, so the generator's and the timing rounds' memory does not count. The folder
// is removed at the end, on errors too.

#include "input/SourceLines.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cinttypes> // strtoumax
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int Rounds = 5;

class TempFolder
{
public:
    TempFolder()
    {
        std::random_device seed;
        for (;;) {
            m_path = fs::temp_directory_path() / ("velmora-bench-" + std::to_string(seed()));
            if (fs::create_directory(m_path)) {
                return;
            }
        }
    }
    ~TempFolder()
    {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const fs::path& path() const { return m_path; }

private:
    fs::path m_path;
};

void appendNumber(std::string& out, long value, int width)
{
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    const auto length = static_cast<int>(result.ptr - digits);
    out.append(static_cast<std::size_t>(std::max(0, width - length)), '0');
    out.append(digits, result.ptr);
}

void appendPrice(std::string& out, long tenThousandths)
{
    appendNumber(out, tenThousandths / 10000, 1);
    out += '.';
    appendNumber(out, tenThousandths % 10000, 4);
}

/// Lines such as 2008/01/08,09:00,1.4700,1.4710,1.4695,1.4705,37 with CR LF, minute after minute, prices on a
/// random walk. Returns the file's size.
std::uintmax_t writeSource(const fs::path& file, std::uintmax_t targetBytes)
{
    std::ofstream out(file, std::ios::binary);
    std::mt19937 random(20080108);
    std::string chunk;
    chunk.reserve(1U << 21U);
    std::uintmax_t written = 0;
    long price = 14700;
    int year = 2008, month = 1, day = 1;
    int minuteOfDay = 0;
    while (written < targetBytes) {
        chunk.clear();
        while (chunk.size() < (1U << 20U)) {
            const long open = price;
            price = std::max(5000L, price + static_cast<long>(random() % 21) - 10);
            const long high = std::max(open, price) + static_cast<long>(random() % 5);
            const long low = std::min(open, price) - static_cast<long>(random() % 5);
            appendNumber(chunk, year, 4);
            chunk += '/';
            appendNumber(chunk, month, 2);
            chunk += '/';
            appendNumber(chunk, day, 2);
            chunk += ',';
            appendNumber(chunk, minuteOfDay / 60, 2);
            chunk += ':';
            appendNumber(chunk, minuteOfDay % 60, 2);
            for (const long value : {open, high, low, price}) {
                chunk += ',';
                appendPrice(chunk, value);
            }
            chunk += ',';
            appendNumber(chunk, static_cast<long>(random() % 200), 1);
            chunk += "\r\n";
            if (++minuteOfDay == 1440) {
                minuteOfDay = 0;
                if (++day > 28) {
                    day = 1;
                    if (++month > 12) {
                        month = 1;
                        ++year;
                    }
                }
            }
        }
        out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        written += chunk.size();
    }
    out.close();
    if (!out) {
        throw std::runtime_error("cannot write " + file.string());
    }
    return written;
}

/// The peer: the bytes of the file in one buffer of its size, with one read() (repeated only if the kernel
/// hands over less at once).
std::size_t plainRead(const fs::path& file)
{
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat status = {};
    if (fd < 0 || ::fstat(fd, &status) != 0) {
        throw std::runtime_error("cannot open " + file.string());
    }
    const auto size = static_cast<std::size_t>(status.st_size);
    auto bytes = std::make_unique_for_overwrite<char[]>(size);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::read(fd, bytes.get() + done, size - done);
        if (got <= 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    ::close(fd);
    // Touch the result so the read cannot be taken for dead code.
    volatile char last = done > 0 ? bytes[done - 1] : '\0';
    (void)last;
    return done;
}

double seconds(Clock::duration duration)
{
    return std::chrono::duration<double>(duration).count();
}

long maxRssKilobytes(int who)
{
    struct rusage usage = {};
    ::getrusage(who, &usage);
    return usage.ru_maxrss;
}

/// Run in a child process: load the file and print the resident peak before and after, in kilobytes.
int childLoad(const char* file)
{
    const long before = maxRssKilobytes(RUSAGE_SELF);
    const auto lines = velmora::SourceLines::load(file);
    const long after = maxRssKilobytes(RUSAGE_SELF);
    std::printf("%ld %ld %zu %zu\n", before, after, lines.size(), lines.memoryBytes());
    return 0;
}

struct ChildFigures
{
    long baselineKb = 0;
    long peakKb = 0;
    std::size_t lines = 0;
    std::size_t heldBytes = 0;
};

ChildFigures measureLoadInChild(const fs::path& file)
{
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) {
        throw std::runtime_error("pipe failed");
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(pipeEnds[1], STDOUT_FILENO);
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        // A fresh image, so the parent's pages do not count in the child's peak.
        ::execl("/proc/self/exe", "SourceLinesBench", "--load-child", file.c_str(), static_cast<char*>(nullptr));
        std::_Exit(127);
    }
    ::close(pipeEnds[1]);
    std::string output;
    char buffer[256];
    for (ssize_t got; (got = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;) {
        output.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    ChildFigures figures;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 ||
        std::sscanf(output.c_str(), "%ld %ld %zu %zu", &figures.baselineKb, &figures.peakKb, &figures.lines,
                    &figures.heldBytes) != 4) {
        throw std::runtime_error("the loading child failed: " + output);
    }
    return figures;
}

int run(std::uintmax_t megabytes)
{
    const TempFolder folder;
    const fs::path file = folder.path() / "EURUSD_1min.txt";
    std::printf("writing %ju MB of 1-minute lines to %s ...\n", megabytes, file.c_str());
    const std::uintmax_t size = writeSource(file, megabytes * 1000 * 1000);
    const double sizeMb = static_cast<double>(size) / 1e6;

    plainRead(file); // into the page cache: both sides then read from memory, not from the disk
    double bestRead = 1e300;
    double bestLoad = 1e300;
    std::size_t lineCount = 0;
    for (int round = 0; round < Rounds; ++round) {
        auto start = Clock::now();
        plainRead(file);
        bestRead = std::min(bestRead, seconds(Clock::now() - start));

        start = Clock::now();
        const auto lines = velmora::SourceLines::load(file);
        bestLoad = std::min(bestLoad, seconds(Clock::now() - start));
        lineCount = lines.size();
    }
    const double readRate = sizeMb / bestRead;
    const double loadRate = sizeMb / bestLoad;
    std::printf("file: %.1f MB, %zu lines\n", sizeMb, lineCount);
    std::printf("(a) one read():        %8.1f MB/s  (best of %d: %.3f s)\n", readRate, Rounds, bestRead);
    std::printf("(b) SourceLines::load: %8.1f MB/s  (best of %d: %.3f s)\n", loadRate, Rounds, bestLoad);
    std::printf("load / read speed: %.2f  (target >= 0.50)\n", loadRate / readRate);

    const ChildFigures child = measureLoadInChild(file);
    const double sizeKb = static_cast<double>(size) / 1024.0;
    std::printf("peak resident set of a process that loads it: %.1f MB (%.3f x file), of which %.1f MB before "
                "loading\n",
                static_cast<double>(child.peakKb) / 1024.0, static_cast<double>(child.peakKb) / sizeKb,
                static_cast<double>(child.baselineKb) / 1024.0);
    std::printf("growth by loading: %.3f x file (target < 1.2); buffers held: %.3f x file\n",
                static_cast<double>(child.peakKb - child.baselineKb) / sizeKb,
                static_cast<double>(child.heldBytes) / static_cast<double>(size));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        if (argc == 3 && std::string(argv[1]) == "--load-child") {
            return childLoad(argv[2]);
        }
        const std::uintmax_t megabytes = argc > 1 ? std::strtoumax(argv[1], nullptr, 10) : 512;
        return run(std::max<std::uintmax_t>(megabytes, 1));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
