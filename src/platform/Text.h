#pragma once

#include <filesystem>
#include <optional>
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

/// The path that UTF-8 text names. Texts hold paths in UTF-8 everywhere (command line, settings file, log), but
/// std::filesystem::path(std::string) reads its bytes in the system's own code page on Windows: every text that
/// becomes a path goes through here, so that a Japanese folder name stays the same folder.
std::filesystem::path pathFromText(std::string_view text);

/// True when the bytes are well-formed UTF-8 (no overlong form, surrogate or code point above U+10FFFF).
bool isValidUtf8(std::string_view text);

/// A text a Windows program wrote (its settings file): kept when it is valid UTF-8, else read in the system's
/// code page (Shift-JIS on a Japanese Windows) and given as UTF-8. Elsewhere the bytes as they are.
std::string textFromOtherProgram(std::string_view bytes);

/// Shift-JIS bytes as UTF-8 through Windows' code page 932; std::nullopt elsewhere, where no converter of the
/// system's is at hand.
std::optional<std::string> utf8FromShiftJis(std::string_view bytes);

/// The last part of the path that UTF-8 text names, as UTF-8 text: the name a log line shows for a file.
std::string fileNameText(std::string_view text);

/// The text without spaces and tabs at either end.
std::string_view trimBlanks(std::string_view text);

} // namespace velmora
