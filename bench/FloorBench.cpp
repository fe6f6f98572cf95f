// The floor a conversion can reach on this machine, and the bench's source files.
//
//   FloorBench FILE                       reads FILE once and parses every line's date, time and four prices,
//                                         writing nothing; prints "lines N checksum X"
//   FloorBench --minutes FILE YEARS       writes YEARS years of 1-minute bars from 2009-01-04 17:00 (a Sunday),
//                                         Sunday 17:00 to Friday 17:00 only, a few minutes missing, CR LF
//   FloorBench --ticks FILE LINES         writes LINES tick lines (seconds in the time field, 1 to 9 lines per
//                                         minute, around the clock on weekdays), CR LF
//
// The floor uses the same field readers as the engine (date, time, decimal) over one pass of read() into a
// fixed buffer: whatever a conversion costs beyond this is the cost of building and writing the bars.
#include "input/DateTimeText.h"
#include "input/SourceRecord.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring> // memchr, memmove
#include <fcntl.h>
#include <random>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

using namespace velmora;

constexpr std::size_t BufferBytes = std::size_t{4} << 20U;

struct Totals
{
    std::size_t lines = 0;
    std::size_t bad = 0;
    double checksum = 0.0;
};

void parseLine(std::string_view line, Totals& totals)
{
    std::string_view fields[6];
    std::size_t count = 0;
    while (count < 6) {
        const std::size_t comma = line.find(',');
        fields[count++] = line.substr(0, comma);
        if (comma == std::string_view::npos) {
            break;
        }
        line.remove_prefix(comma + 1);
    }
    ++totals.lines;
    if (count < 6) {
        ++totals.bad;
        return;
    }
    const auto day = parseDateText(fields[0], fields[0].size() > 4 ? fields[0][4] : '/', 2026);
    const auto ms = parseTimeOfDayMs(fields[1]);
    if (!day || !ms) {
        ++totals.bad;
        return;
    }
    double sum = static_cast<double>(*day) + static_cast<double>(*ms);
    for (std::size_t i = 2; i < 6; ++i) {
        const auto value = parseDecimal(fields[i]);
        if (!value) {
            ++totals.bad;
            return;
        }
        sum += *value;
    }
    totals.checksum += sum;
}

int floorPass(const char* path)
{
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        std::perror(path);
        return 1;
    }
    std::vector<char> buffer(BufferBytes);
    std::size_t held = 0;
    Totals totals;
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data() + held, buffer.size() - held);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            std::perror(path);
            return 1;
        }
        const std::size_t end = held + static_cast<std::size_t>(got);
        std::size_t start = 0;
        for (;;) {
            const void* lf = std::memchr(buffer.data() + start, '\n', end - start);
            if (lf == nullptr) {
                break;
            }
            const auto stop = static_cast<std::size_t>(static_cast<const char*>(lf) - buffer.data());
            std::size_t lineEnd = stop;
            if (lineEnd > start && buffer[lineEnd - 1] == '\r') {
                --lineEnd;
            }
            parseLine({buffer.data() + start, lineEnd - start}, totals);
            start = stop + 1;
        }
        if (got == 0) {
            if (start < end) {
                parseLine({buffer.data() + start, end - start}, totals);
            }
            break;
        }
        std::memmove(buffer.data(), buffer.data() + start, end - start);
        held = end - start;
        if (held == buffer.size()) {
            held = 0; // a line longer than the buffer is no price line
        }
    }
    ::close(fd);
    std::printf("lines %zu bad %zu checksum %.6g\n", totals.lines, totals.bad, totals.checksum);
    return 0;
}

void appendNumber(std::string& out, long value, int width)
{
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    const auto length = static_cast<int>(result.ptr - digits);
    out.append(static_cast<std::size_t>(std::max(0, width - length)), '0');
    out.append(digits, result.ptr);
}

void appendPrice(std::string& out, long units, int decimals)
{
    const long scale = decimals == 5 ? 100000 : 10000;
    const long value = decimals == 5 ? units : units / 10;
    appendNumber(out, value / scale, 1);
    out += '.';
    appendNumber(out, value % scale, decimals);
}

