#include "engine/run/GapReport.h"

#include "engine/bars/BarBuilder.h"
#include "engine/bars/BarLine.h"
#include "engine/settings/ConversionSettings.h"
#include "input/DateTimeText.h"
#include "platform/Text.h"

#include <algorithm>
#include <filesystem>

namespace velmora {

namespace {

int hhmmOfText(std::string_view text)
{
    // The run has read these times before any job starts, so they read here.
    const int minutes = parseTimeOfDayMs(text).value_or(0) / 60000;
    return (minutes / 60) * 100 + minutes % 60;
}

std::string stampText(const BarLine& writer, std::int64_t stamp)
{
    std::string text;
    const DateTimeValue value = stampToDateTime(stamp);
    writer.appendDate(text, value);
    text += ' ';
    writer.appendTime(text, value);
    return text;
}

/// "5min 12 本 / Day 3 本"
std::string fillText(const std::vector<std::string>& names, const std::vector<std::size_t>& counts)
{
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) {
            text += " / ";
        }
        text += names[i] + ' ' + std::to_string(counts[i]) + " 本";
    }
    return text;
}

std::string csvField(std::string_view text)
{
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        return std::string(text);
    }
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + '"';
}

} // namespace

GapTally gapTallyFor(const ConversionSettings& settings, const GapReportRequest& request)
{
    MarketWindow window;
    window.enabled = settings.marketWindow;
    window.openDay = settings.marketOpenDay;
    window.openHhmm = hhmmOfText(settings.marketOpenTime);
    window.closeDay = settings.marketCloseDay;
    window.closeHhmm = hhmmOfText(settings.marketCloseTime);
    return {WeekWindow(window), request.longerThan};
}

GapReport::GapReport(std::size_t entries, const std::vector<std::string>& files) : m_entryNames(entries)
{
    m_sources.reserve(files.size());
    for (const auto& file : files) {
        m_sources.push_back(
            {file, false, {}, std::vector<std::size_t>(entries, 0), std::vector<std::vector<std::int64_t>>(entries)});
    }
}

void GapReport::addJob(std::size_t entry, std::size_t file, const GapTally& tally)
{
    Source& source = m_sources.at(file);
    source.walked = true;
    source.fillBars.at(entry) += tally.fillStarts().size();
    auto& starts = source.fillStarts.at(entry);
    starts.insert(starts.end(), tally.fillStarts().begin(), tally.fillStarts().end());
    for (const SourceGap& found : tally.gaps()) {
        auto place =
            std::lower_bound(source.gaps.begin(), source.gaps.end(), found, [](const Gap& gap, const SourceGap& key) {
                return std::pair(gap.start, gap.end) < std::pair(key.start, key.end);
            });
        if (place == source.gaps.end() || place->start != found.start || place->end != found.end) {
            source.gaps.insert(place, {found, std::vector<std::size_t>(m_entryNames.size(), 0)});
        }
    }
    countFillsIntoGaps(source);
}

void GapReport::countFillsIntoGaps(Source& source)
{
    for (Gap& gap : source.gaps) {
        std::fill(gap.fillBars.begin(), gap.fillBars.end(), 0);
    }
    for (std::size_t entry = 0; entry < source.fillStarts.size(); ++entry) {
        for (const std::int64_t start : source.fillStarts[entry]) {
            // Holes follow each other in the order of the lines around them: the last one after a line before
            // the bucket is the only one that can hold it.
            auto gap = std::upper_bound(source.gaps.begin(), source.gaps.end(), start,
                                        [](std::int64_t stamp, const Gap& g) { return stamp <= g.after; });
            if (gap != source.gaps.begin() && std::prev(gap)->holds(start)) {
                ++std::prev(gap)->fillBars[entry];
            }
        }
    }
}

std::vector<std::string> GapReport::logLines(std::int32_t longerThan, bool list) const
{
    const BarLine writer('/', "hh:nn", false);
    std::vector<std::string> lines;
    for (const Source& source : m_sources) {
        if (!source.walked) {
            continue;
        }
        std::string line = fileNameText(source.file) + " の欠け (" + std::to_string(longerThan) + " 分を超えるもの): ";
        if (source.gaps.empty()) {
            line += "なし";
        } else {
            const auto longest = std::max_element(source.gaps.begin(), source.gaps.end(),
                                                  [](const Gap& a, const Gap& b) { return a.minutes < b.minutes; });
            line += std::to_string(source.gaps.size()) + " か所、最長 " + std::to_string(longest->minutes) + " 分 (" +
                    stampText(writer, longest->start) + " から)";
        }
        line += "、埋めた足 " + fillText(m_entryNames, source.fillBars);
        lines.push_back(std::move(line));
        if (!list) {
            continue;
        }
        for (const Gap& gap : source.gaps) {
            lines.push_back("    " + stampText(writer, gap.start) + " - " + stampText(writer, gap.end) + " " +
                            std::to_string(gap.minutes) + " 分、埋めた足 " + fillText(m_entryNames, gap.fillBars));
        }
    }
    return lines;
}

std::string GapReport::csv() const
{
    const BarLine writer('-', "hh:nn", false);
    std::string text = "source,start,end,minutes";
    for (const auto& name : m_entryNames) {
        text += ",fill_" + csvField(name);
    }
    text += "\r\n";
    for (const Source& source : m_sources) {
        for (const Gap& gap : source.gaps) {
            text += csvField(source.file) + ',' + stampText(writer, gap.start) + ',' + stampText(writer, gap.end) +
                    ',' + std::to_string(gap.minutes);
            for (const std::size_t count : gap.fillBars) {
                text += ',' + std::to_string(count);
            }
            text += "\r\n";
        }
    }
    return text;
}

} // namespace velmora
