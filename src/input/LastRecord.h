#pragma once

#include "input/BarLabelling.h"
#include "input/DateTimeText.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

/// The date-time, seconds included, of the last line of a price or bar file, found without reading the whole
/// file: from the file's size and the length of its first line it jumps to about two lines before the end.
///
/// The date is field dateFieldPosition (1-based) of that line and the time the field after it. The separator of
/// that date is detected into context.separators.input, and context.separators.output is set to the same.
///
/// Ends the run with "ファイルが見つかりません" for a missing file, "ファイル <path> は開けません" for one that
/// cannot be opened or read, the list-index error for a last line without the date and time fields (an empty
/// last line, for instance), and "'<text>' は時刻ではありません" for a time that does not read.
/// Returns std::nullopt when the date does not read; its reader has then shown its messages.
std::optional<DateTimeValue> LastRecordDateTime(const std::filesystem::path& path, std::int32_t dateFieldPosition,
                                                DateTextContext& context);

/// The last line of the file as written, without its break, found as LastRecordDateTime finds it (and ending
/// the run as it does for a file that cannot be read).
std::string LastLine(const std::filesystem::path& path);
/// The first count lines of the file as written (fewer in a shorter file), each without its break.
std::vector<std::string> FirstLines(const std::filesystem::path& path, std::size_t count);
/// The date-time of one line, read as LastRecordDateTime reads the last line of a file.
std::optional<DateTimeValue> RecordDateTime(std::string_view line, std::int32_t dateFieldPosition,
                                            DateTextContext& context);

/// True when the target bar file has to be built anew from the source, false when it already holds the bar of
/// the source's last line. entryText is the timeframe in minutes. With labels by start the target's last bar
/// runs from its label t to t + n minutes and is stale once the source reaches its end; with labels by end it
/// is stale once the source reaches t. A source up to 0.0001 day (8.64 s) early counts as reaching it.
///
/// Both files are read first (so both separators hold the target's afterwards); then an entry text that is not
/// a whole number ends the run with "'<text>' は整数ではありません". When the date of either last line does
/// not read, the target counts as stale: rebuilding it costs time, keeping a stale one loses bars.
bool TargetNeedsUpdate(const std::filesystem::path& sourcePath, const std::filesystem::path& targetPath,
                       std::string_view entryText, BarLabelling labelling, std::int32_t dateFieldPosition,
                       DateTextContext& context);
/// The same with the target's last label given, as read from a file of another layout (std::nullopt when it
/// does not read: the target counts as stale).
bool TargetNeedsUpdate(std::string_view sourceLastLine, std::optional<DateTimeValue> targetLast,
                       std::string_view entryText, BarLabelling labelling, std::int32_t dateFieldPosition,
                       DateTextContext& context);
/// The same with the source's last line given, as a run reads it (rewritten where the source is in another
/// layout), rather than read from the source as written.
bool TargetNeedsUpdate(std::string_view sourceLastLine, const std::filesystem::path& targetPath,
                       std::string_view entryText, BarLabelling labelling, std::int32_t dateFieldPosition,
                       DateTextContext& context);

} // namespace velmora
