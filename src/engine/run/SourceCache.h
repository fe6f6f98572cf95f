#pragma once

#include "engine/run/RunFrontEnd.h"
#include "input/SourceLines.h"
#include "input/layout/SourceLayout.h"
#include "platform/FileIdentity.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>

namespace velmora {

/// The source files of one run, each loaded once for as long as it stays unchanged. Every job asks again, and
/// a file whose size, inode or change times differ from those it was loaded with (edited, replaced, grown
/// between two jobs) is loaded anew, so a job always converts the file as it stands when the job starts.
///
/// A file in another layout than the usual one (chosen, or detected under "auto") gives its lines rewritten into
/// the usual layout as they are read, so that the reader, its fast path and every output rule apply to it
/// unchanged.
class SourceCache
{
public:
    /// How the run reads its files, and where the one line per file about the layout goes.
    struct Reading
    {
        SourceLayout layout;
        std::int32_t dateField = 1;
        int currentYear = 2000;
        std::function<void(const std::string&)> log;
        RunFrontEnd frontEnd = RunFrontEnd::Window; ///< whose controls the log's hints name
    };

    void setReading(Reading reading) { m_reading = std::move(reading); }

    /// The lines of the file; throws what SourceLines::load throws for a file that cannot be opened.
    const SourceLines& load(const std::string& path);

    /// The file's last line as load() would give it, from its first and last lines only, without loading it:
    /// rewritten into the usual layout where the file is in another one (chosen, or detected from its first
    /// lines), as written otherwise. Logs nothing; throws what LastLine throws.
    std::string lastLine(const std::string& path) const;

private:
    struct Entry
    {
        FileIdentity identity;
        SourceLines lines;
    };

    /// True when any later change of the file is bound to change its identity, so that its lines may be kept.
    static bool settled(const FileIdentity& identity);

    /// The lines as the reading takes them: as loaded, or rewritten into the usual layout.
    SourceLines read(const std::string& path);
    /// Logs, under "auto", the layout detection chose, or that the dates look day-first where they were read
    /// year-first.
    void tellLayout(const std::string& path, const SourceLines& lines, const std::optional<SourceLayout>& chosen);
    /// Logs the text after the file's name, once per file and topic.
    void tell(const std::string& path, char topic, const std::string& text);

    Reading m_reading;
    std::set<std::string> m_told; ///< file and topic of every line logged

    std::map<std::string, Entry> m_entries;
    SourceLines m_uncached;
};

} // namespace velmora
