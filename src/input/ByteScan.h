#pragma once

// The byte-level searches of the line and field reading, in one place: a plain version that is the reference,
// and ByteScan, the one the readers use, with SSE2 compares where the processor has them (every x86-64 does).
// Both give the same result for every input; ByteScanTest runs them side by side. Everything is inline: these
// run on every byte of every source line, and a call per window would cost more than the window.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring> // memcpy

#if defined(__SSE2__) || defined(_M_X64)
#define VELMORA_BYTESCAN_SSE2 1
#include <emmintrin.h>
#endif
#if defined(__GNUC__) && defined(__x86_64__)
#define VELMORA_BYTESCAN_AVX2 1
#include <immintrin.h>
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

/// The searches byte by byte.
struct ScalarByteScan
{
    /// The masks of window[0, length), length at most 64.
    static LayoutMasks layoutMasks(const char* window, std::size_t length)
    {
        LayoutMasks masks;
        for (std::size_t i = 0; i < length; ++i) {
            const char byte = window[i];
            const auto bit = [i](bool set) { return std::uint64_t{set ? 1U : 0U} << i; };
            masks.commas |= bit(byte == ',');
            masks.semicolons |= bit(byte == ';');
            masks.tabs |= bit(byte == '\t');
            masks.blanks |= bit(byte == ' ');
            masks.odd |= bit(byte == '"' || byte == '\r');
            masks.digits |= bit(byte >= '0' && byte <= '9');
            masks.points |= bit(byte == '.');
            masks.breaks |= bit(byte == '\r' || byte == '\n');
        }
        return masks;
    }

    /// The masks of window[0, length), length at most 64.
    static LineMasks lineMasks(const char* window, std::size_t length)
    {
        LineMasks masks;
        for (std::size_t i = 0; i < length; ++i) {
            masks.lineFeeds |= std::uint64_t{window[i] == '\n' ? 1U : 0U} << i;
            masks.carriageReturns |= std::uint64_t{window[i] == '\r' ? 1U : 0U} << i;
            masks.zeros |= std::uint64_t{window[i] == '\0' ? 1U : 0U} << i;
        }
        return masks;
    }

    /// The masks of window[0, length), length at most 64.
    static FieldMasks fieldMasks(const char* window, std::size_t length)
    {
        FieldMasks masks;
        for (std::size_t i = 0; i < length; ++i) {
            const auto byte = static_cast<unsigned char>(window[i]);
            masks.lineFeeds |= std::uint64_t{byte == '\n' ? 1U : 0U} << i;
            masks.carriageReturns |= std::uint64_t{byte == '\r' ? 1U : 0U} << i;
            masks.commas |= std::uint64_t{byte == ',' ? 1U : 0U} << i;
            masks.notPlain |= std::uint64_t{notPlainByte(byte) ? 1U : 0U} << i;
        }
        return masks;
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

/// The same searches as ScalarByteScan, 16 bytes per compare where SSE2 is there. Gain: with ScalarByteScan in
/// its place the default job on a year of 1-minute bars takes 2.5 times the processor time (velmora-convert,
/// median of 11 runs: 99.6 ms against 40.5 ms).
struct ByteScan
{
    /// lineMasks of a full window of 64 bytes: inlined with its length known, the 16-byte loop runs four times
    /// and the byte-by-byte tail goes.
    static LineMasks lineMasks(const char* window) { return lineMasks(window, 64); }

    static LineMasks lineMasks(const char* window, std::size_t length)
    {
        LineMasks masks;
        std::size_t done = 0;
#ifdef VELMORA_BYTESCAN_SSE2
        const __m128i lineFeed = _mm_set1_epi8('\n');
        const __m128i carriageReturn = _mm_set1_epi8('\r');
        const __m128i zero = _mm_setzero_si128();
        for (; length - done >= 16; done += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(window + done));
            masks.lineFeeds |= bits(_mm_cmpeq_epi8(bytes, lineFeed)) << done;
            masks.carriageReturns |= bits(_mm_cmpeq_epi8(bytes, carriageReturn)) << done;
            masks.zeros |= bits(_mm_cmpeq_epi8(bytes, zero)) << done;
        }
#endif
        if (done < length) {
            const LineMasks rest = ScalarByteScan::lineMasks(window + done, length - done);
            masks.lineFeeds |= rest.lineFeeds << done;
            masks.carriageReturns |= rest.carriageReturns << done;
            masks.zeros |= rest.zeros << done;
        }
        return masks;
    }

    static FieldMasks fieldMasks(const char* window, std::size_t length)
    {
        FieldMasks masks;
        std::size_t done = 0;
#ifdef VELMORA_BYTESCAN_SSE2
        const __m128i lineFeed = _mm_set1_epi8('\n');
        const __m128i carriageReturn = _mm_set1_epi8('\r');
        const __m128i comma = _mm_set1_epi8(',');
        const __m128i quote = _mm_set1_epi8('"');
        // Bytes 0 to 32 are below 33 as signed bytes too; bytes from 128 up are negative and so also "below":
        // the second compare takes them back out.
        const __m128i blankLimit = _mm_set1_epi8(33);
        const __m128i zero = _mm_setzero_si128();
        for (; length - done >= 16; done += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(window + done));
            const __m128i low = _mm_andnot_si128(_mm_cmplt_epi8(bytes, zero), _mm_cmplt_epi8(bytes, blankLimit));
            masks.lineFeeds |= bits(_mm_cmpeq_epi8(bytes, lineFeed)) << done;
            masks.carriageReturns |= bits(_mm_cmpeq_epi8(bytes, carriageReturn)) << done;
            masks.commas |= bits(_mm_cmpeq_epi8(bytes, comma)) << done;
            masks.notPlain |= bits(_mm_or_si128(low, _mm_cmpeq_epi8(bytes, quote))) << done;
        }
#endif
        if (done < length) {
            const FieldMasks rest = ScalarByteScan::fieldMasks(window + done, length - done);
            masks.lineFeeds |= rest.lineFeeds << done;
            masks.carriageReturns |= rest.carriageReturns << done;
            masks.commas |= rest.commas << done;
            masks.notPlain |= rest.notPlain << done;
        }
        return masks;
    }

