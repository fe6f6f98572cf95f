#include "input/LastRecord.h"

#include "input/SourceRecord.h"
#include "platform/Numbers.h"
#include "platform/RunError.h"
#include "platform/StdioFile.h"
#include "platform/Text.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <string>
#include <string_view>
#include <system_error>
#include <utility> // exchange

namespace velmora {

namespace {

StdioFile openSource(const std::filesystem::path& path)
{
    errno = 0;
    StdioFile file = openForReading(path);
    if (!file) {
        if (errno == ENOENT) {
            throw fileNotFound();
        }
        throw cannotOpenFile(pathText(path));
    }
    return file;
}

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

/// Reads a file line by line from any byte offset. CR LF, LF and CR alone end a line, as when a file is
/// loaded whole, and a break at the very end makes no empty last line.
class LineReader
{
public:
    LineReader(std::FILE* file, const std::filesystem::path& path) : m_file(file), m_path(path) {}

    /// Goes on reading at the byte offset, dropping whatever was read ahead.
    void seek(std::uint64_t offset)
    {
        if (!seekTo(m_file, offset)) {
            throw cannotOpenFile(pathText(m_path));
        }
        m_position = 0;
        m_filled = 0;
        m_afterCarriageReturn = false;
        m_atStart = offset == 0;
    }

    /// The next line's text without its break; false at the end of the file.
    bool next(std::string& line)
    {
        line.clear();
        bool readAny = false;
        for (;;) {
            if (m_position == m_filled && !fill()) {
                return readAny;
            }
            if (m_afterCarriageReturn) {
                m_afterCarriageReturn = false;
                if (m_buffer[m_position] == '\n') {
                    ++m_position;
                    continue;
                }
            }
            readAny = true;
            std::size_t end = m_position;
            while (end < m_filled && m_buffer[end] != '\n' && m_buffer[end] != '\r') {
                ++end;
            }
            line.append(m_buffer.data() + m_position, end - m_position);
            if (end < m_filled) {
                m_afterCarriageReturn = m_buffer[end] == '\r';
                m_position = end + 1;
                return true;
            }
            m_position = end;
        }
    }

private:
    bool fill()
    {
        m_position = 0;
        m_filled = std::fread(m_buffer.data(), 1, m_buffer.size(), m_file);
        if (m_filled == 0 && std::ferror(m_file) != 0) {
            throw cannotOpenFile(pathText(m_path));
        }
        // A UTF-8 byte-order mark at the start of the file is no part of its first line.
        if (std::exchange(m_atStart, false) && std::string_view(m_buffer.data(), m_filled).starts_with(ByteOrderMark)) {
            m_position = ByteOrderMark.size();
        }
        return m_filled > 0;
    }

