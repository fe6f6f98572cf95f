#include "engine/bars/SummerShiftTable.h"

#include "platform/Numbers.h"
#include "platform/RunError.h"

namespace velmora {

namespace {

MinuteStamp periodStamp(std::string_view text, int currentYear)
{
    if (auto stamp = parsePeriodText(text, currentYear)) {
        return *stamp;
    }
    throw RunError(notADateTimeMessage(text));
}

} // namespace

void SummerShiftTable::LoadForRun(std::span<const std::string> starts, std::span<const std::string> ends,
                                  std::span<const std::string> shifts, int currentYear)
{
    m_periods.clear();
    std::vector<SummerPeriod> periods;
    periods.reserve(starts.size());
    for (std::size_t row = 0; row < starts.size(); ++row) {
        if (row >= ends.size() || row >= shifts.size()) {
            throw RunError(summerRowIncompleteMessage(row + 1));
        }
        SummerPeriod period;
        period.start = periodStamp(starts[row], currentYear);
        period.end = periodStamp(ends[row], currentYear);
        period.shift = StrToInt(shifts[row]);
        periods.push_back(period);
    }
    m_periods = std::move(periods);
}

std::int32_t SummerShiftTable::ShiftAt(MinuteStamp stamp) const
{
    for (const SummerPeriod& period : m_periods) {
        if (period.start <= stamp && stamp < period.end) {
            return period.shift;
        }
    }
    return 0;
}

} // namespace velmora
