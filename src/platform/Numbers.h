#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace velmora {

/// Reads a whole number the way the settings boxes and source fields are read: optional leading blanks, an
/// optional sign, decimal digits, nothing after. "0x"/"$" hexadecimal is accepted too, as the platform's
/// integer conversion does. Returns std::nullopt for anything else, including a value outside 32 bits.
std::optional<std::int32_t> parseInt(std::string_view text);

/// parseInt, or the run-ending error "'%s' は整数ではありません" with the text.
std::int32_t StrToInt(std::string_view text);

} // namespace velmora
