#include "input/ByteScan.h"

#include <algorithm> // min
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace velmora {
namespace {

/// Byte mixes the random texts are drawn from: each puts the bytes one search tells apart next to each other.
struct Mix
{
    const char* name;
    std::string bytes;
};

std::string byteRange(int first, int last)
{
    std::string bytes;
    for (int byte = first; byte <= last; ++byte) {
        bytes += static_cast<char>(byte);
    }
    return bytes;
}

std::vector<Mix> mixes()
{
    return {
        {"prices", "0123456789.,\n"},
        {"crlf", "0123,.\r\n"},
        {"blanks and tabs", " \t,0.:\r\n"},
        {"other separators", " \t;,0.\"\r"},
        {"quotes", "\"\"\",a1 \n"},
        {"control bytes", byteRange(0, 33) + ",\""},
        {"high bytes", byteRange(0x80, 0xFF) + " !,\n\r\"" + std::string(1, '\0')},
        {"every byte", byteRange(0, 0xFF)},
    };
}

/// A text of exactly size bytes in a block of its own, so that a read past its end is caught under ASan.
std::unique_ptr<char[]> randomText(std::mt19937& random, const std::string& mix, std::size_t size)
{
    auto text = std::make_unique<char[]>(size == 0 ? 1 : size);
    std::uniform_int_distribution<std::size_t> pick(0, mix.size() - 1);
    for (std::size_t i = 0; i < size; ++i) {
        text[i] = mix[pick(random)];
    }
    return text;
}

void expectSameMasks(const LayoutMasks& found, const LayoutMasks& reference)
{
    EXPECT_EQ(found.commas, reference.commas);
    EXPECT_EQ(found.semicolons, reference.semicolons);
    EXPECT_EQ(found.tabs, reference.tabs);
    EXPECT_EQ(found.blanks, reference.blanks);
    EXPECT_EQ(found.odd, reference.odd);
    EXPECT_EQ(found.digits, reference.digits);
    EXPECT_EQ(found.points, reference.points);
    EXPECT_EQ(found.breaks, reference.breaks);
}

/// Every compiled form of the wide passes this processor runs.
std::vector<const WideScan*> wideScans()
{
    std::vector<const WideScan*> scans{&WideScan::portable(), &WideScan::forThisProcessor()};
    if (WideScan::avx2() != nullptr) {
        scans.push_back(WideScan::avx2());
    }
    return scans;
}

TEST(ByteScanTest, NotPlainBytes)
{
    const struct
    {
        unsigned char byte;
        bool notPlain;
    } cases[] = {{0, true},    {'\t', true}, {'\n', true},  {' ', true},   {'"', true},  {'!', false},
                 {',', false}, {'0', false}, {0x7F, false}, {0x80, false}, {0xFF, false}};
    for (const auto& c : cases) {
        EXPECT_EQ(notPlainByte(c.byte), c.notPlain) << int{c.byte};
    }
}

// Every window of every text, from every start, against the byte-by-byte reference: windows of 0 to 64 bytes
// that end inside the text and at its very end, on either side of line ends.
TEST(ByteScanTest, MatchesScalarOnRandomTexts)
{
    std::mt19937 random(20261209);
    std::uniform_int_distribution<std::size_t> sizes(0, 150);
    for (const Mix& mix : mixes()) {
        SCOPED_TRACE(mix.name);
        for (int round = 0; round < 150; ++round) {
            const std::size_t size = sizes(random);
            const auto text = randomText(random, mix.bytes, size);
            for (std::size_t from = 0; from <= size; ++from) {
                SCOPED_TRACE(testing::Message() << "size " << size << " from " << from);
                const std::size_t longest = std::min<std::size_t>(64, size - from);
                for (const std::size_t length : {longest, longest / 2, std::size_t{16}, std::size_t{17}}) {
                    if (length > longest) {
                        continue;
                    }
                    const LineMasks line = ByteScan::lineMasks(text.get() + from, length);
                    const LineMasks lineRef = ScalarByteScan::lineMasks(text.get() + from, length);
                    EXPECT_EQ(line.lineFeeds, lineRef.lineFeeds);
                    EXPECT_EQ(line.carriageReturns, lineRef.carriageReturns);
                    EXPECT_EQ(line.zeros, lineRef.zeros);
                    const FieldMasks field = ByteScan::fieldMasks(text.get() + from, length);
                    const FieldMasks fieldRef = ScalarByteScan::fieldMasks(text.get() + from, length);
                    EXPECT_EQ(field.lineFeeds, fieldRef.lineFeeds);
                    EXPECT_EQ(field.carriageReturns, fieldRef.carriageReturns);
                    EXPECT_EQ(field.commas, fieldRef.commas);
                    EXPECT_EQ(field.notPlain, fieldRef.notPlain);
                    expectSameMasks(ByteScan::layoutMasks(text.get() + from, length),
                                    ScalarByteScan::layoutMasks(text.get() + from, length));
                }
                if (size - from >= 64) {
                    // The full-window forms the line index pass takes.
                    const LineMasks lineRef = ScalarByteScan::lineMasks(text.get() + from, 64);
                    const LineMasks full = ByteScan::lineMasks(text.get() + from);
                    EXPECT_EQ(full.lineFeeds, lineRef.lineFeeds);
                    EXPECT_EQ(full.carriageReturns, lineRef.carriageReturns);
                    EXPECT_EQ(full.zeros, lineRef.zeros);
                }
                for (const WideScan* wide : wideScans()) {
                    const std::size_t length = std::min<std::size_t>(64, size - from);
                    expectSameMasks(wide->layoutMasks(text.get() + from, length),
                                    ScalarByteScan::layoutMasks(text.get() + from, length));
                }
                EXPECT_EQ(ByteScan::findLineBreak(text.get(), from, size),
                          ScalarByteScan::findLineBreak(text.get(), from, size));
                EXPECT_EQ(ByteScan::findItemEnd(text.get(), from, size),
                          ScalarByteScan::findItemEnd(text.get(), from, size));
            }
        }
    }
}

// The line index of every compiled form against the byte-by-byte one, on texts of every byte mix and of every
// length around a block, with kept starts at every line and every few lines.
TEST(ByteScanTest, IndexesLinesAsTheReferenceDoes)
{
    std::mt19937 random(20261210);
    std::uniform_int_distribution<std::size_t> sizes(0, 400);
    for (const Mix& mix : mixes()) {
        SCOPED_TRACE(mix.name);
        for (int round = 0; round < 100; ++round) {
            const std::size_t size = sizes(random);
            const auto text = randomText(random, mix.bytes, size);
            for (const std::size_t stride : {std::size_t{1}, std::size_t{4}, std::size_t{64}}) {
                const LineIndex expected = WideScan::reference().indexLines(text.get(), size, stride);
                for (const WideScan* wide : wideScans()) {
                    const LineIndex found = wide->indexLines(text.get(), size, stride);
                    EXPECT_EQ(found.length, expected.length) << size;
                    EXPECT_EQ(found.terminators, expected.terminators) << size;
                    EXPECT_EQ(found.starts, expected.starts) << size;
                }
            }
        }
    }
}

// The reference itself on hand-made lines: a wrong reference would pass the comparison above.
TEST(ByteScanTest, ScalarReference)
{
    const std::string text = "1,\"a\" \t\r\n\x80\xFF";
    const LineMasks line = ScalarByteScan::lineMasks(text.data(), text.size() + 1); // the string's closing zero
    EXPECT_EQ(line.lineFeeds, 0b1'0000'0000U);
    EXPECT_EQ(line.carriageReturns, 0b1000'0000U);
    EXPECT_EQ(line.zeros, 0b1000'0000'0000U);
    const FieldMasks field = ScalarByteScan::fieldMasks(text.data(), text.size());
    EXPECT_EQ(field.commas, 0b10U);
    EXPECT_EQ(field.notPlain, 0b1'1111'0100U);
    // A byte above 127 whose low seven bits are a digit's is no digit.
    const std::string layoutText = "1.5;,\t \"\r\n9\xB9";
    const LayoutMasks layout = ScalarByteScan::layoutMasks(layoutText.data(), layoutText.size());
    EXPECT_EQ(layout.digits, 0b100'0000'0101U);
    EXPECT_EQ(layout.points, 0b10U);
    EXPECT_EQ(layout.semicolons, 0b1000U);
    EXPECT_EQ(layout.commas, 0b1'0000U);
    EXPECT_EQ(layout.tabs, 0b10'0000U);
    EXPECT_EQ(layout.blanks, 0b100'0000U);
    EXPECT_EQ(layout.odd, 0b1'1000'0000U);
    EXPECT_EQ(layout.breaks, 0b11'0000'0000U);
    EXPECT_EQ(ScalarByteScan::findLineBreak(text.data(), 0, text.size()), 7U);
    EXPECT_EQ(ScalarByteScan::findLineBreak(text.data(), 9, text.size()), text.size());
    EXPECT_EQ(ScalarByteScan::findItemEnd(text.data(), 0, text.size()), 1U);
    EXPECT_EQ(ScalarByteScan::findItemEnd(text.data(), 2, text.size()), 5U);
    EXPECT_EQ(ScalarByteScan::findItemEnd(text.data(), 9, text.size()), text.size());
}

} // namespace
} // namespace velmora
