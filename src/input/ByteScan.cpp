#include "input/ByteScan.h"

#include <algorithm>
#include <bit>

namespace velmora {

namespace {

/// One pass in 64-byte blocks, one bit per byte: each LF ends a line, and each CR not followed by a LF (a CR LF
/// ends its line at the LF). The text is read at close to memory speed whatever the length of its lines.
template <typename Block> LineIndex indexLinesOf(const char* text, std::size_t byteCount, std::size_t stride)
{
    LineIndex found;
    found.length = byteCount;
    found.starts.push_back(0);
    for (std::size_t blockStart = 0; blockStart < byteCount; blockStart += 64) {
        const char* block = text + blockStart;
        const std::size_t blockLength = std::min<std::size_t>(64, byteCount - blockStart);
        LineMasks masks = blockLength == 64 ? lineMasksOf(Block(block)) : ScalarByteScan::lineMasks(block, blockLength);
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
        if ((found.terminators & (stride - 1)) + count < stride) {
            found.terminators += count;
        } else {
            // A kept line start falls in this block: find it bit by bit.
            while (ends != 0) {
                ++found.terminators;
                if ((found.terminators & (stride - 1)) == 0) {
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

LineIndex indexLinesByteByByte(const char* text, std::size_t byteCount, std::size_t stride)
{
    return indexLinesOf<ScalarBlock>(text, byteCount, stride);
}

LineIndex indexLinesPortable(const char* text, std::size_t byteCount, std::size_t stride)
{
    return indexLinesOf<ByteScan::Block>(text, byteCount, stride);
}

LayoutMasks layoutMasksPortable(const char* window, std::size_t length)
{
    return ByteScan::layoutMasks(window, length);
}

#ifdef VELMORA_BYTESCAN_AVX2
// Compiled for AVX2 and flattened: the pass and the block's compares are inlined into it, so that they are
// compiled for AVX2 too (the block's members cannot be inlined into code compiled without it), and std::popcount
// becomes one instruction. Gain of flatten (bench/README.md, "Kept tricks"): SourceLines::load of 129 MB 0.010 to
// 0.012 s against 0.019 to 0.022 s with the block's compares called; callgrind, the default job on 20,000 lines,
// 32.84 M instructions against 34.30 M (usual layout), 52.28 M against 53.91 M (day-first ticks).
// Gain of AVX2 over SSE2 in the line index: half the time (SourceLinesBench 256, best of 5, three rounds: 0.037
// to 0.066 s against 0.078 to 0.086 s).

__attribute__((target("avx2,popcnt"), flatten)) LineIndex indexLinesAvx2(const char* text, std::size_t byteCount,
                                                                         std::size_t stride)
{
    return indexLinesOf<Avx2Block>(text, byteCount, stride);
}

/// 32-byte compares for full windows: they halve the cost of the compares that cut the lines of another layout
/// and their fields.
__attribute__((target("avx2,popcnt"), flatten)) LayoutMasks layoutMasksAvx2(const char* window, std::size_t length)
{
    return length == 64 ? layoutMasksOf(Avx2Block(window)) : ByteScan::layoutMasks(window, length);
}
#endif

} // namespace

const WideScan& WideScan::reference()
{
    static const WideScan scan{indexLinesByteByByte, [](const char* window, std::size_t length) {
                                   return ScalarByteScan::layoutMasks(window, length);
                               }};
    return scan;
}

const WideScan& WideScan::portable()
{
    static const WideScan scan{indexLinesPortable, layoutMasksPortable};
    return scan;
}

const WideScan* WideScan::avx2()
{
#ifdef VELMORA_BYTESCAN_AVX2
    static const WideScan scan{indexLinesAvx2, layoutMasksAvx2};
    static const bool present = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
    return present ? &scan : nullptr;
#else
    return nullptr;
#endif
}

const WideScan& WideScan::forThisProcessor()
{
    static const WideScan& chosen = avx2() != nullptr ? *avx2() : portable();
    return chosen;
}

} // namespace velmora
