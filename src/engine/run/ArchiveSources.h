#pragma once

#include "input/SourceLines.h"

#include <cstddef>
#include <exception>
#include <optional>
#include <string>
#include <vector>

namespace velmora {

/// A source packed in an archive: one file of a zip, or the contents of a gzip file.
struct ArchiveMember
{
    std::string archive; ///< the registered archive, as registered
    std::string member;  ///< the file's name in the zip as stored; empty for a gzip file
    /// Why the archive gives no file to read (cannot be opened, damaged, holds none); rethrown when it is read.
    std::exception_ptr failure;
};

/// The sources of a run once its archives are opened up: a plain file stays as it is, a gzip file stands for its
/// contents, and a zip for each file in it, in name order. Only the directory of each zip is read here; files are
/// unpacked when their turn comes.
///
/// A source from an archive is named as if it were unpacked beside the archive ("<folder>/<name in the zip without
/// its folders>", "<folder>/<gzip name without .gz>"), so that its outputs are named after it and written there.
class ArchiveSources
{
public:
    ArchiveSources() = default;
    explicit ArchiveSources(const std::vector<std::string>& registered);

    /// Every source in order, each archive in the place it was registered.
    const std::vector<std::string>& files() const { return m_files; }
    /// The archive member source i stands for, or nullptr for a plain file.
    const ArchiveMember* member(std::size_t i) const
    {
        return i < m_members.size() && m_members[i].has_value() ? &*m_members[i] : nullptr;
    }
    /// True when any registered file is an archive.
    bool anyArchive() const { return m_anyArchive; }

private:
    std::vector<std::string> m_files;
    std::vector<std::optional<ArchiveMember>> m_members;
    bool m_anyArchive = false;
};

/// The lines of a registered file as a preview shows them: a plain file's, a gzip file's contents, the first file
/// in name order of a zip. Throws what SourceLines::load throws, or ArchiveError.
SourceLines previewLines(const std::string& registered);

} // namespace velmora
