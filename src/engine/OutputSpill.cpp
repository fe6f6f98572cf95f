#include "engine/OutputSpill.h"

#include "platform/RunError.h"
#include "platform/StdioFile.h"

#include <system_error>
#include <utility> // move

namespace velmora {

OutputSpill::~OutputSpill()
{
    awaitSync();
    unmap();
    if (m_file != nullptr) {
        std::fclose(m_file);
    }
}

void OutputSpill::unmap()
{
    m_mapping = FileBytes();
    m_readBack.clear();
    m_readBack.shrink_to_fit();
}

void OutputSpill::awaitSync()
{
    if (m_sync.joinable()) {
        m_sync.join();
    }
}

void OutputSpill::reset(std::filesystem::path target)
{
    awaitSync();
    unmap();
    m_spilled = 0;
    m_failed = false;
    m_prepared.reset();
    m_preparedRefused = false;
    m_target = std::move(target);
    if (m_file != nullptr) {
        std::rewind(m_file);
    }
}

bool OutputSpill::takePrepared(std::string& output)
{
    if (m_prepared == nullptr && m_spilled == 0 && !m_target.empty() && !m_preparedRefused) {
        try {
            m_prepared = std::make_unique<AtomicFile>(m_target);
        } catch (const RunError&) {
            // The folder refuses the file: the job's write will say so at its turn.
            m_preparedRefused = true;
        }
    }
    if (m_prepared == nullptr) {
        return false;
    }
    if (!m_prepared->tryWrite(output)) {
        // A full disk: what was spilled stays good, the rest stays in memory.
        m_failed = true;
        return true;
    }
    m_spilled += output.size();
    output.clear();
    return true;
}

void OutputSpill::take(std::string& output)
{
    awaitSync();
    if (m_failed || output.empty() || takePrepared(output)) {
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

void OutputSpill::complete(std::string& output)
{
    awaitSync();
    if (m_failed || (m_spilled == 0 && output.empty()) || !takePrepared(output) || m_failed) {
        return;
    }
    try {
        m_sync = std::thread([file = m_prepared.get()] { file->sync(); });
    } catch (const std::system_error&) {
        // No thread to spare: the file is put on the disk when the job is written.
    }
}

std::string_view OutputSpill::finish(std::string& output)
{
    awaitSync();
    unmap();
    if (m_spilled == 0) {
        return output;
    }
    take(output);
    if (m_prepared != nullptr) {
        const auto file = openForReading(m_prepared->temporary());
        if (file == nullptr) {
            throw cannotCreateFile(m_target.string());
        }
        return readBack(file.get(), output);
    }
    std::fflush(m_file);
    return readBack(m_file, output);
}

std::string_view OutputSpill::readBack(std::FILE* file, std::string& output)
{
    const std::size_t total = m_spilled;
    if (output.empty() && !std::ferror(file)) {
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
    m_readBack += output;
    return m_readBack;
}

void OutputSpill::writeTo(const std::filesystem::path& path, std::string& output)
{
    awaitSync();
    if (m_prepared != nullptr && !m_failed && path == m_target) {
        const std::unique_ptr<AtomicFile> file = std::move(m_prepared);
        file->write(output);
        output.clear();
        m_spilled = 0;
        file->commit();
        return;
    }
    writeFileAtomically(path, finish(output));
}

} // namespace velmora
