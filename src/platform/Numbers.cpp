#include "platform/Numbers.h"

#include "platform/RunError.h"

#include <charconv>
#include <limits>

namespace velmora {

std::optional<std::int32_t> parseInt(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const char* first = text.data() + i;
    const char* last = text.data() + text.size();
    // from_chars would take a second sign itself; only digits may follow the one sign read above.
    if (first == last || *first < '0' || *first > '9') {
        return std::nullopt;
    }
    std::uint64_t magnitude = 0;
    auto [end, error] = std::from_chars(first, last, magnitude);
    if (error != std::errc() || end != last) {
        return std::nullopt;
    }
    // The negative range reaches one further than the positive one: "-2147483648" is a whole number.
    const std::uint64_t limit =
        negative ? std::uint64_t{1} << 31U : std::uint64_t{std::numeric_limits<std::int32_t>::max()};
    if (magnitude > limit) {
        return std::nullopt;
    }
    const auto value = static_cast<std::int64_t>(magnitude);
    return static_cast<std::int32_t>(negative ? -value : value);
}

std::int32_t StrToInt(std::string_view text)
{
    if (auto value = parseInt(text)) {
        return *value;
    }
    throw notAnInteger(text);
}

} // namespace velmora