    static LayoutMasks layoutMasks(const char* window, std::size_t length)
    {
        LayoutMasks masks;
        std::size_t done = 0;
#ifdef VELMORA_BYTESCAN_SSE2
        const __m128i comma = _mm_set1_epi8(',');
        const __m128i semicolon = _mm_set1_epi8(';');
        const __m128i tab = _mm_set1_epi8('\t');
        const __m128i blank = _mm_set1_epi8(' ');
        const __m128i quote = _mm_set1_epi8('"');
        const __m128i carriageReturn = _mm_set1_epi8('\r');
        const __m128i beforeZero = _mm_set1_epi8('0' - 1);
        const __m128i afterNine = _mm_set1_epi8('9' + 1);
        const __m128i point = _mm_set1_epi8('.');
        const __m128i lineFeed = _mm_set1_epi8('\n');
        for (; length - done >= 16; done += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(window + done));
            const __m128i carriage = _mm_cmpeq_epi8(bytes, carriageReturn);
            masks.breaks |= bits(_mm_or_si128(carriage, _mm_cmpeq_epi8(bytes, lineFeed))) << done;
            masks.commas |= bits(_mm_cmpeq_epi8(bytes, comma)) << done;
            masks.semicolons |= bits(_mm_cmpeq_epi8(bytes, semicolon)) << done;
            masks.tabs |= bits(_mm_cmpeq_epi8(bytes, tab)) << done;
            masks.blanks |= bits(_mm_cmpeq_epi8(bytes, blank)) << done;
            masks.odd |= bits(_mm_or_si128(_mm_cmpeq_epi8(bytes, quote), _mm_cmpeq_epi8(bytes, carriageReturn)))
                         << done;
            // Bytes from 128 up are negative, so below '0' too.
            const __m128i digit = _mm_and_si128(_mm_cmpgt_epi8(bytes, beforeZero), _mm_cmplt_epi8(bytes, afterNine));
            masks.digits |= bits(digit) << done;
            masks.points |= bits(_mm_cmpeq_epi8(bytes, point)) << done;
        }
#endif
        if (done < length) {
            const LayoutMasks rest = ScalarByteScan::layoutMasks(window + done, length - done);
            masks.commas |= rest.commas << done;
            masks.semicolons |= rest.semicolons << done;
            masks.tabs |= rest.tabs << done;
            masks.blanks |= rest.blanks << done;
            masks.odd |= rest.odd << done;
            masks.digits |= rest.digits << done;
            masks.points |= rest.points << done;
            masks.breaks |= rest.breaks << done;
        }
        return masks;
    }

    static std::size_t findLineBreak(const char* text, std::size_t from, std::size_t length)
    {
#ifdef VELMORA_BYTESCAN_SSE2
        const __m128i lineFeed = _mm_set1_epi8('\n');
        const __m128i carriageReturn = _mm_set1_epi8('\r');
        while (length - from >= 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + from));
            if (const std::uint64_t hits =
                    bits(_mm_or_si128(_mm_cmpeq_epi8(bytes, lineFeed), _mm_cmpeq_epi8(bytes, carriageReturn)))) {
                return from + static_cast<std::size_t>(std::countr_zero(hits));
            }
            from += 16;
        }
