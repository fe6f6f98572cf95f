#pragma once

#include "engine/settings/RunBoxes.h"
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

} // namespace velmora
