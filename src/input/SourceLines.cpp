#include "input/SourceLines.h"

#include "platform/RunError.h"

#include <algorithm>
#include <bit>
#include <cstring> // memchr, memcpy
#include <limits>
#include <string>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

#ifdef _WIN32
#include <cstdio>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace velmora {

namespace {

std::string pathText(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

/// Bit i set where block[i] is a LF, and where it is a CR; bytes from length on count as neither.
struct BreakMasks
{
    std::uint64_t lineFeeds = 0;
    std::uint64_t carriageReturns = 0;
};

BreakMasks scalarMasks(const char* block, std::size_t length)
{
    BreakMasks masks;
    for (std::size_t i = 0; i < length; ++i) {
        masks.lineFeeds |= std::uint64_t{block[i] == '\n'} << i;
        masks.carriageReturns |= std::uint64_t{block[i] == '\r'} << i;
    }
    return masks;
}

BreakMasks fullBlockMasks(const char* block)
{
#if defined(__SSE2__) || defined(_M_X64)
    const __m128i lineFeed = _mm_set1_epi8('\n');
    const __m128i carriageReturn = _mm_set1_epi8('\r');
    BreakMasks masks;
    for (unsigned part = 0; part < 4; ++part) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * part));
        const auto lf = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, lineFeed)));
        const auto cr = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, carriageReturn)));
        masks.lineFeeds |= std::uint64_t{lf} << (16 * part);
        masks.carriageReturns |= std::uint64_t{cr} << (16 * part);
    }
    return masks;
#else
    return scalarMasks(block, 64);
#endif
}

/// Calls terminator(offset) for every byte of the text that ends a line: each LF, and each CR not followed by
/// a LF (a CR LF ends its line at the LF). Works on 64-byte blocks, one bit per byte, so the text is read at
/// close to memory speed whatever the length of its lines.
template <typename Terminator> void forEachTerminator(const char* text, std::size_t length, Terminator terminator)
{
    for (std::size_t blockStart = 0; blockStart < length; blockStart += 64) {
        const std::size_t blockLength = std::min<std::size_t>(64, length - blockStart);
        const char* block = text + blockStart;
        const BreakMasks masks = blockLength == 64 ? fullBlockMasks(block) : scalarMasks(block, blockLength);
        const bool nextIsLineFeed = blockStart + 64 < length && block[64] == '\n';
        const std::uint64_t followedByLineFeed = (masks.lineFeeds >> 1U) | (std::uint64_t{nextIsLineFeed} << 63U);
        std::uint64_t ends = masks.lineFeeds | (masks.carriageReturns & ~followedByLineFeed);
        while (ends != 0) {
            terminator(blockStart + static_cast<std::size_t>(std::countr_zero(ends)));
            ends &= ends - 1;
        }
    }
}

std::size_t countTerminators(const char* text, std::size_t length)
{
    std::size_t count = 0;
    for (std::size_t blockStart = 0; blockStart < length; blockStart += 64) {
        const std::size_t blockLength = std::min<std::size_t>(64, length - blockStart);
        const char* block = text + blockStart;
        const BreakMasks masks = blockLength == 64 ? fullBlockMasks(block) : scalarMasks(block, blockLength);
        const bool nextIsLineFeed = blockStart + 64 < length && block[64] == '\n';
        const std::uint64_t followedByLineFeed = (masks.lineFeeds >> 1U) | (std::uint64_t{nextIsLineFeed} << 63U);
        count += static_cast<std::size_t>(std::popcount(masks.lineFeeds) +
                                          std::popcount(masks.carriageReturns & ~followedByLineFeed));
    }
    return count;
}

/// Line i starts at offsets[i]; offsets[lineCount] is where the last line ends, after its break if it has one.
template <typename Offset>
std::unique_ptr<Offset[]> fillOffsets(const char* text, std::size_t length, std::size_t lineCount)
{
    auto offsets = std::make_unique_for_overwrite<Offset[]>(lineCount + 1);
    offsets[0] = 0;
    std::size_t k = 1;
    forEachTerminator(text, length, [&](std::size_t at) { offsets[k++] = static_cast<Offset>(at + 1); });
    if (k == lineCount) {
        offsets[k] = static_cast<Offset>(length); // the last line has no break
    }
    return offsets;
}

