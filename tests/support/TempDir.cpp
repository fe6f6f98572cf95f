#include "support/TempDir.h"

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>
#include <system_error>

namespace velmora::test {

TempDir::TempDir()
{
    std::random_device seed;
    std::mt19937_64 random(seed());
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
        auto candidate = base / ("velmora-test-" + std::to_string(random()));
        if (std::filesystem::create_directory(candidate)) {
            m_path = std::move(candidate);
            return;
        }
    }
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::filesystem::path TempDir::write(std::string_view name, std::string_view bytes) const
{
    auto target = file(name);
    std::filesystem::create_directories(target.parent_path());
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return target;
}

void writeFile(const std::filesystem::path& path, std::string_view bytes, std::ios::openmode mode)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | mode).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string readBytes(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return std::move(content).str();
}

std::vector<std::string> folderNames(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace velmora::test
