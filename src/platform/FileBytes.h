#pragma once

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>

namespace velmora {

/// A read-only view of a whole file's bytes: mapped into memory where the system allows it, read into one buffer
/// otherwise. The bytes are those of the file when it was opened; a mapped file that another program truncates
/// meanwhile can end the process, one that is rewritten shows its new bytes.
class FileBytes
{
public:
    enum class Access {
        /// map the file; read it when it is empty or the mapping fails, and always on Windows, where a mapped file
        /// cannot be rewritten or replaced by other programs as long as the view exists
        MapOrRead,
        Read, ///< always read it into memory
    };

    FileBytes() = default;
    ~FileBytes();
    FileBytes(FileBytes&& other) noexcept;
    FileBytes& operator=(FileBytes&& other) noexcept;
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;

    /// The whole regular file, or std::nullopt when it cannot be opened or read or is not a regular file.
    static std::optional<FileBytes> load(const std::filesystem::path& path, Access access = Access::MapOrRead);

    /// The first size bytes of a file open for reading, mapped shared with every page brought in at once, for
    /// bytes about to be read once in full. Nothing mapped (mapped() false) when the system refuses.
    static FileBytes mapOpenFile(std::FILE* file, std::size_t size);

    /// A copy of bytes already in memory.
    static FileBytes copyOf(std::string_view source);

    /// Bytes made in memory (a file unpacked from an archive), taken over without a copy: the first size bytes
    /// of the buffer.
    static FileBytes adopt(std::unique_ptr<char[]> buffer, std::size_t size);

    const char* data() const { return m_data; }
    std::size_t size() const { return m_size; }
    std::string_view view() const { return {m_data, m_size}; }

    bool mapped() const { return m_mapping != nullptr; }
    /// Bytes held on the heap: the file's size when it was read, 0 when it is mapped.
    std::size_t heapBytes() const { return m_mapping != nullptr ? 0 : m_size; }

private:
    void release() noexcept;

    const char* m_data = nullptr;
    std::size_t m_size = 0;
    void* m_mapping = nullptr;
    std::unique_ptr<char[]> m_owned;
};

} // namespace velmora
