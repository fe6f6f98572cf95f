#include "platform/Text.h"

namespace velmora {

namespace {

bool isContinuationByte(char byte)
{
    return (static_cast<unsigned char>(byte) & 0xC0U) == 0x80U;
}

} // namespace

std::string ReplaceAll(std::string_view text, std::string_view pattern, std::string_view replacement)
{
    if (pattern.empty()) {
        return std::string(text);
    }
    std::string result;
    result.reserve(text.size());
    std::size_t copied = 0;
    std::size_t from = 0;
    // Only a pattern ending in a non-ASCII byte can end part-way through a character.
    const bool checkEnd = static_cast<unsigned char>(pattern.back()) >= 0x80U;
    while (true) {
        const std::size_t at = text.find(pattern, from);
        if (at == std::string_view::npos) {
            break;
        }
        const std::size_t end = at + pattern.size();
        // A hit on a continuation byte at either edge would split a character; look one byte further on.
        if (isContinuationByte(text[at]) || (checkEnd && end < text.size() && isContinuationByte(text[end]))) {
            from = at + 1;
            continue;
        }
        result.append(text, copied, at - copied);
        result.append(replacement);
        copied = end;
        from = end;
    }
    result.append(text, copied);
    return result;
}

std::string_view trimBlanks(std::string_view text)
{
    while (!text.empty() && isSpaceOrTab(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isSpaceOrTab(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::filesystem::path pathFromText(std::string_view text)
{
    return {std::u8string(text.begin(), text.end())};
}

std::string pathText(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

} // namespace velmora
