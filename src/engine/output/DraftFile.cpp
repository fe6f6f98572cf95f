#include "engine/output/DraftFile.h"

#include "platform/RunError.h"

#include <system_error>

namespace velmora {

DraftFile::~DraftFile()
{
    awaitFlush();
}

void DraftFile::awaitFlush()
{
    if (m_flush.joinable()) {
        m_flush.join();
    }
}

bool DraftFile::open(const std::filesystem::path& target)
{
    awaitFlush();
    if (m_file == nullptr && !m_refused) {
        try {
            m_file = std::make_unique<AtomicFile>(target);
        } catch (const RunError&) {
            // The folder refuses the file: the job's write will say so at its turn.
            m_refused = true;
        } catch (const std::filesystem::filesystem_error&) {
            m_refused = true;
        }
    }
    return m_file != nullptr;
}

bool DraftFile::append(std::string_view bytes)
{
    awaitFlush();
    return m_file->tryWrite(bytes);
}

bool DraftFile::replaceFront(std::string_view bytes)
{
    awaitFlush();
    return m_file->tryWriteAt(bytes, 0);
}

void DraftFile::flushInBackground()
{
    awaitFlush();
    try {
        m_flush = std::thread([file = m_file.get()] { file->sync(); });
    } catch (const std::system_error&) {
        // No thread to spare: the file is put on the disk when the job is written.
    }
}

void DraftFile::commit(std::string_view rest)
{
    awaitFlush();
    const std::unique_ptr<AtomicFile> file = std::move(m_file);
    file->write(rest);
    file->commit();
}

void DraftFile::discard()
{
    awaitFlush();
    m_file.reset();
    m_refused = false;
}

} // namespace velmora
