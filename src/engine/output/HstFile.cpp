#include "engine/output/HstFile.h"

#include <algorithm>
#include <array>
#include <bit>

namespace velmora::hst {

namespace {

constexpr std::size_t ReservedInts = 13;

template <typename Integer> void appendLittle(std::string& out, Integer value)
{
    using Unsigned = std::make_unsigned_t<Integer>;
    auto bits = static_cast<Unsigned>(value);
    for (std::size_t i = 0; i < sizeof(Integer); ++i) {
        out += static_cast<char>(bits & 0xFFU);
        bits = static_cast<Unsigned>(bits >> 8U);
    }
}

template <typename Integer> Integer readLittle(std::string_view bytes, std::size_t at)
{
    using Unsigned = std::make_unsigned_t<Integer>;
    Unsigned bits = 0;
    for (std::size_t i = sizeof(Integer); i-- > 0;) {
        bits = static_cast<Unsigned>((bits << 8U) | static_cast<unsigned char>(bytes[at + i]));
    }
    return static_cast<Integer>(bits);
}

/// Puts the value's bytes, lowest first, at `at`, and returns the place after them.
template <typename Integer> char* storeLittle(char* at, Integer value)
{
    using Unsigned = std::make_unsigned_t<Integer>;
    auto bits = static_cast<Unsigned>(value);
    for (std::size_t i = 0; i < sizeof(Integer); ++i) {
        *at++ = static_cast<char>(bits & 0xFFU);
        bits = static_cast<Unsigned>(bits >> 8U);
    }
    return at;
}

double readDouble(std::string_view bytes, std::size_t at)
{
    return std::bit_cast<double>(readLittle<std::uint64_t>(bytes, at));
}

void appendPadded(std::string& out, std::string_view text, std::size_t size)
{
    const std::string_view kept = text.substr(0, size - 1);
    out += kept;
    out.append(size - kept.size(), '\0');
}

std::string readPadded(std::string_view bytes, std::size_t at, std::size_t size)
{
    const std::string_view field = bytes.substr(at, size);
    return std::string(field.substr(0, std::min(field.find('\0'), field.size())));
}

} // namespace

void appendHeader(std::string& out, const Header& header)
{
    appendLittle(out, header.version);
    appendPadded(out, header.copyright, CopyrightBytes);
    appendPadded(out, header.symbol, SymbolBytes);
    appendLittle(out, header.period);
    appendLittle(out, header.digits);
    appendLittle(out, header.timeSign);
    appendLittle(out, std::int32_t{0}); // last sync
    out.append(ReservedInts * sizeof(std::int32_t), '\0');
}

void appendRecord(std::string& out, const Record& record)
{
    // One append a record: the writer runs over every bar of a job.
    std::array<char, RecordBytes> bytes{};
    char* at = storeLittle(bytes.data(), record.time);
    for (const double price : {record.open, record.high, record.low, record.close}) {
        at = storeLittle(at, std::bit_cast<std::uint64_t>(price));
    }
    at = storeLittle(at, record.tickVolume);
    at = storeLittle(at, record.spread);
    storeLittle(at, record.realVolume);
    out.append(bytes.data(), bytes.size());
}

std::optional<Header> readHeader(std::string_view bytes)
{
    if (bytes.size() < HeaderBytes || readLittle<std::int32_t>(bytes, 0) != Version) {
        return std::nullopt;
    }
    Header header;
    header.copyright = readPadded(bytes, 4, CopyrightBytes);
    header.symbol = readPadded(bytes, 4 + CopyrightBytes, SymbolBytes);
    constexpr std::size_t numbers = 4 + CopyrightBytes + SymbolBytes;
    header.period = readLittle<std::int32_t>(bytes, numbers);
    header.digits = readLittle<std::int32_t>(bytes, numbers + 4);
    header.timeSign = readLittle<std::int32_t>(bytes, numbers + 8);
    return header;
}

std::size_t recordCount(std::string_view bytes)
{
    return bytes.size() < HeaderBytes ? 0 : (bytes.size() - HeaderBytes) / RecordBytes;
}

Record readRecord(std::string_view bytes, std::size_t index)
{
    const std::size_t at = HeaderBytes + index * RecordBytes;
    Record record;
    record.time = readLittle<std::int64_t>(bytes, at);
    record.open = readDouble(bytes, at + 8);
    record.high = readDouble(bytes, at + 16);
    record.low = readDouble(bytes, at + 24);
    record.close = readDouble(bytes, at + 32);
    record.tickVolume = readLittle<std::int64_t>(bytes, at + 40);
    record.spread = readLittle<std::int32_t>(bytes, at + 48);
    record.realVolume = readLittle<std::int64_t>(bytes, at + 52);
    return record;
}

bool isHstName(std::string_view name)
{
    constexpr std::string_view suffix = ".hst";
    if (name.size() < suffix.size()) {
        return false;
    }
    return std::ranges::equal(name.substr(name.size() - suffix.size()), suffix,
                              [](char a, char b) { return (a | 0x20) == b; });
}

} // namespace velmora::hst