/// Walks the calendar minute by minute from 2009-01-04 17:00, a Sunday.
class Calendar
{
public:
    void next()
    {
        static constexpr int MonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        if (++m_minute < 1440) {
            return;
        }
        m_minute = 0;
        m_weekday = (m_weekday + 1) % 7;
        const bool leap = m_year % 4 == 0 && (m_year % 100 != 0 || m_year % 400 == 0);
        if (++m_day > MonthDays[m_month - 1] + (m_month == 2 && leap ? 1 : 0)) {
            m_day = 1;
            if (++m_month > 12) {
                m_month = 1;
                ++m_year;
            }
        }
    }
    /// Sunday 17:00 to Friday 17:00.
    bool inWeek() const
    {
        return (m_weekday == 0 && m_minute >= 1020) || (m_weekday >= 1 && m_weekday <= 4) ||
               (m_weekday == 5 && m_minute < 1020);
    }
    int year() const { return m_year; }
    void appendDate(std::string& out) const
    {
        appendNumber(out, m_year, 4);
        out += '.';
        appendNumber(out, m_month, 2);
        out += '.';
        appendNumber(out, m_day, 2);
        out += ',';
        appendNumber(out, m_minute / 60, 2);
        out += ':';
        appendNumber(out, m_minute % 60, 2);
    }

private:
    int m_year = 2009;
    int m_month = 1;
    int m_day = 4;
    int m_minute = 1020;
    int m_weekday = 0; ///< 0 = Sunday
};

class Writer
{
public:
    explicit Writer(const char* path) : m_file(std::fopen(path, "wb")) {}
    ~Writer()
    {
        if (m_file != nullptr) {
            std::fclose(m_file);
        }
    }
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;
    bool ok() const { return m_file != nullptr; }
    std::string& chunk() { return m_chunk; }
    bool flush(bool force)
    {
        if (!force && m_chunk.size() < (std::size_t{1} << 20U)) {
            return true;
        }
        const bool written = std::fwrite(m_chunk.data(), 1, m_chunk.size(), m_file) == m_chunk.size();
        m_chunk.clear();
        return written;
    }

private:
    std::FILE* m_file;
    std::string m_chunk;
};

int writeMinutes(const char* path, int years)
{
    Writer out(path);
    if (!out.ok()) {
        std::perror(path);
        return 1;
    }
    std::mt19937 random(20090105);
    Calendar calendar;
    long price = 130000;
    while (calendar.year() < 2009 + years) {
        if (calendar.inWeek() && random() % 500 != 0) {
            const int decimals = random() % 10 < 3 ? 5 : 4;
            const long open = price;
            price = std::max(50000L, price + static_cast<long>(random() % 161) - 80);
            const long high = std::max(open, price) + static_cast<long>(random() % 30);
            const long low = std::min(open, price) - static_cast<long>(random() % 30);
            std::string& chunk = out.chunk();
            calendar.appendDate(chunk);
            for (const long value : {open, high, low, price}) {
                chunk += ',';
                appendPrice(chunk, value, decimals);
            }
            chunk += ',';
            appendNumber(chunk, static_cast<long>(random() % 200) + 1, 1);
            chunk += "\r\n";
            if (!out.flush(false)) {
                return 1;
            }
        }
        calendar.next();
    }
    return out.flush(true) ? 0 : 1;
}

int writeTicks(const char* path, long long lines)
{
    Writer out(path);
    if (!out.ok()) {
        std::perror(path);
        return 1;
    }
    std::mt19937 random(20090106);
    Calendar calendar;
    long price = 130000;
    long long written = 0;
    while (written < lines) {
        if (calendar.inWeek()) {
            const int perMinute = static_cast<int>(random() % 9) + 1;
            for (int k = 0; k < perMinute && written < lines; ++k, ++written) {
                price = std::max(50000L, price + static_cast<long>(random() % 11) - 5);
                const long spread = static_cast<long>(random() % 4);
                std::string& chunk = out.chunk();
                calendar.appendDate(chunk);
                chunk += ':';
                appendNumber(chunk, k * 60 / perMinute + static_cast<int>(random() % 3), 2);
                for (const long value : {price, price + spread, price - spread, price}) {
                    chunk += ',';
                    appendPrice(chunk, value, 5);
                }
                chunk += ',';
                appendNumber(chunk, static_cast<long>(random() % 9) + 1, 1);
                chunk += "\r\n";
            }
            if (!out.flush(false)) {
                return 1;
            }
        }
        calendar.next();
    }
    return out.flush(true) ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string_view mode = argc > 1 ? argv[1] : "";
    if (argc == 4 && mode == "--minutes") {
        return writeMinutes(argv[2], std::max(1, std::atoi(argv[3])));
    }
    if (argc == 4 && mode == "--ticks") {
        return writeTicks(argv[2], std::max(1LL, std::atoll(argv[3])));
    }
    if (argc == 2 && !mode.starts_with("--")) {
        return floorPass(argv[1]);
    }
    std::fprintf(stderr, "usage: %s FILE | --minutes FILE YEARS | --ticks FILE LINES\n", argv[0]);
    return 2;
}
