#pragma once

// The byte-level searches of the line and field reading, in one place. Each mask is written once, as a function
// of a block of at most 64 bytes (lineMasksOf, fieldMasksOf, layoutMasksOf, lineBreaksOf), over one block type per
// kind of processor: ScalarBlock, byte by byte, the reference the tests compare the others with; Sse2Block, 16
// bytes per compare, which every x86-64 has; Avx2Block, 32 bytes per compare, where the processor has AVX2.
//
// ByteScan gives the masks and searches the readers use, inline (SSE2 where the build has it): they run on every
// byte of every source line, and a call per window would cost more than the window. WideScan gives the passes
// that AVX2 speeds up, compiled once for each kind and chosen once for the processor the program runs on.

#include <algorithm> // min
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring> // memcpy
#include <vector>

#if defined(__SSE2__) || defined(_M_X64)
#define VELMORA_BYTESCAN_SSE2 1
#include <emmintrin.h>
#endif
#if defined(__GNUC__) && defined(__x86_64__)
#define VELMORA_BYTESCAN_AVX2 1
#include <immintrin.h>
#endif

// The masks are inlined into every caller whatever the compiler's estimate of their size: a call costs more than
// a window's compares, and only inlined, with the window's length known, do the lanes' places fold into constants.
// Gain (bench/README.md, "Kept tricks"): LineParser::readQuick over a year of usual lines, best of 30, 38.0 to
// 38.2 ns a line against 40.9 to 41.3 with GCC's own choice, which calls fieldMasksOf; callgrind, the default job
// on 20,000 usual lines, 32.84 M instructions against 33.73 M.
#if defined(__GNUC__)
#define VELMORA_BYTESCAN_INLINE [[gnu::always_inline]] inline
#else
#define VELMORA_BYTESCAN_INLINE inline
#endif

namespace velmora {

/// Whether a byte cannot stand in a plain field, one whose bytes between two commas are the field as the
/// comma-text rule reads it: blanks and control bytes (0 to 32) and the quote.
constexpr bool notPlainByte(unsigned char byte)
{
    return byte <= 32 || byte == '"';
}

/// Bit i set where window[i] is a LF, a CR, a zero byte; bytes past the window's length count as none.
struct LineMasks
{
    std::uint64_t lineFeeds = 0;
    std::uint64_t carriageReturns = 0;
    std::uint64_t zeros = 0;
};

/// Bit i set where window[i] is a LF, a CR, a comma, a byte that is not plain (notPlainByte); bytes past the
/// window's length count as none.
struct FieldMasks
{
    std::uint64_t lineFeeds = 0;
    std::uint64_t carriageReturns = 0;
    std::uint64_t commas = 0;
    std::uint64_t notPlain = 0;
};

/// Bit i set where window[i] is one of the bytes the quick rewriting of another layout looks for: the separators
/// it cuts at, blanks, the bytes it leaves to the general rewriting (quotes, carriage returns), and the digits
/// and points of prices; bytes past the window's length count as none.
struct LayoutMasks
{
    std::uint64_t commas = 0;
    std::uint64_t semicolons = 0;
    std::uint64_t tabs = 0;
    std::uint64_t blanks = 0;
    std::uint64_t odd = 0;
    std::uint64_t digits = 0;
    std::uint64_t points = 0;
    std::uint64_t breaks = 0; ///< CR and LF
};

// The masks, each written once. A Block is a window of at most 64 bytes; eq(c), between(lo, hi) (for lo and hi
// below 128) and atMost(n) give the bytes of it that match as Bytes, which combine with | and & and give bits():
// bit i set where byte i matches, bytes past the window matching nothing.

template <typename Block> VELMORA_BYTESCAN_INLINE LineMasks lineMasksOf(const Block& block)
{
    return {
        .lineFeeds = block.eq('\n').bits(), .carriageReturns = block.eq('\r').bits(), .zeros = block.eq('\0').bits()};
}

template <typename Block> VELMORA_BYTESCAN_INLINE FieldMasks fieldMasksOf(const Block& block)
{
    return {.lineFeeds = block.eq('\n').bits(),
            .carriageReturns = block.eq('\r').bits(),
            .commas = block.eq(',').bits(),
            .notPlain = (block.atMost(32) | block.eq('"')).bits()};
}

template <typename Block> VELMORA_BYTESCAN_INLINE std::uint64_t lineBreaksOf(const Block& block)
{
    return (block.eq('\r') | block.eq('\n')).bits();
}

template <typename Block> VELMORA_BYTESCAN_INLINE LayoutMasks layoutMasksOf(const Block& block)
{
    const auto carriageReturns = block.eq('\r');
    return {.commas = block.eq(',').bits(),
            .semicolons = block.eq(';').bits(),
            .tabs = block.eq('\t').bits(),
            .blanks = block.eq(' ').bits(),
            .odd = (block.eq('"') | carriageReturns).bits(),
            .digits = block.between('0', '9').bits(),
            .points = block.eq('.').bits(),
            .breaks = (carriageReturns | block.eq('\n')).bits()};
}

/// Byte by byte, a window of any length up to 64: the reference.
class ScalarBlock
{
public:
    struct Bytes
    {
        std::uint64_t set = 0;

