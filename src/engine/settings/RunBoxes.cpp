#include "engine/settings/RunBoxes.h"

#include "engine/clock/ZoneClock.h"
#include "input/CivilDays.h"
#include "input/SplitCommaText.h"
#include "platform/Numbers.h"
#include "platform/RunError.h"
#include "platform/Text.h"

#include <array>
#include <cmath>
#include <cstdio> // snprintf

namespace velmora {

namespace {

constexpr std::int32_t MsPerSecond = 1000;

std::string cutTimeMessage(std::string_view text)
{
    return "基準区切り時刻 '" + std::string(text) +
           "' には時と分を区切る \":\" がありません。\r17:00 のように指定してください";
}

std::int32_t checkedWidth(std::int32_t width, std::string_view entryText)
{
    // Also keeps the magnitude of INT32_MIN from overflowing.
    if (width > MaxEntryWidth || width < -MaxEntryWidth) {
        throw RunError(entryRefusalMessage(EntryRefusal::TooWide, entryText));
    }
    return width;
}

void addPiece(std::string_view piece, std::string_view entryText, std::vector<WidthRun>& runs)
{
    const auto star = piece.find('*');
    if (star == std::string_view::npos) {
        runs.push_back({checkedWidth(StrToInt(piece), entryText), 1});
        return;
    }
    // Parts after the second "*" are ignored, so the count is the text between the first and the second.
    const std::string_view valueText = piece.substr(0, star);
    std::string_view countText = piece.substr(star + 1);
    countText = countText.substr(0, countText.find('*'));
    const std::int32_t value = StrToInt(valueText);
    const std::int32_t count = StrToInt(countText);
    if (count > 0) {
        runs.push_back({checkedWidth(value, entryText), count});
    }
}

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

} // namespace

double timeZoneShiftFromBox(std::string_view hoursText)
{
    return StrToInt(hoursText) / 24.0;
}

std::int32_t dateFieldFromBox(std::string_view text)
{
    return StrToInt(text);
}

bool isUsableSeparatorBox(std::string_view text)
{
    // Bytes from 0x80 up start (or continue) a multi-byte character in the system code page.
    return !text.empty() && static_cast<unsigned char>(text.front()) < 0x80 && text.front() != '\0';
}

char separatorFromBox(std::string_view text)
{
    return isUsableSeparatorBox(text) ? text.front() : '\0';
}

std::optional<std::string> emptySeparatorBoxRefusal(std::string_view text)
{
    if (!text.empty()) {
        return std::nullopt;
    }
    return std::string("「書きだす時の日付の区切り文字」の項目が空です。\r「/」や「-」などを指定してください");
}

std::optional<std::string> extensionBoxRefusal(bool forceExtension, std::string_view extension)
{
    if (!forceExtension || !extension.empty()) {
        return std::nullopt;
    }
    return std::string("「出力ファイルの拡張子を指定」にチェックが付いているのに、拡張子の項目が空です。\r"
                       "「.txt」や「.csv」などを指定するか、チェックを外してください");
}

std::int32_t cutMinutesFromBox(std::string_view text, MessageSink& messages)
{
    // Without ":" the cut time has no minute of the day, and a grid anchored at a made-up time would put
    // every bar in the wrong place: stop before the first job instead.
    if (text.find(':') == std::string_view::npos) {
        throw RunError(cutTimeMessage(text));
    }
    const auto minutes = TimeStrToInt(text, messages);
    if (!minutes) {
        throw RunError(cutTimeMessage(text));
    }
    return *minutes;
}

int marketMinutesFromBox(std::string_view text)
{
    const auto ms = parseTimeOfDayMs(text);
    if (!ms) {
        throw notATime(text);
    }
    return *ms / 60000;
}

std::string entryRefusalMessage(EntryRefusal reason, std::string_view entryText)
{
    // Two sentences joined by a lone CR, as the run's other refusals are.
    std::string entry = "時間足の指定 '" + std::string(entryText) + "' ";
    switch (reason) {
    case EntryRefusal::NotPositive:
        return entry + "では足を作れません。\r足の幅には 1 以上の分数を指定してください";
    case EntryRefusal::NoWidths:
        return entry + "には足の幅がひとつもありません。\r「*」の後の回数には 1 以上を指定してください";
    case EntryRefusal::ZeroWidth:
        return entry + "に幅 0 の足が含まれています。\r足の幅には 0 以外の分数を指定してください";
    case EntryRefusal::OnlyGaps:
        return entry + "には書き出す足がありません。\r正の幅（書き出す足）を少なくともひとつ指定してください";
    case EntryRefusal::TooWide:
        return entry + "の幅が大きすぎます。\r足の幅は " + std::to_string(MaxEntryWidth) +
               " 分（100 年）以下にしてください";
    }
    return entry;
}

std::string normaliseTimeframeBox(std::string_view boxText)
{
    return ReplaceAll(boxText, ".", ",");
}

std::vector<std::string> splitTimeframeList(std::string_view listText)
{
    return SplitCommaText(listText);
}

std::vector<WidthRun> parseWidthSequence(std::string_view entryText)
{
    std::vector<WidthRun> runs;
    std::size_t pieceStart = 0;
    for (std::size_t i = 1; i <= entryText.size(); ++i) {
        if (i == entryText.size() || entryText[i] == '+' || entryText[i] == '-') {
            addPiece(entryText.substr(pieceStart, i - pieceStart), entryText, runs);
            pieceStart = i;
        }
    }
    return runs;
}

std::int32_t plainEntryWidth(std::string_view entryText)
{
    const std::int32_t width = StrToInt(entryText);
    if (width <= 0) {
        // A width of 0 never moves the bucket on; a negative one is a gap with no bar to write.
        throw RunError(entryRefusalMessage(EntryRefusal::NotPositive, entryText));
    }
    return checkedWidth(width, entryText);
}

std::optional<EntryRefusal> sequenceRefusal(const std::vector<WidthRun>& runs)
{
    if (runs.empty()) {
        return EntryRefusal::NoWidths;
    }
    bool anyBar = false;
    for (const WidthRun& run : runs) {
        if (run.width == 0) {
            // A bucket of no width holds no line and would get a fill bar under the next bucket's label.
            return EntryRefusal::ZeroWidth;
        }
        anyBar = anyBar || run.width > 0;
    }
    if (!anyBar) {
        return EntryRefusal::OnlyGaps;
    }
    return std::nullopt;
}

std::optional<std::string> clockRefusal(const ClockSettings& clocks)
{
    for (const ClockChoice* clock : {&clocks.source, &clocks.market, &clocks.label}) {
        if (clock->kind == ClockChoice::Kind::Zone) {
            try {
                ZoneClock check(*clock);
            } catch (const RunError& refusal) {
                return refusal.what();
            }
        }
    }
    return std::nullopt;
}

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

std::string formatPeriodText(std::int32_t days, std::int32_t msOfDay)
{
    const CivilDate date = civilFromDays(days);
    std::array<char, 40> buffer{};
    int length = std::snprintf(buffer.data(), buffer.size(), "%04d/%02d/%02d", date.year, date.month, date.day);
    if (msOfDay != 0) {
        const std::int32_t seconds = msOfDay / MsPerSecond;
        const auto rest = static_cast<std::size_t>(length);
        length += std::snprintf(buffer.data() + rest, buffer.size() - rest, " %d:%02d:%02d", seconds / 3600,
                                seconds / 60 % 60, seconds % 60);
    }
    return {buffer.data(), static_cast<std::size_t>(length)};
}

std::string formatPeriodText(MinuteStamp stamp)
{
    auto days = static_cast<std::int32_t>(stamp / MinutesPerDay);
    auto minutes = static_cast<std::int32_t>(stamp % MinutesPerDay);
    if (minutes < 0) {
        days -= 1;
        minutes += MinutesPerDay;
    }
    return formatPeriodText(days, minutes * 60 * MsPerSecond);
}

std::optional<std::string> normalizedPeriodText(std::string_view typed, int currentYear)
{
    // Accept exactly what the run will read, then take the parts again to keep the seconds it drops.
    if (!parsePeriodText(typed, currentYear)) {
        return std::nullopt;
    }
    while (!typed.empty() && (typed.front() == ' ' || typed.front() == '\t')) {
        typed.remove_prefix(1);
    }
    while (!typed.empty() && (typed.back() == ' ' || typed.back() == '\t')) {
        typed.remove_suffix(1);
    }
    const auto blank = typed.find_first_of(" \t");
    const std::string_view datePart = typed.substr(0, blank);
    const auto days = parseDateText(datePart, '/', currentYear);
    if (!days) {
        // A time alone stands for that time on the first day of the calendar.
        const auto ms = parseTimeOfDayMs(typed);
        return ms ? std::optional(formatPeriodText(0, *ms)) : std::nullopt;
    }
    if (blank == std::string_view::npos) {
        return formatPeriodText(*days, 0);
    }
    std::string_view timePart = typed.substr(blank);
    while (!timePart.empty() && (timePart.front() == ' ' || timePart.front() == '\t')) {
        timePart.remove_prefix(1);
    }
    const auto ms = parseTimeOfDayMs(timePart);
    return ms ? std::optional(formatPeriodText(*days, *ms)) : std::nullopt;
}

} // namespace velmora
