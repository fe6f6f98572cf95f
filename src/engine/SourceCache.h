#pragma once

#include "input/SourceLines.h"

#include <cstdint>
#include <filesystem>
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
    struct Identity
    {
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        std::uint64_t size = 0;
        std::int64_t modified = 0; ///< nanoseconds
        std::int64_t changed = 0;  ///< nanoseconds; no program can set it back
        bool operator==(const Identity&) const = default;
    };
    struct Entry
    {
        Identity identity;
        SourceLines lines;
    };

    static bool identify(const std::string& path, Identity& identity);

    std::map<std::string, Entry> m_entries;
    SourceLines m_uncached;
};

} // namespace velmora
