#pragma once

#include "engine/bars/PriceFormat.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace velmora {

/// A bar as the walk closes it: what the usual bar line is written from.
struct ClosedBar
{
    double label = 0.0; ///< a date-time value after every shift, as BarLine::append() takes it
    bool daily = false;
    std::string_view open;
    double high = 0.0;
    double low = 0.0;
    std::string_view close;
    const PriceFormat* prices = nullptr; ///< how high and low are written
    /// With the volume option: the volumes added up (or the lines counted) and their most decimals.
    double volume = 0.0;
    std::uint8_t volumeDecimals = 0;
    std::size_t lineCount = 0; ///< 0 for a fill bar
};

/// Room for the volume field of a bar line.
using VolumeRoom = std::array<char, 400>;

/// The volume field as the usual bar line writes it: "0" for a fill bar, else the sum with as many decimals as
/// the most precise volume added, so that sums of two-decimal volumes do not show the binary fractions of
/// their sum.
std::string_view volumeText(const ClosedBar& bar, VolumeRoom& room);

/// Writes a job's bars in another layout than the usual bar line, bar by bar as the walk closes them, into the
/// job's output. The walk knows no layout: it hands each bar over.
class BarWriter
{
public:
    virtual ~BarWriter() = default;
    BarWriter() = default;
    BarWriter(const BarWriter&) = delete;
    BarWriter& operator=(const BarWriter&) = delete;

    virtual void append(std::string& out, const ClosedBar& bar) = 0;
    /// Once every bar is written: the bytes that take the place of the output's first ones (a header that
    /// depends on all the bars), or nothing.
    virtual std::string front() const { return {}; }
};

} // namespace velmora
