#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

/// The layout of a MetaTrader 4 history file, version 401: a 148-byte header, then one 60-byte record per bar,
/// every number little-endian and nothing padded. A C++ struct of the record's fields would be aligned to 64
/// bytes, so the fields are written and read one by one.
namespace velmora::hst {

inline constexpr std::int32_t Version = 401;
inline constexpr std::size_t HeaderBytes = 148;
inline constexpr std::size_t RecordBytes = 60;
inline constexpr std::size_t CopyrightBytes = 64;
inline constexpr std::size_t SymbolBytes = 12;

struct Header
{
    std::int32_t version = Version;
    std::string copyright;
    std::string symbol;
    std::int32_t period = 0; ///< minutes
    std::int32_t digits = 0;
    std::int32_t timeSign = 0; ///< when the file was made, seconds since 1970
};

struct Record
{
    std::int64_t time = 0; ///< seconds since 1970-01-01 00:00 of the labels' clock
    double open = 0.0;
    double high = 0.0;
    double low = 0.0;
    double close = 0.0;
    std::int64_t tickVolume = 0;
    std::int32_t spread = 0;
    std::int64_t realVolume = 0;
};

void appendHeader(std::string& out, const Header& header);
void appendRecord(std::string& out, const Record& record);

/// The header of a file's bytes; std::nullopt when they are too short or of another version.
std::optional<Header> readHeader(std::string_view bytes);
/// The number of whole records after the header.
std::size_t recordCount(std::string_view bytes);
/// Record index (0 the first); the caller checks the index against recordCount().
Record readRecord(std::string_view bytes, std::size_t index);

/// True when the file's name ends in ".hst" (any letter case): the readers of bar files take it as one.
bool isHstName(std::string_view name);

} // namespace velmora::hst
