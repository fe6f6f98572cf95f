#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace velmora {

/// Reads a whole number the way the settings boxes, timeframe entries and time pieces are read: optional
/// leading spaces, an optional sign, decimal digits, nothing after. Returns std::nullopt for anything else,
/// including an empty text, a blank other than a space, trailing spaces and a value outside 32 bits.
/// Hexadecimal is not read here: the settings file's "0x" rule belongs to the settings reader.
std::optional<std::int32_t> parseInt(std::string_view text);

/// parseInt, or the run-ending error "'%s' は整数ではありません" with the text.
std::int32_t StrToInt(std::string_view text);

} // namespace velmora
