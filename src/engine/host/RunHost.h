#pragma once

#include "platform/MessageSink.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace velmora {

/// The overwrite question's three answers.
enum class OverwriteAnswer {
    Overwrite, ///< write over the existing file
    SaveAs,    ///< write to the path the host chose instead
    Skip,      ///< write nothing for this job
};

/// What the host is asked when a job's output exists and overwriting without asking is off.
struct OverwriteQuestion
{
    std::string outputName;             ///< the output file's name, without folder
    std::filesystem::path target;       ///< the existing file
    std::filesystem::path proposedPath; ///< the folder with "<name>(new)<ext>", offered for saving under another name
};

struct OverwriteReply
{
    OverwriteAnswer answer = OverwriteAnswer::Skip;
    std::filesystem::path saveAsPath; ///< with SaveAs: where to write
};

/// Everything a conversion run needs from the outside. The main window, the linkage window, the headless tool
/// and the tests each implement it; the engine never sees a window.
class RunHost : public MessageSink
{
public:
    /// Appends one entry to the log; a text holding line breaks shows as several lines.
    virtual void appendLog(std::string_view text) = 0;
    virtual void clearLog() = 0;

    /// The status text of the status bar in use (the linkage window's during a linkage run).
    virtual void setStatusText(std::string_view text) = 0;
    /// The progress bar in use.
    virtual void setProgressRange(int minimum, int maximum) = 0;
    virtual void setProgressPosition(int position) = 0;
    /// The end of a run sets every status bar and progress bar, the linkage window's included.
    virtual void showRunFinished(std::string_view statusText) = 0;

    /// Busy (false) or idle (true): while busy only the cancel button takes input.
    virtual void setControlsEnabled(bool enabled) = 0;
    /// The main window's timeframe box shows the text after "." became ",".
    virtual void showTimeframeText(std::string_view text) = 0;

    virtual OverwriteReply askOverwrite(const OverwriteQuestion& question) = 0;

    /// Lets the window process pending messages (a click on the cancel button among them).
    virtual void processEvents() = 0;
    /// A zero-length sleep: gives other programs the processor.
    virtual void yieldProcessor() = 0;
    /// True once the user has confirmed a cancel during this run.
    virtual bool cancelRequested() const = 0;
};

} // namespace velmora
