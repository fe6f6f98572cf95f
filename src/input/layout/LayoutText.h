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

/// The text without blanks and carriage returns at either end.
std::string_view trim(std::string_view text);
/// trim(), then the quotes around the whole text, if any, and trim() again inside them.
std::string_view unquote(std::string_view text);

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
std::optional<int> digits(std::string_view text);

/// Writes a rewritten line through a raw pointer into room made for the whole line beforehand: a line is a few
/// dozen bytes in many small pieces, and appending each piece to a string cost more than reading the line.
struct Pen
{
    char* at;

    void put(char c) { *at++ = c; }
    // Always inline: the quick rewriting writes a dozen pieces a line, and in a file of its own GCC left this out
    // of line there. Callgrind, the default job on 20,000 lines (bench/README.md, "Kept tricks"): semicolons and
    // decimal commas 57.75 M instructions out of line against 57.12 M inline, ISO 8601 56.90 M against 56.64 M,
    // day-first ticks 54.98 M against 55.28 M.
    [[gnu::always_inline]] void put(std::string_view text)
    {
        const std::size_t size = text.size();
        const char* from = text.data();
        // Most pieces are a few bytes: copied in two overlapping words of fixed size, which compile to moves,
        // rather than through a call (day-first ticks 55.28 M instructions against 56.29 M with one memcpy,
        // ISO 8601 56.64 M against 56.93 M). An empty view may hold no pointer at all, which memcpy must not be
        // given.
        if (size >= 8 && size <= 16) {
            std::memcpy(at, from, 8);
            std::memcpy(at + size - 8, from + size - 8, 8);
        } else if (size >= 4 && size < 8) {
            std::memcpy(at, from, 4);
            std::memcpy(at + size - 4, from + size - 4, 4);
        } else if (size > 16) {
            std::memcpy(at, from, size);
        } else {
            for (std::size_t i = 0; i < size; ++i) {
                at[i] = from[i];
            }
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
