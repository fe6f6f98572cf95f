#pragma once

#include <string>
#include <string_view>

namespace velmora {

/// The text with every occurrence of pattern replaced, found left to right, each search resuming just after
/// the previous occurrence; exact and case-sensitive, never starting inside a multi-byte character.
std::string ReplaceAll(std::string_view text, std::string_view pattern, std::string_view replacement);

} // namespace velmora
