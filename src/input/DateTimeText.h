#pragma once

#include "input/CivilDays.h"
#include "platform/MessageSink.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

/// Minutes since 1899-12-30 00:00: whole days × 1440 + hour × 60 + minute, seconds dropped.
using MinuteStamp = std::int32_t;

/// A date-time value: days since 1899-12-30 00:00, the fraction being the time of day.
using DateTimeValue = double;

/// The two one-byte date separators. The caller (the main window, a linkage batch, the headless tool) owns
/// them; they keep their values from one file and one run to the next. '\0' means "none yet".
struct DateSeparators
{
    char input = '\0';  ///< reads source dates; only DetectDateSeparator sets it
    char output = '\0'; ///< writes output dates; '\0' writes nothing between year, month and day
};

/// What the date readers need from their caller: the separators it owns, where message boxes go, and the
/// current year for dates written with a two-digit year or none.
struct DateTextContext
{
    DateSeparators& separators;
    MessageSink& messages;
    int currentYear;
};

/// Sets the input separator to the first non-digit byte of the text, or shows
/// "日付の文字列 + <text> に、数字以外の文字(区切り文字)が見当たりません" and changes nothing.
void DetectDateSeparator(std::string_view dateText, DateTextContext& context);

/// One reading attempt with the given separator (no detection, no message): the date as whole days.
std::optional<std::int32_t> parseDateText(std::string_view dateText, char separator, int currentYear);

/// Reads a date with the input separator, re-detecting the separator once on failure. After the second
/// failure shows "日付の区切り文字の設定に失敗しました(想定外のエラー)" and returns std::nullopt, so that the
/// caller can skip the line instead of building a bar at a bogus time.
std::optional<std::int32_t> ReadDateText(std::string_view dateText, DateTextContext& context);

/// The MinuteStamp of 00:00 of the date, or std::nullopt when ReadDateText failed.
std::optional<MinuteStamp> DateTextToDayMinutes(std::string_view dateText, DateTextContext& context);

/// Reads a time of day ("17", "5:30 PM", "17:30:15.500") as milliseconds since midnight, or std::nullopt
/// when the text is not a time. Exact: callers that want whole minutes divide by 60000 instead of going
/// through the fraction of a day, which would turn 17:00 into 16:59.
std::optional<std::int32_t> parseTimeOfDayMs(std::string_view timeText);

/// Reads a time of day ("17", "5:30 PM", "17:30:15.500") as a fraction of a day, or std::nullopt when the
/// text is not a time.
std::optional<DateTimeValue> parseTimeText(std::string_view timeText);

/// parseTimeText, or the run-ending error "'%s' は時刻ではありません".
DateTimeValue ReadTimeText(std::string_view timeText);

/// A time text cut at every ":" into at most ten pieces, the last one holding the rest of the text; an empty
/// text has no pieces. Views into the text, no allocation.
struct TimePieces
{
    static constexpr int Limit = 10;
    std::array<std::string_view, Limit> pieces{};
    int count = 0;
};
TimePieces splitTimeText(std::string_view timeText);

/// The minutes of the day of an "hh:mm[:ss]" text: hours × 60 + minutes, seconds ignored. When the text has
/// no ":" shows the TimeStrToInt message and returns std::nullopt; a piece that is not a whole number ends
/// the run with "'%s' は整数ではありません", and a result beyond 32 bits with "'%s' は時刻ではありません".
std::optional<std::int32_t> TimeStrToInt(std::string_view timeText, MessageSink& messages);

/// The caption of the output-separator label for a candidate separator box text: today's date written
/// with the box's first byte. std::nullopt when the box is empty (the label stays as it is).
std::optional<std::string> OutputSeparatorCaption(std::string_view boxText, int year, int month, int day);

/// The refusal "<box text> は、日付の区切り文字には使用できません" when the box starts with a multi-byte
/// character, whose first byte alone would write broken characters into every output date; std::nullopt
/// when the box is empty or starts with a one-byte character.
std::optional<std::string> unusableDateSeparatorMessage(std::string_view boxText);

} // namespace velmora
