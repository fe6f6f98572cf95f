#include "platform/AtomicFile.h"

#include "platform/RunError.h"
#include "platform/Text.h"

#include <algorithm> // std::min
#include <cerrno>
#include <random>
#include <string>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace velmora {

namespace {

std::filesystem::path followLinks(const std::filesystem::path& target)
{
    std::error_code error;
    if (!std::filesystem::is_symlink(std::filesystem::symlink_status(target, error))) {
        return target;
    }
    // A dangling link cannot be resolved; the link itself is then replaced by the new file.
    auto resolved = std::filesystem::canonical(target, error);
    return error ? target : resolved;
}

std::string randomSuffix()
{
    static thread_local std::mt19937_64 random{std::random_device{}()};
    constexpr char Digits[] = "0123456789abcdef";
    std::string suffix(12, '0');
    auto bits = random();
    for (char& digit : suffix) {
        digit = Digits[bits & 0xF];
        bits >>= 4;
    }
    return suffix;
}

int createExclusive(const std::filesystem::path& file)
{
#ifdef _WIN32
    int descriptor = -1;
    _wsopen_s(&descriptor, file.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY | _O_NOINHERIT, _SH_DENYNO,
              _S_IREAD | _S_IWRITE);
    return descriptor;
#else
    // 0666 lets the user's umask decide, as for any file the program creates.
    return ::open(file.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
#endif
}

bool writeAll(int descriptor, std::string_view bytes)
{
    while (!bytes.empty()) {
#ifdef _WIN32
        const auto chunk = static_cast<unsigned>(std::min<std::size_t>(bytes.size(), 1U << 30));
        const int written = _write(descriptor, bytes.data(), chunk);
#else
        const ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
#endif
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (written == 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool seekTo(int descriptor, std::uint64_t offset, int whence)
{
#ifdef _WIN32
    return _lseeki64(descriptor, static_cast<__int64>(offset), whence) >= 0;
#else
    return ::lseek(descriptor, static_cast<off_t>(offset), whence) >= 0;
#endif
}

bool syncDescriptor(int descriptor)
{
#ifdef _WIN32
    return _commit(descriptor) == 0;
#else
    return ::fsync(descriptor) == 0;
#endif
}

bool syncAndClose(int descriptor, bool synced)
{
    synced = synced || syncDescriptor(descriptor);
#ifdef _WIN32
    return (_close(descriptor) == 0) && synced;
#else
    return (::close(descriptor) == 0) && synced;
#endif
}

void closeQuietly(int descriptor) noexcept
{
#ifdef _WIN32
    _close(descriptor);
#else
    ::close(descriptor);
#endif
}

bool renameOver(const std::filesystem::path& from, const std::filesystem::path& to)
{
#ifdef _WIN32
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
    return ::rename(from.c_str(), to.c_str()) == 0;
#endif
}

#ifndef _WIN32
// The new file takes the place of the old one, so it keeps the old one's permissions (and owner, where we may).
void copyModeFrom(const std::filesystem::path& target, int descriptor)
{
    struct stat old
    {
    };
    if (::stat(target.c_str(), &old) != 0 || !S_ISREG(old.st_mode)) {
        return;
    }
    [[maybe_unused]] const int modeResult = ::fchmod(descriptor, old.st_mode & 07777);
    if (::geteuid() == 0) {
        [[maybe_unused]] const int ownerResult = ::fchown(descriptor, old.st_uid, old.st_gid);
    }
}

// Makes the rename itself durable; a failure here does not undo the write, so it is not reported.
void syncFolder(const std::filesystem::path& folder)
{
    const int descriptor = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor >= 0) {
        ::fsync(descriptor);
        ::close(descriptor);
    }
}
#endif

} // namespace

AtomicFile::AtomicFile(std::filesystem::path target) : m_target(std::move(target)), m_destination(followLinks(m_target))
{
    const auto folder = m_destination.parent_path();
    // Joined as paths, not as texts: the name keeps its characters whatever the system's code page.
    std::filesystem::path name = ".";
    name += m_destination.filename();
    name += ".tmp-";
    for (int attempt = 0; attempt < 16 && m_descriptor < 0; ++attempt) {
        m_temporary = folder / name;
        m_temporary += randomSuffix();
        m_descriptor = createExclusive(m_temporary);
        if (m_descriptor < 0 && errno != EEXIST) {
            break;
        }
    }
    if (m_descriptor < 0) {
        m_temporary.clear();
        throw cannotCreateFile(pathText(m_target));
    }
#ifndef _WIN32
    copyModeFrom(m_destination, m_descriptor);
#endif
}

AtomicFile::~AtomicFile()
{
    discard();
}

void AtomicFile::write(std::string_view bytes)
{
    if (!tryWrite(bytes)) {
        fail();
    }
}

void AtomicFile::commit()
{
    if (m_descriptor < 0) {
        fail();
    }
    const int descriptor = m_descriptor;
    m_descriptor = -1;
    if (!syncAndClose(descriptor, m_synced) || m_syncFailed) {
        fail();
    }
    if (!renameOver(m_temporary, m_destination)) {
        fail();
    }
    m_temporary.clear();
#ifndef _WIN32
    syncFolder(m_destination.parent_path());
#endif
}

void AtomicFile::fail()
{
    discard();
    throw cannotCreateFile(pathText(m_target));
}

void AtomicFile::discard() noexcept
{
    if (m_descriptor >= 0) {
        closeQuietly(m_descriptor);
        m_descriptor = -1;
    }
    if (!m_temporary.empty()) {
        std::error_code ignored;
        std::filesystem::remove(m_temporary, ignored);
        m_temporary.clear();
    }
}

bool AtomicFile::tryWrite(std::string_view bytes) noexcept
{
    if (bytes.empty()) {
        return m_descriptor >= 0;
    }
    m_synced = false;
    return m_descriptor >= 0 && writeAll(m_descriptor, bytes);
}

bool AtomicFile::tryWriteAt(std::string_view bytes, std::uint64_t offset) noexcept
{
    if (m_descriptor < 0) {
        return false;
    }
    m_synced = false;
    const bool written = seekTo(m_descriptor, offset, SEEK_SET) && writeAll(m_descriptor, bytes);
    return seekTo(m_descriptor, 0, SEEK_END) && written;
}

bool AtomicFile::sync() noexcept
{
    m_synced = m_descriptor >= 0 && syncDescriptor(m_descriptor);
    // A failed flush is not tried again: the system may have dropped the bytes it could not write.
    m_syncFailed = m_syncFailed || !m_synced;
    return m_synced;
}

void writeFileAtomically(const std::filesystem::path& target, std::string_view bytes)
{
    AtomicFile file(target);
    file.write(bytes);
    file.commit();
}

} // namespace velmora
