#pragma once

#include "engine/bars/BarLine.h"
#include "engine/bars/BarWriter.h"
#include "engine/bars/TimeframeEntry.h"
#include "engine/settings/OutputChoice.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

/// What writing a job's bars in a format needs beyond the bars themselves.
struct FormatJob
{
    OutputFormat format = OutputFormat::Text;
    std::string symbol;        ///< already cut to MaxSymbolBytes
    std::int32_t digits = -1;  ///< below 0: the most decimals among the prices
    std::int32_t period = 0;   ///< the .hst header's minutes
    bool daily = false;        ///< NinjaTrader writes daily bars without a time
    bool withVolume = false;   ///< the CSV carries the volume column
    std::int32_t timeSign = 0; ///< the .hst header's time of making
};

/// What writing the bars of an entry over a file in the choice's format takes: the symbol from the choice, else
/// the linkage run's instrument folder (non-empty linkageFolder), else the file's name. withVolume is the volume
/// option as the user set it.
FormatJob formatJobFor(const OutputChoice& choice, std::string_view fileName, std::string_view linkageFolder,
                       const TimeframeEntry& entry, bool withVolume);

/// The settings of a walk whose bars another format's writer takes (or whose bar lines writeInFormat() reads
/// back): the volume that the platforms' layouts carry, times in full, kept in daily bars. Nothing changes for
/// the usual text.
void prepareForFormat(ConversionSettings& settings);

/// The text of the bar lines (the usual layout with the date's separator of the run, times as "hh:nn:ss",
/// the time kept in daily bars, and the volume field after the close) rewritten in the job's format. The
/// prices keep their decimal texts; an .hst holds the nearest doubles to them.
std::string writeInFormat(std::string_view barLines, const FormatJob& job);

/// Writes a job's bars in its format as the walk closes them: the same bytes as writeInFormat() over the usual
/// lines of those bars. The first bar writes the format's header.
class FormatWriter final : public BarWriter
{
public:
    explicit FormatWriter(FormatJob job);

    void append(std::string& out, const ClosedBar& bar) override;
    std::string front() const override;

private:
    void appendHst(std::string& out, const ClosedBar& bar);

    FormatJob m_job;
    BarLine m_usual; ///< the usual line of a bar, which the text formats are rewritten from
    std::string m_line;
    std::int32_t m_most = 0; ///< the most decimals among the prices written
    bool m_started = false;
};

/// The symbol a source's file name stands for: the name before its first "_" or digit, or the whole name
/// without its extension where that leaves nothing; cut to MaxSymbolBytes.
std::string symbolFromFileName(std::string_view fileName);

/// The minutes an .hst of the entry's bars says in its header and name: a week 10080, a month 43200, a day
/// 1440, a sequence its first written width.
std::int32_t hstPeriod(const TimeframeEntry& entry);

/// The file name of a format's output: `<SYMBOL><period>.hst` for an .hst, the text file's name otherwise.
std::string formatFileName(const FormatJob& job, std::string_view textName);

/// The label of the last bar of a written file of the format (not the usual text), as days since 1899-12-30;
/// std::nullopt when the file holds no bar that reads. Reads only the file's end. Throws the reading errors of
/// LastLine().
std::optional<double> lastBarLabel(const std::filesystem::path& file, OutputFormat format);

} // namespace velmora