        Bytes operator|(Bytes other) const { return {set | other.set}; }
        Bytes operator&(Bytes other) const { return {set & other.set}; }
        std::uint64_t bits() const { return set; }
    };

    ScalarBlock(const char* window, std::size_t length) : m_window(window), m_length(length) {}
    explicit ScalarBlock(const char* window) : ScalarBlock(window, 64) {}

    Bytes eq(char c) const
    {
        return where([c](unsigned char byte) { return byte == static_cast<unsigned char>(c); });
    }
    Bytes between(char lo, char hi) const
    {
        return where([lo, hi](unsigned char byte) {
            return byte >= static_cast<unsigned char>(lo) && byte <= static_cast<unsigned char>(hi);
        });
    }
    Bytes atMost(unsigned char most) const
    {
        return where([most](unsigned char byte) { return byte <= most; });
    }

private:
    template <typename Test> Bytes where(const Test& test) const
    {
        std::uint64_t set = 0;
        for (std::size_t i = 0; i < m_length; ++i) {
            set |= std::uint64_t{test(static_cast<unsigned char>(m_window[i])) ? 1U : 0U} << i;
        }
        return {set};
    }

    const char* m_window;
    std::size_t m_length;
};

#ifdef VELMORA_BYTESCAN_SSE2
/// Four 16-byte lanes. A window shorter than 64 bytes (16 at least) is read in lanes that overlap at its end,
/// never past it: a byte read twice gives the same bit twice. The lanes are named rather than held in an array,
/// which the compiler kept in memory.
class Sse2Block
{
    struct Lanes
    {
        __m128i first;
        __m128i second;
        __m128i third;
        __m128i fourth;

        template <typename Op> Lanes each(const Op& op) const { return {op(first), op(second), op(third), op(fourth)}; }
        template <typename Op> Lanes with(const Lanes& other, const Op& op) const
        {
            return {op(first, other.first), op(second, other.second), op(third, other.third), op(fourth, other.fourth)};
        }
    };

    /// Where the second, third and fourth lanes start in the window.
    struct Places
    {
        unsigned second;
        unsigned third;
        unsigned fourth;
    };

public:
    class Bytes
    {
    public:
        Bytes operator|(const Bytes& other) const
        {
            return {m_lanes.with(other.m_lanes, [](__m128i a, __m128i b) { return _mm_or_si128(a, b); }), m_at};
        }
        Bytes operator&(const Bytes& other) const
        {
            return {m_lanes.with(other.m_lanes, [](__m128i a, __m128i b) { return _mm_and_si128(a, b); }), m_at};
        }
        std::uint64_t bits() const
        {
            const auto bitsOf = [](__m128i lane) {
                return std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(lane))};
            };
            return bitsOf(m_lanes.first) | bitsOf(m_lanes.second) << m_at.second | bitsOf(m_lanes.third) << m_at.third |
                   bitsOf(m_lanes.fourth) << m_at.fourth;
        }

    private:
        friend class Sse2Block;
        Bytes(Lanes lanes, Places at) : m_lanes(lanes), m_at(at) {}

        Lanes m_lanes;
        Places m_at;
    };

    explicit Sse2Block(const char* window) : Sse2Block(window, 64) {}
    /// length from 16 to 64.
    Sse2Block(const char* window, std::size_t length)
        : m_at{static_cast<unsigned>(std::min<std::size_t>(16, length - 16)),
               static_cast<unsigned>(std::min<std::size_t>(32, length - 16)),
               static_cast<unsigned>(std::min<std::size_t>(48, length - 16))},
          m_lanes{load(window), load(window + m_at.second), load(window + m_at.third), load(window + m_at.fourth)}
    {
    }

    Bytes eq(char c) const
    {
        const __m128i wanted = _mm_set1_epi8(c);
        return {m_lanes.each([wanted](__m128i lane) { return _mm_cmpeq_epi8(lane, wanted); }), m_at};
    }
    Bytes between(char lo, char hi) const
    {
        // Signed compares: bytes from 128 up are negative, so below any lo under 128.
        const __m128i below = _mm_set1_epi8(static_cast<char>(lo - 1));
        const __m128i above = _mm_set1_epi8(static_cast<char>(hi + 1));
        return {m_lanes.each([below, above](__m128i lane) {
                    return _mm_and_si128(_mm_cmpgt_epi8(lane, below), _mm_cmplt_epi8(lane, above));
                }),
                m_at};
    }
    Bytes atMost(unsigned char most) const
    {
        const __m128i limit = _mm_set1_epi8(static_cast<char>(most));
        return {m_lanes.each([limit](__m128i lane) { return _mm_cmpeq_epi8(_mm_min_epu8(lane, limit), lane); }), m_at};
    }

