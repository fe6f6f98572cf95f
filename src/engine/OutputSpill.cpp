#include "engine/OutputSpill.h"

#ifndef _WIN32
#include <sys/mman.h>
#endif

namespace velmora {

OutputSpill::~OutputSpill()
{
    unmap();
    if (m_file != nullptr) {
        std::fclose(m_file);
    }
}

void OutputSpill::unmap()
{
#ifndef _WIN32
    if (m_mapping != nullptr) {
        ::munmap(m_mapping, m_mappingBytes);
    }
#endif
    m_mapping = nullptr;
    m_mappingBytes = 0;
    m_readBack.clear();
    m_readBack.shrink_to_fit();
}

void OutputSpill::reset()
{
    unmap();
    m_spilled = 0;
    m_failed = false;
    if (m_file != nullptr) {
        std::rewind(m_file);
    }
}

void OutputSpill::take(std::string& output)
{
    if (m_failed || output.empty()) {
        return;
    }
    if (m_file == nullptr) {
        m_file = std::tmpfile();
    }
    if (m_file == nullptr || std::fseek(m_file, static_cast<long>(m_spilled), SEEK_SET) != 0 ||
        std::fwrite(output.data(), 1, output.size(), m_file) != output.size()) {
        // A full temporary folder: what was spilled stays good, the rest stays in memory.
        m_failed = true;
        return;
    }
    m_spilled += output.size();
    output.clear();
}

std::string_view OutputSpill::finish(std::string& output)
{
    unmap();
    if (m_spilled == 0) {
        return output;
    }
    take(output);
    std::fflush(m_file);
    const std::size_t total = m_spilled;
#ifndef _WIN32
    if (output.empty() && !std::ferror(m_file)) {
        // The bytes are read once, straight after: mapping them all at once spares a fault per few pages.
        int flags = MAP_SHARED;
#ifdef MAP_POPULATE
        flags |= MAP_POPULATE;
#endif
        void* address = ::mmap(nullptr, total, PROT_READ, flags, fileno(m_file), 0);
        if (address != MAP_FAILED) {
            m_mapping = address;
            m_mappingBytes = total;
            return {static_cast<const char*>(m_mapping), total};
        }
    }
#endif
    // Read the spilled part back in front of what stayed in memory.
    m_readBack.resize(total);
    std::rewind(m_file);
    const std::size_t got = std::fread(m_readBack.data(), 1, total, m_file);
    m_readBack.resize(got);
    m_readBack += output;
    return m_readBack;
}

} // namespace velmora
