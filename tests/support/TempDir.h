#pragma once

#include <filesystem>
#include <ios>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::test {

/// A fresh folder under the system's temporary folder, removed with everything in it when the object dies.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    /// The name is UTF-8 text, on Windows too.
    std::filesystem::path file(std::string_view name) const
    {
        return m_path / std::filesystem::path(std::u8string(name.begin(), name.end()));
    }

    /// Writes the bytes as they are (no line-end translation) and returns the file's path.
    std::filesystem::path write(std::string_view name, std::string_view bytes) const;

private:
    std::filesystem::path m_path;
};

/// Writes the bytes as they are to the path, making its folders first; with std::ios::app they go at its end.
void writeFile(const std::filesystem::path& path, std::string_view bytes, std::ios::openmode mode = std::ios::trunc);

/// The whole content of a file as bytes; empty when it cannot be read.
std::string readBytes(const std::filesystem::path& file);

/// The names of what a folder holds, sorted.
std::vector<std::string> folderNames(const std::filesystem::path& folder);

} // namespace velmora::test
