#include "engine/output/OutputFiles.h"

#include "platform/AtomicFile.h"
#include "platform/Numbers.h"
#include "platform/Text.h"
#include "regex/TBRegExp.h"

#include <system_error>

namespace velmora {

namespace {

namespace fs = std::filesystem;

// Stands in a name between finding the place of the label and putting the label there.
constexpr std::string_view NameMarker = "xUniqueNamex";
constexpr std::string_view WrittenSuffix = " を書き出しました";
constexpr std::string_view SkippedSuffix = "の保存をキャンセルします...";

/// The position of the extension (from the last "." on), or the end of the name when it has none.
std::size_t extensionStart(std::string_view name)
{
    const auto dot = name.rfind('.');
    return dot == std::string_view::npos ? name.size() : dot;
}

/// Folder separators in a text that becomes part of a file name would move the file into another folder;
/// they turn into "_" so a name stays one name.
std::string withoutSeparators(std::string text)
{
    for (auto& c : text) {
        if (c == '/' || c == '\\') {
            c = '_';
        }
    }
    return text;
}

/// A regular file (or a link to one) at the path. A folder of that name is no file to overwrite: writing to
/// it fails and says so.
bool fileExists(const fs::path& path)
{
    std::error_code ignored;
    const auto status = fs::status(path, ignored);
    return fs::exists(status) && !fs::is_directory(status);
}

void writeAndLog(const OutputWriter& write, const fs::path& path, std::string_view loggedName, RunHost& host)
{
    write(path);
    std::string line(loggedName);
    line += WrittenSuffix;
    host.appendLog(line);
}

} // namespace

std::string TimeframeLabel(const EntryNaming& entry)
{
    if (!entry.calendarLabel.empty()) {
        return std::string(entry.calendarLabel);
    }
    if (entry.dailyMode) {
        return "Daily";
    }
    std::string label;
    if (const auto minutes = entry.sequence ? std::nullopt : parseInt(entry.text); minutes && *minutes >= 60) {
        label = std::to_string(*minutes / 60) + "hour";
        if (const auto rest = *minutes % 60; rest != 0) {
            label += std::to_string(rest) + "min";
        }
    } else {
        label = std::string(entry.text) + "min";
    }
    return withoutSeparators(std::move(label));
}

std::string SubstituteLabel(std::string_view name, const EntryNaming& entry)
{
    std::string result(name);
    if (!SharedRegExp().Subst("s/\\d{1}min/xUniqueNamex/", result)) {
        std::string marker(" ");
        marker += NameMarker;
        result.insert(extensionStart(result), marker);
    }
    result = ReplaceAll(result, NameMarker, TimeframeLabel(entry));
    // The label of a repeated width ("240*3") must not carry a wildcard into a file name.
    if (entry.sequence && !entry.dailyMode) {
        result = ReplaceAll(result, "*", "x");
    }
    return result;
}

OutputLocation OutputLocationOf(const fs::path& source, const EntryNaming& entry, const LinkageContext* linkage)
{
    OutputLocation location;
    location.name = SubstituteLabel(pathText(source.filename()), entry);
    if (linkage != nullptr && !linkage->minuteSubFolder.empty()) {
        std::string_view minuteFolder = linkage->minuteSubFolder;
        while (!minuteFolder.empty() && (minuteFolder.back() == '/' || minuteFolder.back() == '\\')) {
            minuteFolder.remove_suffix(1);
        }
        location.folder = linkage->baseFolder / pathFromText(linkage->currencyName) /
                          pathFromText(SubstituteLabel(minuteFolder, entry));
    } else {
        location.folder = source.parent_path();
    }
    return location;
}

std::string ForceExtension(std::string_view name, bool force, std::string_view extension)
{
    std::string result(name);
    if (!force || extension.empty()) {
        return result;
    }
    std::string forced;
    if (extension.front() != '.') {
        forced += '.';
    }
    forced += extension;
    result.replace(extensionStart(result), std::string::npos, withoutSeparators(std::move(forced)));
    return result;
}

void WriteOutput(std::string_view bytes, const OutputLocation& location, bool overwriteWithoutAsking, RunHost& host)
{
    WriteOutput([bytes](const fs::path& path) { writeFileAtomically(path, bytes); }, location, overwriteWithoutAsking,
                host);
}

void WriteOutput(const OutputWriter& write, const OutputLocation& location, bool overwriteWithoutAsking, RunHost& host)
{
    const auto target = location.folder / pathFromText(location.name);
    if (overwriteWithoutAsking || !fileExists(target)) {
        writeAndLog(write, target, location.name, host);
        return;
    }

    const std::string_view name = location.name;
    const auto extension = extensionStart(name);
    std::string proposed(name.substr(0, extension));
    proposed += "(new)";
    proposed += name.substr(extension);

    const auto reply = host.askOverwrite({location.name, target, location.folder / pathFromText(proposed)});
    switch (reply.answer) {
    case OverwriteAnswer::Overwrite:
        writeAndLog(write, target, location.name, host);
        return;
    case OverwriteAnswer::SaveAs:
        // A save-as without a chosen file (a dialog closed some other way) must not write anywhere; it counts
        // as skipping. A bare name is taken in the output folder, not in whatever the current folder is.
        if (!reply.saveAsPath.empty()) {
            const auto path = reply.saveAsPath.is_absolute() ? reply.saveAsPath : location.folder / reply.saveAsPath;
            writeAndLog(write, path, pathText(path.filename()), host);
            return;
        }
        break;
    case OverwriteAnswer::Skip:
        break;
    }
    std::string line = location.name;
    line += SkippedSuffix;
    host.appendLog(line);
}

} // namespace velmora
