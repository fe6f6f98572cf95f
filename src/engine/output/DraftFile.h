#pragma once

#include "platform/AtomicFile.h"

#include <filesystem>
#include <memory>
#include <string_view>
#include <thread>

namespace velmora {

/// A job's file in the making, in the temporary file beside its planned target (an AtomicFile): its bars go
/// there as they come, it is put on the disk by another thread once they are all there, and it is renamed into
/// place at the job's turn. Destroyed without commit(), it leaves no trace.
class DraftFile
{
public:
    DraftFile() = default;
    ~DraftFile();
    DraftFile(const DraftFile&) = delete;
    DraftFile& operator=(const DraftFile&) = delete;

    /// Makes the temporary file beside target unless it is there; false when the folder refuses it, which is
    /// remembered until discard().
    bool open(const std::filesystem::path& target);
    bool isOpen() const { return m_file != nullptr; }

    /// Appends the bytes; false (with an unknown part of them written) on a full disk.
    bool append(std::string_view bytes);
    /// Writes the bytes over the file's first ones; false when it fails.
    bool replaceFront(std::string_view bytes);

    /// Starts putting the file on the disk on another thread, while the run goes on; where no thread is to be
    /// had, commit() does it.
    void flushInBackground();

    /// Appends rest and renames the file over its target; throws the error of AtomicFile::commit().
    void commit(std::string_view rest);

    /// The temporary file's path, while open.
    const std::filesystem::path& temporary() const { return m_file->temporary(); }

    /// Removes the file, if any, and forgets a refusal.
    void discard();

private:
    void awaitFlush();

    std::unique_ptr<AtomicFile> m_file;
    bool m_refused = false;
    std::thread m_flush; ///< joined before anything else touches m_file
};

} // namespace velmora