    std::FILE* m_file;
    const std::filesystem::path& m_path;
    std::array<char, 4096> m_buffer{};
    std::size_t m_position = 0;
    std::size_t m_filled = 0;
    bool m_afterCarriageReturn = false; ///< a LF at the start of the next read belongs to the last break
    bool m_atStart = true;              ///< the next read starts at the file's first byte
};

/// Reads the lines that start at or after the offset to the end of the file and keeps the last one in kept.
/// Returns false when no line starts there (kept is then left as it was).
bool keepLastLineFrom(LineReader& reader, std::uint64_t offset, std::string& kept)
{
    std::string line;
    if (offset > 0) {
        // Reading from the byte before drops the rest of the line the offset falls in, or just the break
        // before it when a line starts right there.
        reader.seek(offset - 1);
        reader.next(line);
    } else {
        reader.seek(0);
    }
    bool found = false;
    while (reader.next(line)) {
        kept.swap(line);
        found = true;
    }
    return found;
}

/// True when the source has reached the end of the target's last bar; a date that did not read counts as reached.
bool sourceReachesEnd(std::optional<DateTimeValue> source, std::optional<DateTimeValue> target,
                      std::string_view entryText, BarLabelling labelling)
{
    const std::int32_t minutes = StrToInt(entryText);
    if (!source || !target) {
        return true;
    }
    // Days, summed left to right in double precision; 0.0001 day is 8.64 seconds.
    if (labelling == BarLabelling::ByStart) {
        return *source >= *target + static_cast<double>(minutes) / 60.0 / 24.0 - 0.0001;
    }
    return *source >= *target - 0.0001;
}

} // namespace

std::string LastLine(const std::filesystem::path& path)
{
    std::string kept;
    const StdioFile file = openSource(path);
    LineReader reader(file.get(), path);
    reader.next(kept);
    // A first line of F bytes with its break suggests the size of the last: start 2F before the end, which
    // usually falls inside the next-to-last line.
    const std::uint64_t firstLength = kept.size() + 2;
    std::error_code error;
    const std::uintmax_t sizeFound = std::filesystem::file_size(path, error);
    const std::uint64_t size = error ? 0 : sizeFound;
    if (size >= 3 * firstLength) {
        // A last line longer than the window holds no line start in it; then the window doubles, so a line is
        // never read from its middle.
        std::uint64_t from = size - 2 * firstLength;
        while (!keepLastLineFrom(reader, from, kept)) {
            const std::uint64_t window = size - from;
            if (from <= window) {
                keepLastLineFrom(reader, 0, kept);
                break;
            }
            from -= window;
        }
    } else {
        std::string line;
        while (reader.next(line)) {
            kept.swap(line);
        }
    }
    return kept;
}

std::vector<std::string> FirstLines(const std::filesystem::path& path, std::size_t count)
{
    const StdioFile file = openSource(path);
    LineReader reader(file.get(), path);
    std::vector<std::string> lines;
    std::string line;
    while (lines.size() < count && reader.next(line)) {
        lines.push_back(line);
    }
    return lines;
}

std::optional<DateTimeValue> RecordDateTime(std::string_view line, std::int32_t dateFieldPosition,
                                            DateTextContext& context)
{
    SourceRecord record(dateFieldPosition);
    record.split(line);
    const std::string_view dateText = record.date();
    DetectDateSeparator(dateText, context);
    context.separators.output = context.separators.input;
    const std::optional<std::int32_t> days = ReadDateText(dateText, context);
    const DateTimeValue timeOfDay = ReadTimeText(record.time());
    if (!days) {
        return std::nullopt;
    }
    return static_cast<DateTimeValue>(*days) + timeOfDay;
}

std::optional<DateTimeValue> LastRecordDateTime(const std::filesystem::path& path, std::int32_t dateFieldPosition,
                                                DateTextContext& context)
{
    return RecordDateTime(LastLine(path), dateFieldPosition, context);
}

bool TargetNeedsUpdate(const std::filesystem::path& sourcePath, const std::filesystem::path& targetPath,
                       std::string_view entryText, BarLabelling labelling, std::int32_t dateFieldPosition,
                       DateTextContext& context)
{
    return TargetNeedsUpdate(std::string_view(LastLine(sourcePath)), targetPath, entryText, labelling,
                             dateFieldPosition, context);
}

bool TargetNeedsUpdate(std::string_view sourceLastLine, const std::filesystem::path& targetPath,
                       std::string_view entryText, BarLabelling labelling, std::int32_t dateFieldPosition,
                       DateTextContext& context)
{
    const std::optional<DateTimeValue> source = RecordDateTime(sourceLastLine, dateFieldPosition, context);
    const std::optional<DateTimeValue> target = LastRecordDateTime(targetPath, dateFieldPosition, context);
    return sourceReachesEnd(source, target, entryText, labelling);
}

bool TargetNeedsUpdate(std::string_view sourceLastLine, std::optional<DateTimeValue> targetLast,
                       std::string_view entryText, BarLabelling labelling, std::int32_t dateFieldPosition,
                       DateTextContext& context)
{
    return sourceReachesEnd(RecordDateTime(sourceLastLine, dateFieldPosition, context), targetLast, entryText,
                            labelling);
}

} // namespace velmora
