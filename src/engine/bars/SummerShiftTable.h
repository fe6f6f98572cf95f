#pragma once

#include "input/DateTimeText.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

/// One period of the summer-time table: labels from start (inclusive) to end (exclusive) move by shift.
struct SummerPeriod
{
    MinuteStamp start = 0;
    MinuteStamp end = 0;
    std::int32_t shift = 0; ///< minutes, may be negative
};

/// The minute stamp of a period text: a date with "/" between year, month and day ("2008/03/09"), then
/// optionally blanks and a time of day with or without seconds ("2:00", "2:00:00"); seconds are dropped.
/// A time alone stands for that time on 1899-12-30. currentYear places years written with two digits.
std::optional<MinuteStamp> parsePeriodText(std::string_view text, int currentYear);

/// The summer-time periods of a run, in the order of the dialog's rows.
class SummerShiftTable
{
public:
    /// Rebuilds the table from the dialog's three lists, rows paired by position. Throws RunError, leaving
    /// the table empty, for a start row without its end or shift row, a period text that is not a date and
    /// time, or a shift that is not a whole number ("'%s' は整数ではありません").
    void LoadForRun(std::span<const std::string> starts, std::span<const std::string> ends,
                    std::span<const std::string> shifts, int currentYear);

    /// The shift of the first period, in row order, that holds the stamp; 0 when none does.
    std::int32_t ShiftAt(MinuteStamp stamp) const;

    const std::vector<SummerPeriod>& periods() const { return m_periods; }

private:
    std::vector<SummerPeriod> m_periods;
};

/// "夏時間の設定の %d 行目に終了日時または時差がありません。…": a start row without its partners.
std::string summerRowIncompleteMessage(std::size_t rowNumber);
/// "'%s' は日付と時刻ではありません"
std::string notADateTimeMessage(std::string_view text);

} // namespace velmora
