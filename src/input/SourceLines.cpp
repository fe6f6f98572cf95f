#include "input/SourceLines.h"

#include "input/ByteScan.h"
#include "platform/FileBytes.h"
#include "platform/RunError.h"
#include "platform/Text.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstring> // memchr, memcpy
#include <limits>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <utility> // exchange

namespace velmora {

namespace {

/// The line index pass, compiled for the processor the program runs on.
LineIndex indexText(const char* text, std::size_t byteCount, std::size_t stride)
{
    return WideScan::forThisProcessor().indexLines(text, byteCount, stride);
}

} // namespace

SourceLines::~SourceLines()
{
    release();
}

SourceLines::SourceLines(SourceLines&& other) noexcept
{
    *this = std::move(other);
}

SourceLines& SourceLines::operator=(SourceLines&& other) noexcept
{
    if (this != &other) {
        release();
        m_text = std::exchange(other.m_text, nullptr);
        m_length = std::exchange(other.m_length, 0);
        m_lineCount = std::exchange(other.m_lineCount, 0);
        m_bytes = std::move(other.m_bytes);
        m_starts = std::move(other.m_starts);
        m_rewriter = std::move(other.m_rewriter);
        m_backwards = std::exchange(other.m_backwards, false);
        m_head = std::exchange(other.m_head, 0);
        m_serial = std::exchange(other.m_serial, 0);
        m_cursor = std::exchange(other.m_cursor, Cursor{});
    }
    return *this;
}

void SourceLines::release() noexcept
{
    m_bytes = FileBytes();
    m_text = nullptr;
}

namespace {

/// Bytes of a UTF-8 byte-order mark at the start of the file (what Notepad and spreadsheet programs write), or 0.
/// The mark is no part of the first line: left in, it would make that line unreadable.
std::size_t byteOrderMarkLength(std::string_view bytes)
{
    return bytes.starts_with("\xEF\xBB\xBF") ? 3 : 0;
}

} // namespace

SourceLines SourceLines::load(const std::filesystem::path& path)
{
    std::optional<FileBytes> bytes = FileBytes::load(path);
    if (!bytes) {
        throw cannotOpenFile(pathText(path));
    }
    return fromFile(std::move(*bytes));
}

SourceLines SourceLines::fromFile(FileBytes bytes)
{
    SourceLines lines;
    lines.m_bytes = std::move(bytes);
    const std::size_t mark = byteOrderMarkLength(lines.m_bytes.view());
    lines.m_text = lines.m_bytes.data() + mark;
    lines.index(lines.m_bytes.size() - mark);
    return lines;
}

SourceLines SourceLines::fromBytes(std::string_view bytes, std::size_t halvesFrom)
{
    SourceLines lines;
    lines.m_bytes = FileBytes::copyOf(bytes);
    const std::size_t mark = byteOrderMarkLength(bytes);
    lines.m_text = lines.m_bytes.data() + mark;
    lines.index(bytes.size() - mark, halvesFrom);
    return lines;
}

namespace {

/// The start of the line after the one that starts at `at`.
std::size_t nextLineStart(const char* text, std::size_t at, std::size_t length)
{
    return SourceLines::afterBreak(text, ByteScan::findLineBreak(text, at, length), length);
}

/// Lines a second thread indexes between two kept starts of the first: the second half of the text is indexed
/// on its own, keeping a start every FineStride lines, and the starts of the whole text's grid are found from
/// the nearest of those.
constexpr std::size_t FineStride = 64;

/// The index of the text in two halves, one on another thread. std::nullopt when the text cannot be cut at a
/// line feed near its middle or no thread can be started.
template <std::size_t Stride> std::optional<LineIndex> indexInHalves(const char* text, std::size_t byteCount)
{
    const void* feed = std::memchr(text + byteCount / 2, '\n', byteCount - byteCount / 2);
    if (feed == nullptr) {
        return std::nullopt;
    }
    // Cut after a line feed: no CR LF pair and no line is split between the halves.
    const std::size_t middle = static_cast<std::size_t>(static_cast<const char*>(feed) - text) + 1;
    LineIndex second;
    std::jthread other; // joined on every way out, an exception from this thread's half included
    try {
        other = std::jthread(
            [&second, text, middle, byteCount] { second = indexText(text + middle, byteCount - middle, FineStride); });
    } catch (const std::system_error&) {
        return std::nullopt;
    }
    LineIndex found = indexText(text, middle, Stride);
    other.join();
    if (found.length < middle) {
        return found; // the text ends at a zero byte in the first half
    }
    const std::size_t firstLines = found.terminators;
    const char* rest = text + middle;
    const std::size_t restLength = second.length;
    found.length = middle + restLength;
    found.terminators += second.terminators;
    // A kept start is pushed each time the count of line ends reaches a multiple of Stride.
    for (std::size_t g = found.starts.size(); g * Stride <= found.terminators; ++g) {
        const std::size_t local = g * Stride - firstLines;
        auto at = static_cast<std::size_t>(second.starts[local / FineStride]);
        for (std::size_t k = local % FineStride; k > 0; --k) {
            at = nextLineStart(rest, at, restLength);
        }
        found.starts.push_back(middle + at);
    }
    return found;
}

} // namespace

void SourceLines::index(std::size_t byteCount, std::size_t halvesFrom)
{
    std::optional<LineIndex> halves;
    if (byteCount >= halvesFrom && std::thread::hardware_concurrency() > 1) {
        halves = indexInHalves<Stride>(m_text, byteCount);
    }
    LineIndex found = halves ? std::move(*halves) : indexText(m_text, byteCount, Stride);
    const std::size_t length = found.length;
    const bool lastLineUnended = length > 0 && m_text[length - 1] != '\n' && m_text[length - 1] != '\r';
    m_length = length;
    m_lineCount = found.terminators + (lastLineUnended ? 1 : 0);
    m_starts = std::move(found.starts);
    m_starts.shrink_to_fit();
    m_cursor = Cursor{};
    static std::atomic<std::uint64_t> loads{0};
    m_serial = ++loads;
}

void SourceLines::readLineAt(std::size_t start, Cursor& cursor) const
{
    cursor.start = start;
    cursor.end = ByteScan::findLineBreak(m_text, start, m_length);
    cursor.next = afterBreak(m_text, cursor.end, m_length);
}

void SourceLines::seekLine(std::size_t i, Cursor& cursor) const
{
    readLineAt(static_cast<std::size_t>(m_starts[i / Stride]), cursor);
    for (std::size_t k = i % Stride; k > 0; --k) {
        readLineAt(cursor.next, cursor);
    }
}

namespace {

/// True when one of the eight bytes at `at` is a CR or an LF (a word with a zero byte where one matches).
bool holdsBreak(const char* at)
{
    constexpr std::uint64_t Ones = 0x0101010101010101U;
    constexpr std::uint64_t Highs = 0x8080808080808080U;
    std::uint64_t word = 0;
    std::memcpy(&word, at, sizeof word);
    const std::uint64_t feeds = word ^ (Ones * '\n');
    const std::uint64_t returns = word ^ (Ones * '\r');
    return ((((feeds - Ones) & ~feeds) | ((returns - Ones) & ~returns)) & Highs) != 0;
}

} // namespace

void SourceLines::readLineBefore(Cursor& cursor) const
{
    // The break before the line: one CR LF pair, or one CR or LF alone.
    std::size_t end = cursor.start - 1;
    if (m_text[end] == '\n' && end > 0 && m_text[end - 1] == '\r') {
        --end;
    }
    std::size_t start = end;
    // Eight bytes at a time while none of them is a break, then byte by byte.
    while (start >= 8 && !holdsBreak(m_text + start - 8)) {
        start -= 8;
    }
    while (start > 0 && m_text[start - 1] != '\n' && m_text[start - 1] != '\r') {
        --start;
    }
    cursor.next = cursor.start;
    cursor.start = start;
    cursor.end = end;
}

void SourceLines::moveCursor(std::size_t i, Cursor& cursor) const
{
    const bool following = cursor.line != NoLine && i == cursor.line + 1;
    if (m_backwards && i >= m_head) {
        if (following && i > m_head) {
            readLineBefore(cursor);
        } else {
            seekLine(m_lineCount - 1 - (i - m_head), cursor);
        }
    } else if (following) {
        readLineAt(cursor.next, cursor);
    } else {
        seekLine(i, cursor);
    }
    cursor.line = i;
}

void SourceLines::readBackwards(std::size_t head)
{
    m_backwards = true;
    m_head = std::min(head, m_lineCount);
    m_cursor = Cursor{};
}

void SourceLines::rewriteWith(std::shared_ptr<const LineRewriter> rewriter)
{
    m_rewriter = std::move(rewriter);
    m_cursor = Cursor{};
}

void SourceLines::rewrite(Cursor& cursor) const
{
    if (cursor.scratch == nullptr) {
        cursor.scratch = m_rewriter->makeScratch();
    }
    cursor.rewritten =
        m_rewriter->rewrite({m_text + cursor.start, cursor.end - cursor.start}, m_text + m_length, *cursor.scratch);
}

std::size_t SourceLines::memoryBytes() const
{
    return m_bytes.heapBytes() + m_starts.capacity() * sizeof(std::uint64_t);
}

} // namespace velmora
