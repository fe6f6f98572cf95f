#include "FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <unistd.h> // getpid

namespace velmora::fuzz {

std::uint8_t ByteReader::byte()
{
    if (m_bytes.empty()) {
        return 0;
    }
    const auto value = static_cast<std::uint8_t>(m_bytes.front());
    m_bytes.remove_prefix(1);
    return value;
}

std::string_view ByteReader::line(std::size_t maxLength)
{
    const std::size_t end = std::min(m_bytes.find('\n'), std::min(maxLength, m_bytes.size()));
    const std::string_view text = m_bytes.substr(0, end);
    m_bytes.remove_prefix(std::min(end + 1, m_bytes.size()));
    return text;
}

const std::filesystem::path& scratchFolder()
{
    static const std::filesystem::path folder = [] {
        auto path = std::filesystem::temp_directory_path() / ("velmora-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(path);
        // Left behind by a crash is harmless; a clean exit tidies up.
        static const std::string keep = path.string();
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(keep, ignored);
        });
        return path;
    }();
    return folder;
}

void writeFile(const std::filesystem::path& path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

} // namespace velmora::fuzz
