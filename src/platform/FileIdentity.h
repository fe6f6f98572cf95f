#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

namespace velmora {

/// What tells one state of a file from another without reading it: where it lives, its size and its times.
/// Whoever rewrites, replaces or grows the file changes at least one of them, provided the file system's
/// clock moved in between (see timesStampedLocally).
struct FileIdentity
{
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modified = 0; ///< nanoseconds since 1970
    std::int64_t changed = 0;  ///< nanoseconds since 1970; no program can set it back
    /// The times are stamped in nanoseconds by this machine's file clock (fileClockNanoseconds()): a local disk
    /// or memory file system. False on network shares, FUSE and FAT, whose times come from another clock or
    /// in coarser steps, and wherever the system is not known to stamp that way.
    bool timesStampedLocally = false;

    bool operator==(const FileIdentity&) const = default;
};

/// The identity of a regular file, read by path; std::nullopt when there is none there (or it is not a regular
/// file), and always on systems where it is not yet read.
std::optional<FileIdentity> identifyFile(const std::filesystem::path& path);

/// Nanoseconds since 1970 on the clock the system stamps file times with. On Linux that is the coarse real-time
/// clock, which moves in steps of one timer tick (1 to 10 ms) and may lag a fine-grained stamp by up to one step.
std::int64_t fileClockNanoseconds();

} // namespace velmora
