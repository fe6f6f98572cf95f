#include "engine/output/SpillFile.h"

namespace velmora {

SpillFile::~SpillFile()
{
    if (m_file != nullptr) {
        std::fclose(m_file);
    }
}

void SpillFile::restart()
{
    if (m_file != nullptr) {
        std::rewind(m_file);
    }
}

bool SpillFile::write(std::string_view bytes, std::size_t at)
{
    if (m_file == nullptr) {
        m_file = std::tmpfile();
    }
    return m_file != nullptr && std::fseek(m_file, static_cast<long>(at), SEEK_SET) == 0 &&
           std::fwrite(bytes.data(), 1, bytes.size(), m_file) == bytes.size();
}

std::FILE* SpillFile::flushed()
{
    if (m_file != nullptr) {
        std::fflush(m_file);
    }
    return m_file;
}

} // namespace velmora
