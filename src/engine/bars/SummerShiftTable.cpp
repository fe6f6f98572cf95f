#include "engine/bars/SummerShiftTable.h"

#include "platform/Numbers.h"
#include "platform/RunError.h"
#include "platform/Text.h"

#include <cmath>

namespace velmora {

namespace {

std::optional<std::int32_t> minuteOfDay(std::string_view timeText)
{
    const auto fraction = parseTimeText(timeText);
    if (!fraction) {
        return std::nullopt;
    }
    // Whole milliseconds first, so that 2:00 never comes out as 1:59.999.
    const auto ms = std::llround(*fraction * 86'400'000.0);
    return static_cast<std::int32_t>(ms / 60'000);
}

MinuteStamp periodStamp(std::string_view text, int currentYear)
{
    if (auto stamp = parsePeriodText(text, currentYear)) {
        return *stamp;
    }
    throw RunError(notADateTimeMessage(text));
}

} // namespace

std::optional<MinuteStamp> parsePeriodText(std::string_view text, int currentYear)
{
    text = trimBlanks(text);
    const auto blank = text.find_first_of(" \t");
    const std::string_view datePart = text.substr(0, blank);
    const std::string_view timePart =
        blank == std::string_view::npos ? std::string_view() : trimBlanks(text.substr(blank));

    const auto days = parseDateText(datePart, '/', currentYear);
    if (!days) {
        if (blank != std::string_view::npos) {
            return std::nullopt;
        }
        return minuteOfDay(text);
    }
    std::int32_t minutes = 0;
    if (!timePart.empty()) {
        const auto minute = minuteOfDay(timePart);
        if (!minute) {
            return std::nullopt;
        }
        minutes = *minute;
    }
    const std::int64_t stamp = std::int64_t{*days} * 1440 + minutes;
    if (stamp > INT32_MAX || stamp < INT32_MIN) {
        return std::nullopt;
    }
    return static_cast<MinuteStamp>(stamp);
}

std::string summerRowIncompleteMessage(std::size_t rowNumber)
{
    return "夏時間の設定の " + std::to_string(rowNumber) +
           " 行目に終了日時または時差がありません。\r夏時間の設定画面で、その行を入力し直してください";
}

std::string notADateTimeMessage(std::string_view text)
{
    return "'" + std::string(text) + "' は日付と時刻ではありません";
}

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
