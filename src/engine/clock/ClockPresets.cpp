#include "engine/clock/ClockPresets.h"

#include <array>

namespace velmora {

namespace {

// The window of the world's currency market, Sunday 17:00 to Friday 17:00 New York, is where most data lives;
// the broker clock (New York + 7) shows it as Monday 00:00 to Saturday 00:00.
constexpr std::array<ClockPreset, 5> Presets{{
    {"file", "ファイルの時計のまま (既定)", "", "", "", "17:00", 1, "17:00", 6, "17:00"},
    {"utc-new-york", "UTC のデータからニューヨーク 17:00 締め", "UTC", "America/New_York", "America/New_York", "17:00",
     1, "17:00", 6, "17:00"},
    {"broker", "ブローカー時間 (ニューヨーク + 7) のデータ", "NY+7", "NY+7", "NY+7", "00:00", 2, "00:00", 7, "00:00"},
    {"tokyo-new-york", "日本時間のデータからニューヨーク 17:00 締め", "Asia/Tokyo", "America/New_York", "Asia/Tokyo",
     "17:00", 1, "17:00", 6, "17:00"},
    {"tokyo-session", "東京市場 (9:00–15:00)", "Asia/Tokyo", "Asia/Tokyo", "Asia/Tokyo", "09:00", 2, "09:00", 6,
     "15:00"},
}};

ClockChoice specOf(std::string_view text)
{
    std::string ignored;
    return parseClock(text, ignored).value_or(ClockChoice{});
}

} // namespace

std::span<const ClockPreset> clockPresets()
{
    return Presets;
}

const ClockPreset* clockPresetNamed(std::string_view name)
{
    for (const ClockPreset& preset : Presets) {
        if (preset.name == name) {
            return &preset;
        }
    }
    return nullptr;
}

ClockSettings clocksOf(const ClockPreset& preset)
{
    return {specOf(preset.source), specOf(preset.market), specOf(preset.label)};
}

} // namespace velmora
