#pragma once

// The text pieces every rewriting of another layout is made of: cutting a line into trimmed, unquoted fields,
// and the pen that writes the rewritten line.

#include "input/layout/SourceLayout.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring> // memcpy
#include <optional>
#include <string_view>

namespace velmora::layout {

inline bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

inline bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

/// The bits below bit i.
constexpr std::uint64_t bitsBelow(unsigned i)
{
    return i >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << i) - 1;
}

// Inline, as are digits() and the pen: the general rewriting calls them for every field, and as calls into
// another file they cost it 6 to 8% (rewriting a year of ISO 8601 lines cut at blanks, best of 30: 195.7 to
// 202.7 ns a line against 185.7 to 188.4; bench/README.md, "Kept tricks").

/// The text without blanks and carriage returns at either end.
inline std::string_view trim(std::string_view text)
{
    while (!text.empty() && (isBlank(text.front()) || text.front() == '\r')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (isBlank(text.back()) || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

/// trim(), then the quotes around the whole text, if any, and trim() again inside them.
inline std::string_view unquote(std::string_view text)
{
    text = trim(text);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        text = trim(text.substr(1, text.size() - 2));
    }
    return text;
}

/// The separator a line is cut at: the layout's own, or under FieldSeparator::Any a tab where the line has one,
/// else a semicolon, else a comma, else ' ' (runs of blanks).
char separatorOf(std::string_view line, FieldSeparator separator);

constexpr std::size_t MaxFields = 32;

struct Fields
{
    /// Left unset beyond count: a line has a handful of fields, and clearing all of them cost more than cutting.
    struct Span
    {
        const char* data;
        std::size_t size;
    };
    std::array<Span, MaxFields> items; // NOLINT(cppcoreguidelines-pro-type-member-init)
    std::size_t count = 0;

    std::string_view operator[](std::size_t i) const
    {
        return i < count ? std::string_view{items[i].data, items[i].size} : std::string_view{};
    }
};

/// Cuts at every separator (at every run of blanks for ' '); each field trimmed of blanks and its own quotes.
Fields splitFields(std::string_view line, char separator);

/// Whole number of exactly the text's digits, at most four of them.
inline std::optional<int> digits(std::string_view text)
{
    if (text.empty() || text.size() > 4) {
        return std::nullopt;
    }
    int value = 0;
    for (const char c : text) {
        if (!isDigit(c)) {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

/// Writes a rewritten line through a raw pointer into room made for the whole line beforehand: a line is a few
/// dozen bytes in many small pieces, and appending each piece to a string cost more than reading the line.
struct Pen
{
    char* at;

    void put(char c) { *at++ = c; }
    void put(std::string_view text)
    {
        const std::size_t size = text.size();
        const char* from = text.data();
        // An empty view may hold no pointer at all, which memcpy must not be given.
        if (size != 0) {
            std::memcpy(at, from, size);
        }
        at += size;
    }
    void putTwo(int value)
    {
        put(static_cast<char>('0' + value / 10));
        put(static_cast<char>('0' + value % 10));
    }
    /// A whole number of at most four digits (a year) as std::to_string writes it.
    void putNumber(int value)
    {
        if (value >= 1000) {
            put(static_cast<char>('0' + value / 1000));
        }
        if (value >= 100) {
            put(static_cast<char>('0' + value / 100 % 10));
        }
        if (value >= 10) {
            put(static_cast<char>('0' + value / 10 % 10));
        }
        put(static_cast<char>('0' + value % 10));
    }
};

} // namespace velmora::layout
