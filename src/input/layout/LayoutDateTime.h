#pragma once

// Dates, times and zones as other layouts write them. Not the usual reader's date rules (DateTimeText): these
// take the three orders of a date, compact dates and a fixed window for two-digit years, and write what they read
// in the usual reader's shape ("YYYY/MM/DD", "HH:MM:SS"), which it then reads as it reads every usual line.

#include "input/layout/LayoutText.h"
#include "input/layout/SourceLayout.h"
#include "platform/Clock.h" // CivilDate

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace velmora::layout {

/// The usual ten-character date, "yyyy-mm-dd" year-first or "dd.mm.yyyy" otherwise (any non-digit between the
/// parts), read by position: readDate gives the same for it, and nearly every line has one. The text holds at
/// least ten bytes.
std::optional<CivilDate> readDateOfTen(std::string_view text, DateOrder order);

/// A valid date in the given order: compact (20220815, 15082022, 220815) or three runs of digits with one
/// separator byte between them; a two-digit year by the fixed window of 50 (00–49 are 2000–2049).
std::optional<CivilDate> readDate(std::string_view text, DateOrder order);

/// dateField - 1 filler fields, then the date as the usual reader takes it, "YYYY/MM/DD,".
void writeDate(const CivilDate& date, std::size_t fillers, Pen& pen);

/// A time "HH:MM", "HH:MM:SS", "HH:MM:SS.fff" or compact "HHMM", "HHMMSS" at the start of the text, written out
/// as "HH:MM:SS[.fff]"; end is where it ends (a zone may follow). An offset rather than the view of the rest: a
/// view written by a call in two halves and read back at once in one stalls the processor (rewriting a year of
/// lines cut at blanks, best of 30: 198.8 to 199.4 ns a line with the view, 183.3 to 183.6 with the offset).
bool readTime(std::string_view text, Pen& out, std::size_t& end);

/// A moment given as seconds or milliseconds since 1970-01-01 00:00 UTC.
struct EpochMoment
{
    std::int64_t day = 0; ///< days since 1970-01-01
    int secondOfDay = 0;
    int millisecond = -1; ///< -1 for a moment in whole seconds
};

/// Seconds (10 digits) or milliseconds (13 digits) since 1970; std::nullopt for any other text.
std::optional<EpochMoment> readEpoch(std::string_view text);

/// The time of the moment, "HH:MM:SS[.fff]".
void writeEpochTime(const EpochMoment& moment, Pen& pen);

/// readEpoch() written as the date, its break and the time ("YYYY/MM/DD,HH:MM:SS[.fff]") after dateField - 1
/// filler fields; false for any other text.
bool writeEpoch(std::string_view text, std::size_t fillers, Pen& pen);

/// A zone after the time: "Z", an offset "+0300", "-05:00", or a word "GMT", "UTC" with or without an offset.
bool isZone(std::string_view text);

} // namespace velmora::layout
