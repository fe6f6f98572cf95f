#include "engine/output/JobOutput.h"

#include "platform/AtomicFile.h"
#include "platform/RunError.h"
#include "platform/StdioFile.h"
#include "platform/Text.h"

#include <algorithm>

namespace velmora {

void JobOutput::start(std::filesystem::path plannedTarget)
{
    releaseReadBack();
    m_bytes.clear();
    m_draft.discard();
    m_spillFile.restart();
    m_spilled = 0;
    m_failed = false;
    m_front.clear();
    m_target = std::move(plannedTarget);
}

bool JobOutput::toDraft()
{
    const bool useDraft = m_draft.isOpen() || (m_spilled == 0 && !m_target.empty() && m_draft.open(m_target));
    if (!useDraft) {
        return false;
    }
    if (!m_draft.append(m_bytes)) {
        // A full disk: what was spilled stays good, the rest stays in memory.
        m_failed = true;
        return true;
    }
    m_spilled += m_bytes.size();
    m_bytes.clear();
    return true;
}

void JobOutput::spill()
{
    if (m_failed || m_bytes.empty() || toDraft()) {
        return;
    }
    if (!m_spillFile.write(m_bytes, m_spilled)) {
        // A full temporary folder: what was spilled stays good, the rest stays in memory.
        m_failed = true;
        return;
    }
    m_spilled += m_bytes.size();
    m_bytes.clear();
}

void JobOutput::replaceFront(std::string_view bytes)
{
    if (bytes.empty()) {
        return;
    }
    if (m_spilled == 0) {
        m_bytes.replace(0, std::min(bytes.size(), m_bytes.size()), bytes);
        return;
    }
    const bool replaced = m_draft.isOpen() ? m_draft.replaceFront(bytes) : m_spillFile.write(bytes, 0);
    if (!replaced) {
        // Put in place when the job is written, from a copy.
        m_front.assign(bytes);
    }
}

void JobOutput::complete()
{
    if (m_failed || (m_spilled == 0 && m_bytes.empty()) || !toDraft() || m_failed) {
        return;
    }
    m_draft.flushInBackground();
}

std::string_view JobOutput::contents()
{
    releaseReadBack();
    if (m_spilled == 0) {
        return m_bytes;
    }
    if (!m_front.empty()) {
        std::string whole(readSpilled());
        m_mapping = FileBytes();
        m_readBack = std::move(whole);
        m_readBack.replace(0, std::min(m_front.size(), m_readBack.size()), m_front);
        return m_readBack;
    }
    return readSpilled();
}

std::string_view JobOutput::readSpilled()
{
    spill();
    if (m_draft.isOpen()) {
        const auto file = openForReading(m_draft.temporary());
        if (file == nullptr) {
            throw cannotCreateFile(pathText(m_target));
        }
        return readBack(file.get());
    }
    return readBack(m_spillFile.flushed());
}

std::string_view JobOutput::readBack(std::FILE* file)
{
    const std::size_t total = m_spilled;
    if (m_bytes.empty() && std::ferror(file) == 0) {
        // The bytes are read once, straight after: mapping them all at once spares a fault per few pages.
        m_mapping = FileBytes::mapOpenFile(file, total);
        if (m_mapping.mapped()) {
            return m_mapping.view();
        }
    }
    // Read the spilled part back in front of what stayed in memory.
    m_readBack.resize(total);
    std::rewind(file);
    const std::size_t got = std::fread(m_readBack.data(), 1, total, file);
    m_readBack.resize(got);
    m_readBack += m_bytes;
    return m_readBack;
}

void JobOutput::releaseReadBack()
{
    m_mapping = FileBytes();
    m_readBack.clear();
    m_readBack.shrink_to_fit();
}

void JobOutput::writeTo(const std::filesystem::path& path)
{
    if (m_draft.isOpen() && !m_failed && m_front.empty() && path == m_target) {
        // Windows refuses to replace a file while a view of it is mapped.
        releaseReadBack();
        m_draft.commit(m_bytes);
        m_bytes.clear();
        m_spilled = 0;
        return;
    }
    writeFileAtomically(path, contents());
}

} // namespace velmora
