#include "platform/FileBytes.h"

#include <algorithm> // min
#include <cstring>   // memcpy
#include <system_error>
#include <utility> // exchange

#ifdef _WIN32
#include <cstdio>
#include <io.h> // _get_osfhandle
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace velmora {

namespace {

#ifdef _WIN32

class FileHandle
{
public:
    explicit FileHandle(HANDLE handle) : m_handle(handle) {}
    ~FileHandle()
    {
        if (m_handle != INVALID_HANDLE_VALUE && m_handle != nullptr) {
            CloseHandle(m_handle);
        }
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    [[nodiscard]] HANDLE get() const { return m_handle; }
    [[nodiscard]] bool valid() const { return m_handle != INVALID_HANDLE_VALUE && m_handle != nullptr; }

private:
    HANDLE m_handle;
};

/// Opened for reading and letting others read, write, rename and delete it meanwhile, as a POSIX open would.
FileHandle openShared(const std::filesystem::path& path)
{
    return FileHandle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

/// The size of an open regular file (not a folder, pipe or device); false for anything else.
bool regularFileSize(HANDLE file, std::size_t& size)
{
    BY_HANDLE_FILE_INFORMATION info = {};
    LARGE_INTEGER bytes = {};
    if (GetFileType(file) != FILE_TYPE_DISK || GetFileInformationByHandle(file, &info) == 0 ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || GetFileSizeEx(file, &bytes) == 0 ||
        bytes.QuadPart < 0) {
        return false;
    }
    size = static_cast<std::size_t>(bytes.QuadPart);
    return true;
}

/// A read-only view of the first size bytes of an open file; null when the system refuses. The view keeps the
/// file's section alive after the handle is closed.
void* mapView(HANDLE file, std::size_t size)
{
    HANDLE section = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (section == nullptr) {
        return nullptr;
    }
    void* view = MapViewOfFile(section, FILE_MAP_READ, 0, 0, size);
    CloseHandle(section);
    return view;
}

bool readWholeFile(const std::filesystem::path& path, std::unique_ptr<char[]>& bytes, std::size_t& count)
{
    const FileHandle file = openShared(path);
    std::size_t size = 0;
    if (!file.valid() || !regularFileSize(file.get(), size)) {
        return false;
    }
    bytes = std::make_unique_for_overwrite<char[]>(size);
    count = 0;
    // Taken as it was when opened, as on other systems: up to its size then, or to where it now ends.
    while (count < size) {
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(size - count, std::size_t{1} << 30U));
        DWORD got = 0;
        if (ReadFile(file.get(), bytes.get() + count, chunk, &got, nullptr) == 0) {
            return false;
        }
        if (got == 0) {
            break;
        }
        count += got;
    }
    return true;
}

#else

class FileDescriptor
{
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    [[nodiscard]] int get() const { return m_fd; }

private:
    int m_fd;
};

bool readWholeFile(const std::filesystem::path& path, std::unique_ptr<char[]>& bytes, std::size_t& count)
{
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat status = {};
    if (file.get() < 0 || ::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return false;
    }
    const auto size = static_cast<std::size_t>(status.st_size);
    bytes = std::make_unique_for_overwrite<char[]>(size);
    count = 0;
    // The file is taken as it was when opened: a file that grows meanwhile is read up to its size then,
    // one that shrinks up to where it now ends.
    while (count < size) {
        const std::size_t chunk = std::min<std::size_t>(size - count, std::size_t{1} << 30U);
        const ssize_t got = ::read(file.get(), bytes.get() + count, chunk);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (got == 0) {
            break;
        }
        count += static_cast<std::size_t>(got);
    }
    return true;
}

/// Maps the whole regular file read-only. Returns false, leaving the file to be read instead, when the file
/// is empty or the mapping fails; throws nothing.
bool mapWholeFile(const std::filesystem::path& path, void*& mapping, std::size_t& count, bool& opened)
{
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat status = {};
    opened = file.get() >= 0 && ::fstat(file.get(), &status) == 0 && S_ISREG(status.st_mode);
    if (!opened || status.st_size <= 0) {
        return false;
    }
    const auto size = static_cast<std::size_t>(status.st_size);
    // Mapping every page in one go spares a fault per few pages, but only pays while the file fits in free
    // memory with room to spare; a larger file is paged in as the walk reaches it.
    int flags = MAP_PRIVATE;
#ifdef MAP_POPULATE
    const long freePages = ::sysconf(_SC_AVPHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (freePages > 0 && pageSize > 0 &&
        size < static_cast<std::size_t>(freePages) / 4 * static_cast<std::size_t>(pageSize)) {
        flags |= MAP_POPULATE;
    }
#endif
    void* address = ::mmap(nullptr, size, PROT_READ, flags, file.get(), 0);
    if (address == MAP_FAILED) {
        return false;
    }
    mapping = address;
    count = size;
    return true;
}

#endif

} // namespace

FileBytes::~FileBytes()
{
    release();
}

FileBytes::FileBytes(FileBytes&& other) noexcept
{
    *this = std::move(other);
}

FileBytes& FileBytes::operator=(FileBytes&& other) noexcept
{
    if (this != &other) {
        release();
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
        m_mapping = std::exchange(other.m_mapping, nullptr);
        m_owned = std::move(other.m_owned);
    }
    return *this;
}

void FileBytes::release() noexcept
{
    if (m_mapping != nullptr) {
#ifdef _WIN32
        UnmapViewOfFile(m_mapping);
#else
        ::munmap(m_mapping, m_size);
#endif
    }
    m_mapping = nullptr;
    m_owned.reset();
    m_data = nullptr;
    m_size = 0;
}

std::optional<FileBytes> FileBytes::load(const std::filesystem::path& path, Access access)
{
    FileBytes bytes;
    std::size_t count = 0;
#ifdef _WIN32
    // Read, never mapped: while a view exists, Windows refuses every other program's truncation, rewrite or
    // replacement of the file, and a source stays loaded for a whole run (the download tool may rewrite it).
    (void)access;
#else
    if (access == Access::MapOrRead) {
        bool opened = false;
        if (mapWholeFile(path, bytes.m_mapping, count, opened)) {
            bytes.m_data = static_cast<const char*>(bytes.m_mapping);
            bytes.m_size = count;
            return bytes;
        }
        if (!opened) {
            return std::nullopt;
        }
    }
#endif
    if (!readWholeFile(path, bytes.m_owned, count)) {
        return std::nullopt;
    }
    bytes.m_data = bytes.m_owned.get();
    bytes.m_size = count;
    return bytes;
}

FileBytes FileBytes::mapOpenFile(std::FILE* file, std::size_t size)
{
    FileBytes bytes;
#ifdef _WIN32
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    void* view = size > 0 && handle != INVALID_HANDLE_VALUE ? mapView(handle, size) : nullptr;
    if (view != nullptr) {
        bytes.m_mapping = view;
        bytes.m_data = static_cast<const char*>(view);
        bytes.m_size = size;
    }
#else
    int flags = MAP_SHARED;
#ifdef MAP_POPULATE
    flags |= MAP_POPULATE;
#endif
    void* address = ::mmap(nullptr, size, PROT_READ, flags, fileno(file), 0);
    if (address != MAP_FAILED) {
        bytes.m_mapping = address;
        bytes.m_data = static_cast<const char*>(address);
        bytes.m_size = size;
    }
#endif
    return bytes;
}

FileBytes FileBytes::copyOf(std::string_view source)
{
    FileBytes bytes;
    bytes.m_owned = std::make_unique_for_overwrite<char[]>(source.size());
    if (!source.empty()) {
        std::memcpy(bytes.m_owned.get(), source.data(), source.size());
    }
    bytes.m_data = bytes.m_owned.get();
    bytes.m_size = source.size();
    return bytes;
}

FileBytes FileBytes::adopt(std::unique_ptr<char[]> buffer, std::size_t size)
{
    FileBytes bytes;
    bytes.m_owned = std::move(buffer);
    bytes.m_data = bytes.m_owned.get();
    bytes.m_size = bytes.m_data == nullptr ? 0 : size;
    return bytes;
}

} // namespace velmora
