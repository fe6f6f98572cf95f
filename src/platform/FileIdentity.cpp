#include "platform/FileIdentity.h"

#include <chrono>
#include <ctime>

#ifndef _WIN32
#include <sys/stat.h>
#endif
#ifdef __linux__
#include <sys/vfs.h> // statfs
#endif

namespace velmora {

namespace {

constexpr std::int64_t Nano = 1'000'000'000;

#ifdef __linux__
/// File systems whose times the kernel stamps from its own coarse real-time clock, in nanoseconds. Anything else
/// (NFS, SMB, FUSE, FAT, ...) may take its times from another machine or keep them in coarser steps.
bool stampsWithLocalClock(const char* path)
{
    struct statfs system = {};
    if (::statfs(path, &system) != 0) {
        return false;
    }
    switch (static_cast<unsigned long>(system.f_type)) {
    case 0xEF53UL:     // ext2, ext3, ext4
    case 0x58465342UL: // xfs
    case 0x9123683EUL: // btrfs
    case 0x01021994UL: // tmpfs
    case 0x858458F6UL: // ramfs
    case 0xF2F52010UL: // f2fs
    case 0x2FC12FC1UL: // zfs
    case 0xCA451A4EUL: // bcachefs
    case 0x794C7630UL: // overlayfs, whose files keep the times of the local file system beneath it
        return true;
    default:
        return false;
    }
}
#endif

} // namespace

std::optional<FileIdentity> identifyFile(const std::filesystem::path& path)
{
#ifdef _WIN32
    (void)path;
    return std::nullopt;
#else
    struct stat status = {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return std::nullopt;
    }
    FileIdentity identity;
    identity.device = static_cast<std::uint64_t>(status.st_dev);
    identity.inode = static_cast<std::uint64_t>(status.st_ino);
    identity.size = static_cast<std::uint64_t>(status.st_size);
    identity.modified = static_cast<std::int64_t>(status.st_mtim.tv_sec) * Nano + status.st_mtim.tv_nsec;
    identity.changed = static_cast<std::int64_t>(status.st_ctim.tv_sec) * Nano + status.st_ctim.tv_nsec;
#ifdef __linux__
    identity.timesStampedLocally = stampsWithLocalClock(path.c_str());
#endif
    return identity;
#endif
}

std::int64_t fileClockNanoseconds()
{
#ifdef CLOCK_REALTIME_COARSE
    timespec now = {};
    if (::clock_gettime(CLOCK_REALTIME_COARSE, &now) == 0) {
        return static_cast<std::int64_t>(now.tv_sec) * Nano + now.tv_nsec;
    }
#endif
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

} // namespace velmora
