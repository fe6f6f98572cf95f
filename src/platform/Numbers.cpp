#include "platform/Numbers.h"

#include "platform/RunError.h"

#include <charconv>

namespace velmora {

std::optional<std::int32_t> parseInt(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size()) {
        return std::nullopt;
    }
    std::int64_t magnitude = 0;
    const char* first = text.data() + i;
    const char* last = text.data() + text.size();
    // Digits only: from_chars would take a second sign or leading blanks for us otherwise.
    if (*first == '+' || *first == '-') {
        return std::nullopt;
    }
    auto [end, error] = std::from_chars(first, last, magnitude, base);
    if (error != std::errc() || end != last) {
        return std::nullopt;
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value < INT32_MIN || value > INT32_MAX) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

std::int32_t StrToInt(std::string_view text)
{
    if (auto value = parseInt(text)) {
        return *value;
    }
    throw notAnInteger(text);
}

} // namespace velmora
