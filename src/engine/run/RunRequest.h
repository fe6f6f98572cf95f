#pragma once

#include "engine/run/GapReport.h"
#include "engine/run/RunFrontEnd.h"
#include "engine/settings/ConversionSettings.h"
#include "input/DateTimeText.h"

#include <string>
#include <vector>

namespace velmora {

struct LinkageContext;

/// State that outlives a run and belongs to its caller: the date separators in force and the bar kind of the
/// two hidden kind buttons. The next run starts from what the last one left.
struct RunState
{
    DateSeparators separators;
    BarKind kind = BarKind::Minutes;
};

/// The summer-time dialog's table as a run takes it.
struct SummerRows
{
    bool enabled = false;
    std::vector<std::string> starts;
    std::vector<std::string> ends;
    std::vector<std::string> shifts;
};

/// Everything one press of "実行" reads. The boxes that the run itself converts are given as typed, so that
/// a bad value ends the run the way the window's run does.
struct RunRequest
{
    /// Every option but the three boxes below; its timeframes are the main window's box (or the linkage
    /// window's while `linkage` is set).
    ConversionSettings settings;
    std::string dateSeparatorBox = "/"; ///< `EditDateS`
    std::string timeZoneBox = "0";      ///< `Edit6`, whole hours
    std::string dateFieldBox = "1";     ///< `Edit7`
    std::vector<std::string> files;     ///< the registered files, in list order
    SummerRows summer;
    GapReportRequest gaps;
    /// Set while the linkage batch drives the run: no start checks, linkage status texts and output folders,
    /// and the timeframes of linkageTimeframes instead of the main window's box.
    const LinkageContext* linkage = nullptr;
    std::string linkageTimeframes;
    /// Where the run was started: the log's hints name that program's controls.
    RunFrontEnd frontEnd = RunFrontEnd::Window;
};

enum class RunOutcome {
    NotStarted, ///< a start check failed or the summer table did not load: nothing changed
    Completed,
    Cancelled,
    Failed, ///< an error ended the run; its message has been shown
};

} // namespace velmora
