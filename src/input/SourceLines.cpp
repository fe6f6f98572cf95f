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

/// What one pass over the bytes finds: where the text ends (the first zero byte, or the end), how many line
/// breaks it holds, and the start of every Stride-th line.
struct TextIndex
{
    std::size_t length = 0;
    std::size_t terminators = 0;
    std::vector<std::uint64_t> starts;
};

/// One pass in 64-byte blocks, one bit per byte: each LF ends a line, and each CR not followed by a LF (a CR LF
/// ends its line at the LF). The text is read at close to memory speed whatever the length of its lines.
/// The masks of full blocks by SSE2 (or byte by byte where there is none).
struct Sse2Blocks
{
    static LineMasks masks(const char* block) { return ByteScan::lineMasks(block); }
};

template <std::size_t Stride, typename Blocks>
#if defined(__GNUC__)
[[gnu::always_inline]]
#endif
inline TextIndex
indexText(const char* text, std::size_t byteCount)
{
    static_assert(std::has_single_bit(Stride));
    TextIndex found;
    found.length = byteCount;
    found.starts.push_back(0);
    for (std::size_t blockStart = 0; blockStart < byteCount; blockStart += 64) {
        const char* block = text + blockStart;
        const std::size_t blockLength = std::min<std::size_t>(64, byteCount - blockStart);
        LineMasks masks = blockLength == 64 ? Blocks::masks(block) : ScalarByteScan::lineMasks(block, blockLength);
        bool nextIsLineFeed = blockStart + 64 < byteCount && block[64] == '\n';
        const std::uint64_t zeros = masks.zeros;
        if (zeros != 0) {
            const auto zeroAt = static_cast<unsigned>(std::countr_zero(zeros));
            const std::uint64_t before = (std::uint64_t{1} << zeroAt) - 1U;
            masks.lineFeeds &= before;
            masks.carriageReturns &= before;
            nextIsLineFeed = false;
            found.length = blockStart + zeroAt;
        }
        const std::uint64_t followedByLineFeed = (masks.lineFeeds >> 1U) | (std::uint64_t{nextIsLineFeed} << 63U);
        std::uint64_t ends = masks.lineFeeds | (masks.carriageReturns & ~followedByLineFeed);
        const auto count = static_cast<std::size_t>(std::popcount(ends));
        if ((found.terminators & (Stride - 1)) + count < Stride) {
            found.terminators += count;
        } else {
            // A kept line start falls in this block: find it bit by bit.
            while (ends != 0) {
                ++found.terminators;
                if ((found.terminators & (Stride - 1)) == 0) {
                    found.starts.push_back(blockStart + static_cast<std::size_t>(std::countr_zero(ends)) + 1);
                }
                ends &= ends - 1;
            }
        }
        if (zeros != 0) {
            break;
        }
    }
    return found;
}

#ifdef VELMORA_BYTESCAN_AVX2
/// The masks by AVX2.
struct Avx2Blocks
{
    __attribute__((target("avx2"))) static LineMasks masks(const char* block) { return Avx2ByteScan::lineMasks(block); }
};

/// The index pass compiled for processors with AVX2 and a popcount instruction (std::popcount becomes one
/// instruction here).
template <std::size_t Stride>
__attribute__((target("avx2,popcnt"))) TextIndex indexTextAvx2(const char* text, std::size_t byteCount)
{
    return indexText<Stride, Avx2Blocks>(text, byteCount);
}
#endif

template <std::size_t Stride> TextIndex indexFast(const char* text, std::size_t byteCount)
{
#ifdef VELMORA_BYTESCAN_AVX2
    if (ByteScan::hasAvx2()) {
        return indexTextAvx2<Stride>(text, byteCount);
    }
#endif
    return indexText<Stride, Sse2Blocks>(text, byteCount);
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
template <std::size_t Stride> std::optional<TextIndex> indexInHalves(const char* text, std::size_t byteCount)
{
    const void* feed = std::memchr(text + byteCount / 2, '\n', byteCount - byteCount / 2);
    if (feed == nullptr) {
        return std::nullopt;
    }
    // Cut after a line feed: no CR LF pair and no line is split between the halves.
    const std::size_t middle = static_cast<std::size_t>(static_cast<const char*>(feed) - text) + 1;
    TextIndex second;
    std::jthread other; // joined on every way out, an exception from this thread's half included
    try {
        other = std::jthread(
            [&second, text, middle, byteCount] { second = indexFast<FineStride>(text + middle, byteCount - middle); });
    } catch (const std::system_error&) {
        return std::nullopt;
    }
    TextIndex found = indexFast<Stride>(text, middle);
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
    std::optional<TextIndex> halves;
    if (byteCount >= halvesFrom && std::thread::hardware_concurrency() > 1) {
        halves = indexInHalves<Stride>(m_text, byteCount);
    }
    TextIndex found = halves ? std::move(*halves) : indexFast<Stride>(m_text, byteCount);
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

void SourceLines::moveCursor(std::size_t i, Cursor& cursor) const
{
    if (cursor.line != NoLine && i == cursor.line + 1) {
        readLineAt(cursor.next, cursor);
    } else {
        readLineAt(static_cast<std::size_t>(m_starts[i / Stride]), cursor);
        for (std::size_t k = i % Stride; k > 0; --k) {
            readLineAt(cursor.next, cursor);
        }
    }
    cursor.line = i;
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