#ifdef _WIN32

struct FileCloser
{
    void operator()(std::FILE* file) const { std::fclose(file); }
};

/// Reads the whole file into a buffer allocated once at the file's size. Returns false when it cannot.
bool readWholeFile(const std::filesystem::path& path, std::unique_ptr<char[]>& bytes, std::size_t& count)
{
    std::unique_ptr<std::FILE, FileCloser> file(_wfopen(path.c_str(), L"rb"));
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (!file || error) {
        return false;
    }
    bytes = std::make_unique_for_overwrite<char[]>(static_cast<std::size_t>(size));
    count = std::fread(bytes.get(), 1, static_cast<std::size_t>(size), file.get());
    return !std::ferror(file.get());
}

#else

class FileDescriptor
{
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

bool readWholeFile(const std::filesystem::path& path, std::unique_ptr<char[]>& bytes, std::size_t& count)
{
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat status = {};
    if (file.get() < 0 || ::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return false;
    }
    const auto size = static_cast<std::size_t>(status.st_size);
    bytes = std::make_unique_for_overwrite<char[]>(size);
    count = 0;
    // The file is taken as it was when opened: a file that grows meanwhile is read up to its size then,
    // one that shrinks up to where it now ends.
    while (count < size) {
        const std::size_t chunk = std::min<std::size_t>(size - count, std::size_t{1} << 30U);
        const ssize_t got = ::read(file.get(), bytes.get() + count, chunk);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (got == 0) {
            break;
        }
        count += static_cast<std::size_t>(got);
    }
    return true;
}

#endif

} // namespace

SourceLines SourceLines::load(const std::filesystem::path& path)
{
    SourceLines lines;
    std::size_t count = 0;
    if (!readWholeFile(path, lines.m_bytes, count)) {
        throw cannotOpenFile(pathText(path));
    }
    lines.index(count);
    return lines;
}

SourceLines SourceLines::fromBytes(std::string_view bytes)
{
    SourceLines lines;
    lines.m_bytes = std::make_unique_for_overwrite<char[]>(bytes.size());
    if (!bytes.empty()) {
        std::memcpy(lines.m_bytes.get(), bytes.data(), bytes.size());
    }
    lines.index(bytes.size());
    return lines;
}

void SourceLines::index(std::size_t byteCount)
{
    m_byteCount = byteCount;
    const char* text = m_bytes.get();
    const auto* zero = byteCount > 0 ? static_cast<const char*>(std::memchr(text, '\0', byteCount)) : nullptr;
    const std::size_t length = zero != nullptr ? static_cast<std::size_t>(zero - text) : byteCount;
    // Count first so the offsets take exactly one allocation of their final size: growing an array by
    // doubling would hold up to three times the offsets at its peak.
    const std::size_t terminators = countTerminators(text, length);
    const bool lastLineUnended = length > 0 && text[length - 1] != '\n' && text[length - 1] != '\r';
    m_lineCount = terminators + (lastLineUnended ? 1 : 0);
    m_wideOffsets = length > std::numeric_limits<std::uint32_t>::max() - 1U;
    if (m_wideOffsets) {
        m_offsets64 = fillOffsets<std::uint64_t>(text, length, m_lineCount);
    } else {
        m_offsets32 = fillOffsets<std::uint32_t>(text, length, m_lineCount);
    }
}

std::size_t SourceLines::memoryBytes() const
{
    if (!m_offsets32 && !m_offsets64) {
        return 0;
    }
    const std::size_t offsetSize = m_wideOffsets ? sizeof(std::uint64_t) : sizeof(std::uint32_t);
    return m_byteCount + (m_lineCount + 1) * offsetSize;
}

} // namespace velmora
