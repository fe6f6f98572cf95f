#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

namespace velmora {

/// Writes a whole file so that readers only ever see the old content or the new one, never a half-written
/// file: the bytes go to a temporary file in the target's folder, are flushed to the disk, and the temporary
/// file is then renamed over the target. A target that is a symbolic link is written through the link.
///
/// Every failure throws RunError "ファイル %s を作成できません" with the target's path; the temporary file is
/// removed and the previous target stays as it was. An AtomicFile destroyed without commit() leaves no trace.
class AtomicFile
{
public:
    /// Creates the temporary file beside the target.
    explicit AtomicFile(std::filesystem::path target);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    void write(std::string_view bytes);
    /// write() that leaves the file in place when it fails: false, with an unknown part of the bytes written.
    bool tryWrite(std::string_view bytes) noexcept;
    /// Writes the bytes over what was written at offset (within what was written so far); later writes go on
    /// at the end. False when it fails.
    bool tryWriteAt(std::string_view bytes, std::uint64_t offset) noexcept;
    /// Puts what was written so far on the disk, so that commit() has only to rename. May run on another
    /// thread than the one that made the file, while that one leaves the file alone. False when it fails, and
    /// commit() then fails too.
    bool sync() noexcept;
    /// Flushes, syncs (unless sync() did since the last write) and renames over the target. Call at most once;
    /// later writes are refused.
    void commit();

    const std::filesystem::path& target() const { return m_target; }
    /// The temporary file the bytes go to; empty once committed or discarded.
    const std::filesystem::path& temporary() const { return m_temporary; }

private:
    [[noreturn]] void fail();
    void discard() noexcept;

    std::filesystem::path m_target;
    std::filesystem::path m_destination; // the target with symbolic links followed
    std::filesystem::path m_temporary;
    int m_descriptor = -1;
    bool m_synced = false;
    bool m_syncFailed = false;
};

/// The whole content of a file replaced atomically (see AtomicFile).
void writeFileAtomically(const std::filesystem::path& target, std::string_view bytes);

} // namespace velmora
