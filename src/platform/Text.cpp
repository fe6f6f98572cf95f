#include "platform/Text.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace velmora {

namespace {

bool isContinuationByte(char byte)
{
    return (static_cast<unsigned char>(byte) & 0xC0U) == 0x80U;
}

/// The length of the UTF-8 sequence a lead byte opens, 0 for a byte no sequence starts with.
int sequenceLength(unsigned char lead)
{
    if (lead < 0x80U) {
        return 1;
    }
    if (lead >= 0xC2U && lead <= 0xDFU) {
        return 2;
    }
    if (lead >= 0xE0U && lead <= 0xEFU) {
        return 3;
    }
    if (lead >= 0xF0U && lead <= 0xF4U) {
        return 4;
    }
    return 0;
}

#ifdef _WIN32
std::string utf8FromCodePage(unsigned codePage, std::string_view bytes)
{
    const int size = static_cast<int>(bytes.size());
    const int wideSize = MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(wideSize), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), size, wide.data(), wideSize);
    const int utf8Size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideSize, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(utf8Size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideSize, text.data(), utf8Size, nullptr, nullptr);
    return text;
}
#endif

} // namespace

bool isValidUtf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int length = sequenceLength(lead);
        if (length == 0 || text.size() - i < static_cast<std::size_t>(length)) {
            return false;
        }
        for (int k = 1; k < length; ++k) {
            if (!isContinuationByte(text[i + static_cast<std::size_t>(k)])) {
                return false;
            }
        }
        // Overlong three- and four-byte forms, UTF-16 surrogates and code points above U+10FFFF.
        const auto second = static_cast<unsigned char>(length > 1 ? text[i + 1] : 0);
        if ((lead == 0xE0U && second < 0xA0U) || (lead == 0xEDU && second > 0x9FU) ||
            (lead == 0xF0U && second < 0x90U) || (lead == 0xF4U && second > 0x8FU)) {
            return false;
        }
        i += static_cast<std::size_t>(length);
    }
    return true;
}

std::string textFromOtherProgram(std::string_view bytes)
{
#ifdef _WIN32
    if (!isValidUtf8(bytes)) {
        return utf8FromCodePage(CP_ACP, bytes);
    }
#endif
    return std::string(bytes);
}

std::optional<std::string> utf8FromShiftJis(std::string_view bytes)
{
#ifdef _WIN32
    constexpr unsigned ShiftJisCodePage = 932;
    return utf8FromCodePage(ShiftJisCodePage, bytes);
#else
    static_cast<void>(bytes);
    return std::nullopt;
#endif
}

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

std::string fileNameText(std::string_view text)
{
    return pathText(pathFromText(text).filename());
}

} // namespace velmora
