#pragma once

#include "input/SourceLines.h"
#include "platform/FileIdentity.h"

#include <map>
#include <string>

namespace velmora {

/// The source files of one run, each loaded once for as long as it stays unchanged. Every job asks again, and
/// a file whose size, inode or change times differ from those it was loaded with (edited, replaced, grown
/// between two jobs) is loaded anew, so a job always converts the file as it stands when the job starts.
class SourceCache
{
public:
    /// The lines of the file; throws what SourceLines::load throws for a file that cannot be opened.
    const SourceLines& load(const std::string& path);

private:
    struct Entry
    {
        FileIdentity identity;
        SourceLines lines;
    };

    /// True when any later change of the file is bound to change its identity, so that its lines may be kept.
    static bool settled(const FileIdentity& identity);

    std::map<std::string, Entry> m_entries;
    SourceLines m_uncached;
};

} // namespace velmora
