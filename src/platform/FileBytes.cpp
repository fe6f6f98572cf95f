#include "platform/FileBytes.h"

#include <algorithm> // min
#include <cstring>   // memcpy
#include <system_error>
#include <utility> // exchange

#ifdef _WIN32
#include <cstdio>
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

struct FileCloser
{
    void operator()(std::FILE* file) const { std::fclose(file); }
};

/// Reads the whole file into a buffer allocated once at the file's size. Returns false when it cannot.
bool readWholeFile(const std::filesystem::path& path, std::unique_ptr<char[]>& bytes, std::size_t& count)
{
    std::unique_ptr<std::FILE, FileCloser> file(_wfopen(path.c_str(), L"rb"));
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (!file || error) {
        return false;
    }
    bytes = std::make_unique_for_overwrite<char[]>(static_cast<std::size_t>(size));
    count = std::fread(bytes.get(), 1, static_cast<std::size_t>(size), file.get());
    return !std::ferror(file.get());
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
#ifndef _WIN32
    if (m_mapping != nullptr) {
        ::munmap(m_mapping, m_size);
    }
#endif
    m_mapping = nullptr;
    m_owned.reset();
    m_data = nullptr;
    m_size = 0;
}

std::optional<FileBytes> FileBytes::load(const std::filesystem::path& path, Access access)
{
    FileBytes bytes;
    std::size_t count = 0;
#ifndef _WIN32
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
#else
    (void)access;
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
    (void)file;
    (void)size;
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

} // namespace velmora
