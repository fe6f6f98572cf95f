#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>

namespace velmora {

struct StdioFileCloser
{
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using StdioFile = std::unique_ptr<std::FILE, StdioFileCloser>;

/// Opens the file for reading its bytes as they are (whatever characters its path holds); null, with errno
/// telling why, when it cannot.
StdioFile openForReading(const std::filesystem::path& path);

/// Moves to a byte offset, beyond 2 GB too; false when it cannot.
bool seekTo(std::FILE* file, std::uint64_t offset);

} // namespace velmora
