#pragma once

#include "engine/run/ArchiveSources.h"
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

    /// The lines of a file in an archive, unpacked into memory. Only one unpacked file is kept at a time, so that a
    /// run over a zip of many files holds one of them at most; a damaged archive's error is remembered for as long
    /// as the archive stays unchanged. Throws ArchiveError for an archive that cannot be unpacked, what
    /// SourceLines::load throws for one that cannot be opened.
    const SourceLines& load(const std::string& path, const ArchiveMember& member);

    /// The serial of the member's lines as they were last unpacked, where the archive has not changed since: a job
    /// recorded beside that reading can be played back without unpacking the file again. 0 when there is none.
    std::uint64_t unpackedSerial(const ArchiveMember& member) const;

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
    SourceLines read(const std::string& path, SourceLines lines);
    /// Logs, under "auto", the layout detection chose, or that the dates look day-first where they were read
    /// year-first.
    void tellLayout(const std::string& path, const SourceLines& lines, const std::optional<SourceLayout>& chosen);
    /// Logs the text after the file's name, once per file and topic.
    void tell(const std::string& path, char topic, const std::string& text);

    Reading m_reading;
    std::set<std::string> m_told; ///< file and topic of every line logged

    std::map<std::string, Entry> m_entries;
    SourceLines m_uncached;

    /// What is known of a file in an archive, by archive and name: the serial of its lines as last unpacked, or
    /// why it cannot be.
    struct Unpacking
    {
        FileIdentity archive;
        std::uint64_t serial = 0;
        std::string failure;
    };
    std::map<std::string, Unpacking> m_unpackings;
    std::string m_unpackedKey; ///< which file m_unpacked holds
    SourceLines m_unpacked;
};

} // namespace velmora
