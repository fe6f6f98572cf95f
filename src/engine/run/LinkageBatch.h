#pragma once

#include "engine/run/ConversionRun.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

/// The download tool's program; its presence in a folder makes that folder the tool's.
inline constexpr std::string_view DownloadToolProgram = "Quenbry.exe";
/// The tool's data folder inside its own folder: one folder per instrument.
inline constexpr std::string_view HistoricalDataFolder = "HistoricalData";
/// The minute sub-folder of an instrument folder when the tool keeps one.
inline constexpr std::string_view MinuteSubFolderName = "1min";

/// What the batch knows of the download tool: where it lives and the two of its options that say where and
/// under which names it keeps the 1-minute files.
struct DownloadTool
{
    std::filesystem::path folder;
    std::string fileHeadName = "1min_"; ///< "EditFileHeadName": only names holding it are taken
    std::string minuteSubFolder =
        std::string(MinuteSubFolderName); ///< "1min", or empty: files in the instrument folder

    std::filesystem::path baseFolder() const { return folder / HistoricalDataFolder; }
    /// The folder holding an instrument's 1-minute files.
    std::filesystem::path sourceFolder(std::string_view currency) const;
};

/// The tool in the folder, its options read from its settings file ("Quenbry.ini" beside the program, section
/// "Form"): "EditFileHeadName" (default "1min_") and "RadioGroup3" (1, the default, keeps the files in a "1min"
/// sub-folder; any other value in the instrument folder itself). std::nullopt when the folder has no
/// "Quenbry.exe": nothing of the tool is read then.
std::optional<DownloadTool> findDownloadTool(const std::filesystem::path& folder);

/// The names of the sub-folders of the folder in the order the directory listing yields them (not sorted),
/// hidden ones included; files are left out. An unreadable or missing folder lists nothing.
std::vector<std::string> ListCurrencyFolders(const std::filesystem::path& folder);

/// The names of the files of the folder whose extension (from the last "." on) equals the given one in any
/// letter case, sorted by name without regard to letter case; sub-folders are left out.
std::vector<std::string> ListTextFiles(const std::filesystem::path& folder, std::string_view extension);

/// True when the batch takes a file of this name: it holds the prefix (letter case significant, anywhere) and
/// either "merge.txt" in any letter case or four digits in a row.
bool isBatchSourceName(std::string_view name, std::string_view prefix);

/// The full paths of the instrument's files that a batch run registers, in ListTextFiles order.
std::vector<std::string> batchSourceFiles(const DownloadTool& tool, std::string_view currency);

/// What the linkage window holds for a batch.
struct LinkageBatch
{
    DownloadTool tool;
    std::vector<std::string> checkedFolders; ///< the checked instrument folders, in list order
    std::string timeframes = "5, 60, 240, 1440";
    LinkageOverwrite overwritePolicy = LinkageOverwrite::WhenNewer;
};

/// The checked folders of a folder list under a stored "CheckList" text, in list order.
std::vector<std::string> checkedFoldersOf(std::span<const std::string> folders, std::string_view checkList);

enum class LinkageBatchOutcome {
    Completed, ///< every checked folder was converted or up to date
    Failed,    ///< a run ended with an error (its message has been shown) and the batch stopped there
    Cancelled, ///< the user cancelled a run and the batch stopped there
};

struct LinkageBatchResult
{
    LinkageBatchOutcome outcome = LinkageBatchOutcome::Completed;
    int runs = 0;              ///< the runs made, the one that stopped the batch included
    std::string stoppedFolder; ///< the folder whose run stopped the batch
    int jobsWithoutBars = 0;   ///< over every run (ConversionRun::jobsWithoutBars)
};

/// Optional notices to the caller around each folder's run.
struct LinkageBatchHooks
{
    /// Before a folder's run, with the files it registers: the window shows them in its file list.
    std::function<void(std::string_view currency, std::span<const std::string> files)> beforeRun;
};

/// Converts every checked folder of the batch, in order, with one ordinary run each of the main window's request:
/// its registered files become the folder's files, its labelling the bar start, its timeframes the batch's, and
/// it writes into per-timeframe folders beside the minute folder (or beside the source without one), skipping
/// outputs that are up to date under LinkageOverwrite::WhenNewer.
///
/// When no output date separator is in force (state.separators.output is '\0', as before any run or after a
/// box that could not give one), the main window's date separator box gives it, and "/" when that box holds no
/// usable separator either: a run never writes dates with nothing between year, month and day.
///
/// A run that fails or is cancelled stops the batch; its message has gone to the host. The caller saves and
/// restores its own state (the marker, the window's file list, labelling and timeframe box) around the call.
LinkageBatchResult RunLinkageBatch(const LinkageBatch& batch, const RunRequest& mainRequest, RunHost& host,
                                   const Clock& clock, RunState& state, const LinkageBatchHooks& hooks = {});

} // namespace velmora