private:
    static __m128i load(const char* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); }

    Places m_at;
    Lanes m_lanes;
};
#endif

#ifdef VELMORA_BYTESCAN_AVX2
/// Two 32-byte lanes of a full 64-byte window, for processors with AVX2, used by code compiled for them
/// (WideScan).
class Avx2Block
{
public:
    class Bytes
    {
    public:
        __attribute__((target("avx2"))) Bytes operator|(const Bytes& other) const
        {
            return {_mm256_or_si256(m_low, other.m_low), _mm256_or_si256(m_high, other.m_high)};
        }
        __attribute__((target("avx2"))) Bytes operator&(const Bytes& other) const
        {
            return {_mm256_and_si256(m_low, other.m_low), _mm256_and_si256(m_high, other.m_high)};
        }
        __attribute__((target("avx2"))) std::uint64_t bits() const
        {
            return std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(m_low))} |
                   std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(m_high))} << 32U;
        }

    private:
        friend class Avx2Block;
        __attribute__((target("avx2"))) Bytes(__m256i low, __m256i high) : m_low(low), m_high(high) {}

        __m256i m_low;
        __m256i m_high;
    };

    __attribute__((target("avx2"))) explicit Avx2Block(const char* window)
        : m_low(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(window))),
          m_high(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(window + 32)))
    {
    }

    __attribute__((target("avx2"))) Bytes eq(char c) const
    {
        const __m256i wanted = _mm256_set1_epi8(c);
        return {_mm256_cmpeq_epi8(m_low, wanted), _mm256_cmpeq_epi8(m_high, wanted)};
    }
    __attribute__((target("avx2"))) Bytes between(char lo, char hi) const
    {
        // Signed compares: bytes from 128 up are negative, so below any lo under 128.
        const __m256i below = _mm256_set1_epi8(static_cast<char>(lo - 1));
        const __m256i above = _mm256_set1_epi8(static_cast<char>(hi + 1));
        return {_mm256_and_si256(_mm256_cmpgt_epi8(m_low, below), _mm256_cmpgt_epi8(above, m_low)),
                _mm256_and_si256(_mm256_cmpgt_epi8(m_high, below), _mm256_cmpgt_epi8(above, m_high))};
    }
    __attribute__((target("avx2"))) Bytes atMost(unsigned char most) const
    {
        const __m256i limit = _mm256_set1_epi8(static_cast<char>(most));
        return {_mm256_cmpeq_epi8(_mm256_min_epu8(m_low, limit), m_low),
                _mm256_cmpeq_epi8(_mm256_min_epu8(m_high, limit), m_high)};
    }

private:
    __m256i m_low;
    __m256i m_high;
};
#endif

/// The searches byte by byte: the reference.
struct ScalarByteScan
{
    /// The masks of window[0, length), length at most 64.
    static LineMasks lineMasks(const char* window, std::size_t length)
    {
        return lineMasksOf(ScalarBlock(window, length));
    }
    static FieldMasks fieldMasks(const char* window, std::size_t length)
    {
        return fieldMasksOf(ScalarBlock(window, length));
    }
    static LayoutMasks layoutMasks(const char* window, std::size_t length)
    {
        return layoutMasksOf(ScalarBlock(window, length));
    }

    /// The first CR or LF in text[from, length), or length.
    static std::size_t findLineBreak(const char* text, std::size_t from, std::size_t length)
    {
        while (from < length && text[from] != '\n' && text[from] != '\r') {
            ++from;
        }
        return from;
    }

    /// The first byte from 0 to 32 or comma in text[from, length), or length: where an unquoted item ends.
    static std::size_t findItemEnd(const char* text, std::size_t from, std::size_t length)
    {
        while (from<length&& static_cast<unsigned char>(text[from])> 32 && text[from] != ',') {
            ++from;
        }
        return from;
    }
};

