#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace velmora {

/// The text with every occurrence of pattern replaced, found left to right, each search resuming just after
/// the previous occurrence; exact and case-sensitive. A match never starts or ends inside a UTF-8 multi-byte
/// character, so a byte pattern cannot cut a character in two. An empty pattern leaves the text unchanged.
std::string ReplaceAll(std::string_view text, std::string_view pattern, std::string_view replacement);

/// A space or a tab: the blanks that may stand around values in settings and period texts.
constexpr bool isSpaceOrTab(char c)
{
    return c == ' ' || c == '\t';
}

/// A path as the UTF-8 text that messages show.
std::string pathText(const std::filesystem::path& path);

/// The text without spaces and tabs at either end.
std::string_view trimBlanks(std::string_view text);

} // namespace velmora
