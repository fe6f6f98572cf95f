#include "engine/run/LinkageBatch.h"

#include "engine/output/OutputFiles.h"
#include "engine/settings/RunBoxes.h"
#include "engine/settings/SettingsKeys.h"
#include "platform/IniFile.h"
#include "platform/Text.h"
#include "regex/TBRegExp.h"

#include <algorithm>
#include <system_error>
#include <thread> // std::this_thread::yield

namespace velmora {

namespace {

constexpr std::string_view ToolSection = "Form";
constexpr std::string_view FileHeadNameKey = "EditFileHeadName";
constexpr std::string_view MinuteFolderKey = "RadioGroup3";
constexpr std::int32_t MinuteFolderInUse = 1;
/// The date separator box's default, for a batch that finds no usable separator anywhere.
constexpr char DefaultDateSeparator = '/';

char foldedAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return foldedAscii(x) == foldedAscii(y); });
}

bool lessIgnoringCase(std::string_view a, std::string_view b)
{
    const auto folded = std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(foldedAscii(x)) < static_cast<unsigned char>(foldedAscii(y));
    });
    if (folded || !equalIgnoringCase(a, b)) {
        return folded;
    }
    // Names that differ only in letter case (possible here, not on the tool's own system) keep a fixed order.
    return a < b;
}

std::string_view extensionOf(std::string_view name)
{
    const auto dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string_view() : name.substr(dot);
}

/// Walks the folder's entries, giving the processor away after each as the window's listings do; an entry
/// whose kind cannot be told is left out.
template <class Take> void forEachEntry(const std::filesystem::path& folder, Take take)
{
    std::error_code error;
    std::filesystem::directory_iterator it(folder, error);
    if (error) {
        return;
    }
    for (; it != std::filesystem::directory_iterator(); it.increment(error)) {
        if (error) {
            return;
        }
        take(*it);
        std::this_thread::yield();
    }
}

} // namespace

std::filesystem::path DownloadTool::sourceFolder(std::string_view currency) const
{
    auto path = baseFolder() / pathFromText(currency);
    if (!minuteSubFolder.empty()) {
        path /= pathFromText(minuteSubFolder);
    }
    return path;
}

std::optional<DownloadTool> findDownloadTool(const std::filesystem::path& folder)
{
    const auto program = folder / DownloadToolProgram;
    std::error_code error;
    if (!std::filesystem::exists(program, error) || std::filesystem::is_directory(program, error)) {
        return std::nullopt;
    }
    const IniFile settings(settingsFilePath(program));
    DownloadTool tool;
    tool.folder = folder;
    // The tool is a Windows program: its settings file is in the system's code page unless it is UTF-8.
    tool.fileHeadName = textFromOtherProgram(settings.readString(ToolSection, FileHeadNameKey, tool.fileHeadName));
    if (settings.readInteger(ToolSection, MinuteFolderKey, MinuteFolderInUse) != MinuteFolderInUse) {
        tool.minuteSubFolder.clear();
    }
    return tool;
}

std::vector<std::string> ListCurrencyFolders(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    forEachEntry(folder, [&](const std::filesystem::directory_entry& entry) {
        std::error_code error;
        if (entry.is_directory(error)) {
            names.push_back(pathText(entry.path().filename()));
        }
    });
    return names;
}

std::vector<std::string> ListTextFiles(const std::filesystem::path& folder, std::string_view extension)
{
    std::vector<std::string> names;
    forEachEntry(folder, [&](const std::filesystem::directory_entry& entry) {
        // Regular files only: a pipe or a device named like a price file would hang or feed the run.
        std::error_code error;
        auto name = pathText(entry.path().filename());
        if (entry.is_regular_file(error) && equalIgnoringCase(extensionOf(name), extension)) {
            names.push_back(std::move(name));
        }
    });
    std::sort(names.begin(), names.end(), lessIgnoringCase);
    return names;
}

bool isBatchSourceName(std::string_view name, std::string_view prefix)
{
    if (name.find(prefix) == std::string_view::npos) {
        return false;
    }
    TBRegExp& regExp = SharedRegExp();
    return regExp.Match("m#merge\\.txt#i", name) || regExp.Match("m#\\d{4}#", name);
}

std::vector<std::string> batchSourceFiles(const DownloadTool& tool, std::string_view currency)
{
    const auto folder = tool.sourceFolder(currency);
    std::vector<std::string> files;
    for (const auto& name : ListTextFiles(folder, ".txt")) {
        if (isBatchSourceName(name, tool.fileHeadName)) {
            files.push_back(pathText(folder / pathFromText(name)));
        }
    }
    return files;
}

std::vector<std::string> checkedFoldersOf(std::span<const std::string> folders, std::string_view checkList)
{
    std::vector<std::string> checked;
    for (const auto& folder : folders) {
        if (isFolderChecked(checkList, folder)) {
            checked.push_back(folder);
        }
    }
    return checked;
}

LinkageBatchResult RunLinkageBatch(const LinkageBatch& batch, const RunRequest& mainRequest, RunHost& host,
                                   const Clock& clock, RunState& state, const LinkageBatchHooks& hooks)
{
    LinkageBatchResult result;
    for (const auto& currency : batch.checkedFolders) {
        LinkageContext context{currency, batch.tool.baseFolder(), batch.tool.minuteSubFolder, batch.overwritePolicy};
        RunRequest request = mainRequest;
        // The up-to-date test reads a target's last label as the start of its bar.
        request.settings.labelling = BarLabelling::ByStart;
        request.files = batchSourceFiles(batch.tool, currency);
        request.linkage = &context;
        request.linkageTimeframes = batch.timeframes;
        if (hooks.beforeRun) {
            hooks.beforeRun(currency, request.files);
        }

        // A linkage run keeps the separator last put in force instead of reading the box; with none in force
        // it would write dates such as 20090104.
        if (state.separators.output == '\0') {
            const char box = separatorFromBox(mainRequest.dateSeparatorBox);
            state.separators.output = box != '\0' ? box : DefaultDateSeparator;
        }

        ConversionRun run(host, clock, state);
        const RunOutcome outcome = run.execute(request);
        ++result.runs;
        result.jobsWithoutBars += run.jobsWithoutBars();
        if (outcome == RunOutcome::Failed || outcome == RunOutcome::NotStarted) {
            result.outcome = LinkageBatchOutcome::Failed;
        } else if (outcome == RunOutcome::Cancelled) {
            result.outcome = LinkageBatchOutcome::Cancelled;
        }
        if (result.outcome != LinkageBatchOutcome::Completed) {
            result.stoppedFolder = currency;
            return result;
        }
        host.processEvents();
        host.yieldProcessor();
    }
    return result;
}

} // namespace velmora
