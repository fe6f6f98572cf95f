#include "platform/FileIdentity.h"

#include <chrono>
#include <ctime>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif
#ifdef __linux__
#include <sys/vfs.h> // statfs
#endif

namespace velmora {

namespace {

constexpr std::int64_t Nano = 1'000'000'000;

#ifdef _WIN32
/// Windows file times count 100 ns steps since 1601; ours count nanoseconds since 1970.
std::int64_t nanosecondsSince1970(std::int64_t ticksSince1601)
{
    constexpr std::int64_t TicksFrom1601To1970 = 116'444'736'000'000'000;
    return (ticksSince1601 - TicksFrom1601To1970) * 100;
}

std::int64_t nanosecondsSince1970(FILETIME time)
{
    return nanosecondsSince1970(
        static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32U) | time.dwLowDateTime));
}
#endif

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
    // Opened for its attributes only, sharing everything: identifying a file never stands in anyone's way.
    HANDLE file =
        CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    BY_HANDLE_FILE_INFORMATION info = {};
    FILE_BASIC_INFO basic = {};
    const bool known = GetFileInformationByHandle(file, &info) != 0 &&
                       GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic) != 0;
    const bool regular = known && GetFileType(file) == FILE_TYPE_DISK;
    CloseHandle(file);
    if (!regular || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return std::nullopt;
    }
    FileIdentity identity;
    identity.device = info.dwVolumeSerialNumber;
    identity.inode = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32U) | info.nFileIndexLow;
    identity.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32U) | info.nFileSizeLow;
    identity.modified = nanosecondsSince1970(info.ftLastWriteTime);
    identity.changed = nanosecondsSince1970(basic.ChangeTime.QuadPart);
    // NTFS updates a file's times lazily, up to the handle's closing: they are not known to follow the file clock
    // closely enough to tell two writes apart, so callers wait until a file has settled.
    identity.timesStampedLocally = false;
    return identity;
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
#ifdef _WIN32
    // The system time as file times take it, in the steps of the system's timer.
    FILETIME now = {};
    GetSystemTimeAsFileTime(&now);
    return nanosecondsSince1970(now);
#elif defined(CLOCK_REALTIME_COARSE)
    timespec now = {};
    if (::clock_gettime(CLOCK_REALTIME_COARSE, &now) == 0) {
        return static_cast<std::int64_t>(now.tv_sec) * Nano + now.tv_nsec;
    }
#endif
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

} // namespace velmora
