#pragma once

#include "engine/clock/ClockChoice.h"
#include "input/DateTimeText.h"
#include "platform/MessageSink.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// The typed boxes a run reads: how the run reads each one, what it refuses and the message it refuses with.
// The run, the windows and the headless tool check a box through the same function, so that they refuse
// alike. (The output separator box's caption and its refusal of a multi-byte character are the date reader's,
// in input/DateTimeText.)

// ---- The main window's boxes

/// The time-zone box (whole hours, optionally signed) as days; "'%s' は整数ではありません" otherwise.
double timeZoneShiftFromBox(std::string_view hoursText);

/// The date field position box as a whole number; "'%s' は整数ではありません" otherwise.
std::int32_t dateFieldFromBox(std::string_view text);

/// The output separator box's first byte, '\0' for an empty box (which the run refuses before it reads
/// this). A box that starts with a multi-byte character also gives '\0': half a character written between
/// every year, month and day would corrupt every output line, so such a box is refused by the caller.
char separatorFromBox(std::string_view text);

/// True when the box text starts with a character that can stand as a one-byte date separator.
bool isUsableSeparatorBox(std::string_view text);

/// The refusal of an empty output separator box, which keeps a run from starting; std::nullopt otherwise.
std::optional<std::string> emptySeparatorBoxRefusal(std::string_view text);

/// The refusal of an empty extension box while the extension is forced, which keeps a run from starting.
std::optional<std::string> extensionBoxRefusal(bool forceExtension, std::string_view extension);

/// The cut time box in minutes of the day. A text without ":" (or one TimeStrToInt refuses) ends the run with
/// "基準区切り時刻 '%s' には時と分を区切る ":" がありません。…"; messages receives what TimeStrToInt shows.
std::int32_t cutMinutesFromBox(std::string_view text, MessageSink& messages);

/// A market-window time box in minutes of the day, seconds ignored; "'%s' は時刻ではありません" otherwise.
int marketMinutesFromBox(std::string_view text);

// ---- The timeframe box and its entries

/// The widest bucket an entry may ask for, in minutes: one hundred years. Wider buckets are of no use, and
/// the bound keeps every bucket edge of the walk inside the 32-bit minute stamps.
constexpr std::int32_t MaxEntryWidth = 1440 * 36600;

/// `count` copies of one signed width in a row. A sequence entry is kept as such runs rather than expanded,
/// so that "5*2000000000" costs one run, not eight gigabytes.
struct WidthRun
{
    std::int32_t width = 0; ///< minutes; below 0 a gap (a bucket that is walked but never written)
    std::int64_t count = 0; ///< at least 1
    bool operator==(const WidthRun&) const = default;
};

/// Why an entry is refused before it runs. Each would leave the bucket walk without progress, make it write
/// nothing for ever, or push bucket edges past the minute stamps.
enum class EntryRefusal {
    NotPositive, ///< a plain width of 0 or below
    NoWidths,    ///< a sequence whose repeat counts add no width at all
    ZeroWidth,   ///< a sequence with a width of 0
    OnlyGaps,    ///< a sequence with no width above 0
    TooWide,     ///< a width beyond MaxEntryWidth
};

/// The message that ends the run for a refused entry.
std::string entryRefusalMessage(EntryRefusal reason, std::string_view entryText);

/// The main window's timeframe box as the run uses it: every "." becomes ",", so "5.60" reads as "5,60".
std::string normaliseTimeframeBox(std::string_view boxText);

/// The timeframe list cut into entry texts, in the order typed; neither sorted nor made unique.
std::vector<std::string> splitTimeframeList(std::string_view listText);

/// The width of a plain entry ("15"): a whole number from 1 to MaxEntryWidth. Ends the run with
/// "'%s' は整数ではありません" or the entry's refusal otherwise.
std::int32_t plainEntryWidth(std::string_view entryText);

/// The widths of a sequence entry ("-60+240", "240*5-60"), in order, as runs; zero repeats leave nothing.
/// A piece or a part around "*" that is not a whole number ends the run with "'%s' は整数ではありません", a
/// width beyond MaxEntryWidth with its refusal.
std::vector<WidthRun> parseWidthSequence(std::string_view entryText);

/// Why a sequence entry's widths are refused, in the order the run looks: none at all, a width of 0, no bar.
std::optional<EntryRefusal> sequenceRefusal(const std::vector<WidthRun>& runs);

// ---- The clock dialog's boxes

/// The message that keeps a run from starting when one of its clocks names a zone the database does not have.
std::optional<std::string> clockRefusal(const ClockSettings& clocks);

// ---- The summer-time dialog's rows

/// The minute stamp of a period text: a date with "/" between year, month and day ("2008/03/09"), then
/// optionally blanks and a time of day with or without seconds ("2:00", "2:00:00"); seconds are dropped.
/// A time alone stands for that time on 1899-12-30. currentYear places years written with two digits.
std::optional<MinuteStamp> parsePeriodText(std::string_view text, int currentYear);

/// A period text as the dialog writes it: "yyyy/mm/dd h:nn:ss" with "/" and ":" whatever the output
/// separators are, and the date alone at midnight. msOfDay is the time of day in milliseconds; the
/// milliseconds themselves are not written.
std::string formatPeriodText(std::int32_t days, std::int32_t msOfDay);
std::string formatPeriodText(MinuteStamp stamp);

/// A typed date and time rewritten as a period text ("2008/3/9 2:00" gives "2008/03/09 2:00:00"), keeping the
/// seconds; std::nullopt when the run could not read the text as a date and time.
std::optional<std::string> normalizedPeriodText(std::string_view typed, int currentYear);

/// "夏時間の設定の %d 行目に終了日時または時差がありません。…": a start row without its partners.
std::string summerRowIncompleteMessage(std::size_t rowNumber);
/// "'%s' は日付と時刻ではありません"
std::string notADateTimeMessage(std::string_view text);

} // namespace velmora
