#pragma once

#include "engine/host/RunHost.h"
#include "engine/settings/ConversionSettings.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

/// What a linkage run adds to a job: where the download tool keeps the instrument's folders.
struct LinkageContext
{
    std::string currencyName;         ///< the instrument folder being processed
    std::filesystem::path baseFolder; ///< "HistoricalData" under the current directory
    std::string minuteSubFolder;      ///< "1min" or empty
    LinkageOverwrite overwritePolicy = LinkageOverwrite::WhenNewer;
};

/// The facts of a resolved timeframe entry that naming needs.
struct EntryNaming
{
    std::string_view text; ///< the entry as typed
    bool dailyMode = false;
    bool sequence = false;
    std::string_view calendarLabel = {}; ///< "Weekly" or "Monthly" for weeks and months, else empty
};

struct OutputLocation
{
    std::filesystem::path folder;
    std::string name;
};

/// The label of a timeframe in names: "5min", "1hour30min", "4hour", "Daily", "Weekly", "Monthly",
/// "-60+240*3min"…
std::string TimeframeLabel(const EntryNaming& entry);

/// The name with the first digit directly followed by "min" replaced by the label, or the label put before
/// the extension (after a blank) when there is no such place.
std::string SubstituteLabel(std::string_view name, const EntryNaming& entry);

/// Where a job's output goes: beside the source, or in linkage mode in the timeframe's folder beside the
/// instrument's minute folder.
OutputLocation OutputLocationOf(const std::filesystem::path& source, const EntryNaming& entry,
                                const LinkageContext* linkage);

/// The name with its extension replaced when forcing is on ("." put in front of the extension text when
/// missing); an empty extension text leaves the name unchanged.
std::string ForceExtension(std::string_view name, bool force, std::string_view extension);

/// Writes the job's bytes to folder/name, or asks the host first when the file exists and overwriting without
/// asking is off; logs the outcome. The write replaces the target only once the new file is complete.
void WriteOutput(std::string_view bytes, const OutputLocation& location, bool overwriteWithoutAsking, RunHost& host);

/// Writes the job's bytes to the path it is given, as writeFileAtomically() does.
using OutputWriter = std::function<void(const std::filesystem::path&)>;

/// WriteOutput with the bytes written by write.
void WriteOutput(const OutputWriter& write, const OutputLocation& location, bool overwriteWithoutAsking, RunHost& host);

} // namespace velmora
