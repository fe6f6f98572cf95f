#pragma once

#include "engine/clock/ClockChoice.h"

#include <span>
#include <string>
#include <string_view>

namespace velmora {

/// A way traders set up their clocks, all at once: the three clocks, the cut time and the weekly market window
/// (given in the market clock).
struct ClockPreset
{
    std::string_view name;    ///< for velmora-convert's --clock-preset
    std::string_view caption; ///< as the clock dialog lists it
    std::string_view source;  ///< clock texts as parseClock reads them
    std::string_view market;
    std::string_view label;
    std::string_view cutTime;
    int openDay; ///< 1 = Sunday … 7 = Saturday
    std::string_view openTime;
    int closeDay;
    std::string_view closeTime;
};

/// The presets, the file's own clock (the defaults) first.
std::span<const ClockPreset> clockPresets();

/// The preset of a name, or null.
const ClockPreset* clockPresetNamed(std::string_view name);

/// The three clocks of a preset.
ClockSettings clocksOf(const ClockPreset& preset);

} // namespace velmora