/// The same searches as ScalarByteScan, 16 bytes per compare where SSE2 is there; windows shorter than 16 bytes
/// byte by byte. Gain: with ScalarByteScan in its place the default job on a year of 1-minute bars takes 2.5
/// times the processor time (velmora-convert, median of 11 runs: 99.6 ms against 40.5 ms).
struct ByteScan
{
#ifdef VELMORA_BYTESCAN_SSE2
    using Block = Sse2Block;
#else
    using Block = ScalarBlock;
#endif

    /// lineMasks of a full window of 64 bytes: inlined with its length known, the lanes need no overlap.
    static LineMasks lineMasks(const char* window) { return lineMasksOf(Block(window)); }

    static LineMasks lineMasks(const char* window, std::size_t length)
    {
        return length >= 16 ? lineMasksOf(Block(window, length)) : ScalarByteScan::lineMasks(window, length);
    }
    static FieldMasks fieldMasks(const char* window, std::size_t length)
    {
        return length >= 16 ? fieldMasksOf(Block(window, length)) : ScalarByteScan::fieldMasks(window, length);
    }
    static LayoutMasks layoutMasks(const char* window, std::size_t length)
    {
        return length >= 16 ? layoutMasksOf(Block(window, length)) : ScalarByteScan::layoutMasks(window, length);
    }

    static std::size_t findLineBreak(const char* text, std::size_t from, std::size_t length)
    {
        for (; length - from >= 64; from += 64) {
            if (const std::uint64_t breaks = lineBreaksOf(Block(text + from))) {
                return from + static_cast<std::size_t>(std::countr_zero(breaks));
            }
        }
        if (length - from >= 16) {
            const std::uint64_t breaks = lineBreaksOf(Block(text + from, length - from));
            return breaks != 0 ? from + static_cast<std::size_t>(std::countr_zero(breaks)) : length;
        }
        return ScalarByteScan::findLineBreak(text, from, length);
    }

    /// Eight bytes per step in a 64-bit word (no SSE2 needed) where bytes are little-endian. Gain: 7% of the
    /// processor time of the default job on a year of bars written with a blank after each comma (median of 7
    /// runs: 66.3 ms against 71.1 ms byte by byte).
    static std::size_t findItemEnd(const char* text, std::size_t from, std::size_t length)
    {
        if constexpr (std::endian::native == std::endian::little) {
            constexpr std::uint64_t Ones = 0x0101010101010101U;
            constexpr std::uint64_t Highs = 0x8080808080808080U;
            while (length - from >= 8) {
                std::uint64_t word = 0;
                std::memcpy(&word, text + from, sizeof word);
                // Per byte: below 33, or equal to ','. Both tests may mark bytes after a true hit through a
                // borrow, never before one, so the lowest marked byte is the first real one.
                const std::uint64_t blanks = (word - Ones * 33U) & ~word & Highs;
                const std::uint64_t commaBytes = word ^ (Ones * static_cast<unsigned char>(','));
                const std::uint64_t commas = (commaBytes - Ones) & ~commaBytes & Highs;
                if (const std::uint64_t hits = blanks | commas) {
                    return from + static_cast<std::size_t>(std::countr_zero(hits)) / 8;
                }
                from += 8;
            }
        }
        return ScalarByteScan::findItemEnd(text, from, length);
    }
};

/// What one pass over a text finds: where it ends (at its first zero byte, or its length), how many line breaks
/// it holds (a LF, a CR LF, a CR alone), and the start of every stride-th line, line 0 first.
struct LineIndex
{
    std::size_t length = 0;
    std::size_t terminators = 0;
    std::vector<std::uint64_t> starts;
};

/// The passes that the widest compares speed up, compiled for each kind of processor. forThisProcessor() is the
/// one place that asks the processor what it has, once.
struct WideScan
{
    /// One pass in 64-byte blocks over text[0, byteCount); stride a power of two.
    LineIndex (*indexLines)(const char* text, std::size_t byteCount, std::size_t stride);
    /// ByteScan::layoutMasks.
    LayoutMasks (*layoutMasks)(const char* window, std::size_t length);

    /// AVX2 where the processor has it (and a popcount instruction), else ByteScan's.
    static const WideScan& forThisProcessor();
    /// Byte by byte, the reference; and ByteScan's compares; for tests.
    static const WideScan& reference();
    static const WideScan& portable();
    /// nullptr where the build or the processor has no AVX2; for tests.
    static const WideScan* avx2();
};

} // namespace velmora
