#pragma once

#include "engine/host/NullRunHost.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace velmora::fuzz {

/// The fuzzer's bytes as a text view.
inline std::string_view bytesOf(const std::uint8_t* data, std::size_t size)
{
    return {reinterpret_cast<const char*>(data), size};
}

/// Takes bytes off the front of the input: small numbers for choices, then the rest as text.
class ByteReader
{
public:
    explicit ByteReader(std::string_view bytes) : m_bytes(bytes) {}
    std::uint8_t byte();
    bool flag() { return (byte() & 1U) != 0; }
    /// Text up to the next '\n' (not included), at most maxLength bytes.
    std::string_view line(std::size_t maxLength);
    std::string_view rest() const { return m_bytes; }

private:
    std::string_view m_bytes;
};

/// A run host that records nothing and answers every overwrite question with Overwrite.
using NullHost = NullRunHost;

/// A folder of this process under the system's temporary folder, made on first use and reused by every case.
const std::filesystem::path& scratchFolder();

/// Replaces the file's content with the bytes.
void writeFile(const std::filesystem::path& path, std::string_view bytes);

} // namespace velmora::fuzz
