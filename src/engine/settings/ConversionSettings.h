#pragma once

#include "engine/clock/ClockChoice.h"
#include "engine/settings/OutputChoice.h"
#include "input/BarLabelling.h"
#include "input/layout/SourceLayout.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace velmora {

/// The bar kind the two hidden kind buttons hold: `RadioButton1` ("時間足") for N-minute bars, `RadioButton2`
/// ("日足") for daily bars. Exactly one is on, so one value stands for both. The caller owns it and keeps it
/// from one run to the next; resolving a plain timeframe entry switches it, a sequence entry inherits it.
enum class BarKind {
    Minutes, ///< `RadioButton1` on
    Daily,   ///< `RadioButton2` on
};

/// What a linkage run does with an output that exists: the items of the linkage window's choice, the numbers
/// its settings key stores.
enum class LinkageOverwrite : std::uint8_t {
    /// "元のファイルより新しいファイルになる場合のみ、上書き": rebuild only an output the source has outgrown
    WhenNewer = 0,
    Always = 1, ///< "強制上書き"
};

/// The overwrite policy that a stored item index selects: the first item for 0, the second for any other
/// index, as the choice shows a stored index past its last item as that item.
constexpr LinkageOverwrite overwritePolicyFromIndex(std::int32_t index)
{
    return index == 0 ? LinkageOverwrite::WhenNewer : LinkageOverwrite::Always;
}

/// The options of one conversion run, taken once at its start. The window (or the headless tool) fills it;
/// nothing in the engine reads a control, so a change in the window during the run never reaches the run.
/// The member defaults are the program's defaults.
struct ConversionSettings
{
    // Largest members first, so that the small ones share their words.
    std::string timeframes = "5, 60, 240, 1440"; ///< the timeframe list, split into entries by the run
    std::string timeFormat = "hh:nn:ss";         ///< pattern of the time field
    std::string cutTime = "17:00";               ///< anchor of the bucket grid
    std::string marketOpenTime = "17:00";
    std::string marketCloseTime = "17:00";
    std::string extension = ".txt";
    ClockSettings clocks;           ///< all three the file's own clock unless the user names them
    double timeZoneShiftDays = 0.0; ///< the box's whole hours / 24
    SourceLayout sourceLayout;      ///< section "Input": how source lines are written
    std::int32_t dateField = 1;     ///< 1-based position of the date in a source line
    int marketOpenDay = 1;          ///< 1 = Sunday … 7 = Saturday
    int marketCloseDay = 6;         ///< Friday
    BarLabelling labelling = BarLabelling::ByStart;
    char outputDateSeparator = '/'; ///< '\0' writes nothing between year, month and day
    bool fillGaps = true;
    bool marketWindow = true;
    bool dropTimeInDaily = false;
    bool forceExtension = false;
    bool overwriteWithoutAsking = false;
    bool summerTable = false; ///< the summer-time dialog's "夏時間の設定を有効にする"
    /// A seventh field on every bar: the source's volume (the field after the close) added up over the bar, or
    /// the count of its lines when the file has no such field; 0 on a fill bar. Section "Bars", "AppendVolume".
    bool appendVolume = false;
    OutputChoice output; ///< section "Output": the layout the bars are written in
};

/// A weekday list's item index (0 = "日曜" … 6 = "土曜") as a weekday number, 1 = Sunday … 7 = Saturday.
int weekdayFromListPosition(int position);

} // namespace velmora