#endif
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

    /// Whether Avx2ByteScan can run here.
    static bool hasAvx2()
    {
#ifdef VELMORA_BYTESCAN_AVX2
        static const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
        return avx2;
#else
        return false;
#endif
    }

private:
#ifdef VELMORA_BYTESCAN_SSE2
    /// One bit per byte lane of a compare's result.
    static std::uint64_t bits(__m128i hits)
    {
        return static_cast<std::uint64_t>(static_cast<std::uint16_t>(_mm_movemask_epi8(hits)));
    }
#endif
};

#ifdef VELMORA_BYTESCAN_AVX2
/// ByteScan::lineMasks of a full window with 32-byte compares, for processors with AVX2 and a popcount
/// instruction (ByteScan::hasAvx2()), called from code compiled for them (target("avx2,popcnt")). Gain: the line
/// index pass takes half the time of SSE2's (SourceLinesBench 256, best of 5, three rounds: 0.037 to 0.066 s
/// against 0.078 to 0.086 s).
struct Avx2ByteScan
{
    __attribute__((target("avx2"))) static LineMasks lineMasks(const char* window)
    {
        const __m256i lineFeed = _mm256_set1_epi8('\n');
        const __m256i carriageReturn = _mm256_set1_epi8('\r');
        const __m256i zero = _mm256_setzero_si256();
        LineMasks masks;
        for (unsigned part = 0; part < 2; ++part) {
            const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(window + std::size_t{32} * part));
            const auto lf = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(bytes, lineFeed)));
            const auto cr = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(bytes, carriageReturn)));
            const auto nul = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(bytes, zero)));
            masks.lineFeeds |= std::uint64_t{lf} << (32 * part);
            masks.carriageReturns |= std::uint64_t{cr} << (32 * part);
            masks.zeros |= std::uint64_t{nul} << (32 * part);
        }
        return masks;
    }

    /// ByteScan::layoutMasks of a full window of 64 bytes.
    __attribute__((target("avx2"))) static LayoutMasks layoutMasks(const char* window)
    {
        const __m256i comma = _mm256_set1_epi8(',');
        const __m256i semicolon = _mm256_set1_epi8(';');
        const __m256i tab = _mm256_set1_epi8('\t');
        const __m256i blank = _mm256_set1_epi8(' ');
        const __m256i quote = _mm256_set1_epi8('"');
        const __m256i carriageReturn = _mm256_set1_epi8('\r');
        const __m256i lineFeed = _mm256_set1_epi8('\n');
        const __m256i beforeZero = _mm256_set1_epi8('0' - 1);
        const __m256i afterNine = _mm256_set1_epi8('9' + 1);
        const __m256i point = _mm256_set1_epi8('.');
        LayoutMasks masks;
        for (unsigned part = 0; part < 2; ++part) {
            const unsigned shift = 32 * part;
            const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(window + std::size_t{shift}));
            const __m256i carriage = _mm256_cmpeq_epi8(bytes, carriageReturn);
            masks.breaks |= bits(_mm256_or_si256(carriage, _mm256_cmpeq_epi8(bytes, lineFeed))) << shift;
            masks.commas |= bits(_mm256_cmpeq_epi8(bytes, comma)) << shift;
            masks.semicolons |= bits(_mm256_cmpeq_epi8(bytes, semicolon)) << shift;
            masks.tabs |= bits(_mm256_cmpeq_epi8(bytes, tab)) << shift;
            masks.blanks |= bits(_mm256_cmpeq_epi8(bytes, blank)) << shift;
            masks.odd |= bits(_mm256_or_si256(_mm256_cmpeq_epi8(bytes, quote), carriage)) << shift;
            // Bytes from 128 up are negative, so below '0' too.
            const __m256i digit =
                _mm256_and_si256(_mm256_cmpgt_epi8(bytes, beforeZero), _mm256_cmpgt_epi8(afterNine, bytes));
            masks.digits |= bits(digit) << shift;
            masks.points |= bits(_mm256_cmpeq_epi8(bytes, point)) << shift;
        }
        return masks;
    }

private:
    __attribute__((target("avx2"))) static std::uint64_t bits(__m256i hits)
    {
        return static_cast<std::uint32_t>(_mm256_movemask_epi8(hits));
    }
};
#endif

} // namespace velmora
