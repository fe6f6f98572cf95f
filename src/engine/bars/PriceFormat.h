#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

/// How high and low prices are written for one source file: with as many decimals as its sampled prices
/// show at most.
class PriceFormat
{
public:
    /// More decimals than a double carries would only print noise, and would overflow the scaled integer.
    static constexpr int MaxDecimals = 15;
    /// Room that render() needs at most: sign, up to 309 integer digits of a huge double, point, decimals.
    static constexpr std::size_t MaxChars = 1 + 309 + 1 + MaxDecimals;

    PriceFormat() = default;
    /// Clamped to 0 … MaxDecimals.
    explicit PriceFormat(int decimals);

    int decimals() const { return m_decimals; }
    std::int64_t multiplier() const { return m_multiplier; }

    /// The lines of a file that detection samples, from the first usable line on: 100 lines spread evenly
    /// when 200 or more lines follow it; otherwise every line when there are at most 100, else 100 lines
    /// spread evenly over them. Never a line before firstUsable or past the end.
    static std::vector<std::size_t> sampleLines(std::size_t lineCount, std::size_t firstUsable);

    /// The greatest count of digits after the first "." over the open, high, low and close fields of the
    /// sampled lines, the date being field dateField (1-based). Missing fields are passed over.
    static PriceFormat detect(std::size_t lineCount, std::size_t firstUsable, std::int32_t dateField,
                              const std::function<std::string_view(std::size_t)>& lineAt);
    static PriceFormat detect(std::span<const std::string> lines, std::size_t firstUsable, std::int32_t dateField);

    /// Writes the value scaled to whole units of the last decimal, halves to the even unit, into out
    /// (at least MaxChars bytes) and returns the end of what it wrote. Values below 1 get "0."; with no
    /// decimals no point is written. A negative value is written as its magnitude behind a "-".
    char* render(double value, char* out) const;

    /// The nearest double to the text render() writes for the value, without writing it.
    double written(double value) const;

    /// render() appended to a caller's buffer; allocates only while the buffer grows.
    void appendTo(std::string& out, double value) const;

private:
    int m_decimals = 0;
    std::int64_t m_multiplier = 1;
};

} // namespace velmora
