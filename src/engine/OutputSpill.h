#pragma once

#include "platform/AtomicFile.h"
#include "platform/FileBytes.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

namespace velmora {

/// Where the bars of one job go once they outgrow memory, so that a run's own memory stays flat whatever the
/// length of the source. When the job's target is known before its walk, they go to the temporary file beside
/// that target (an AtomicFile): writing the job there then needs no copy of them. Otherwise they go to an unnamed
/// temporary file, read back through a memory map when the job is written. Without a temporary file (or on any failure)
/// the bytes simply stay in memory.
class OutputSpill
{
public:
    OutputSpill() = default;
    ~OutputSpill();
    OutputSpill(const OutputSpill&) = delete;
    OutputSpill& operator=(const OutputSpill&) = delete;

    /// Starts a new job: nothing spilled yet. target is where the job will most likely be written, or empty.
    void reset(std::filesystem::path target = {});

    /// Moves the bytes of output to the file and clears it; leaves them where they are when it cannot.
    void take(std::string& output);

    /// Says the job's bytes are all there: when a planned target was given, the rest of them goes beside it
    /// too, and another thread starts putting the file on the disk while the run goes on to its next steps.
    void complete(std::string& output);

    /// The whole job: what was spilled followed by what is left in output. Valid until the next reset(),
    /// take(), finish() or writeTo(), and as long as output is not changed.
    std::string_view finish(std::string& output);

    /// Writes the whole job to path as writeFileAtomically() does, with its error: by renaming the spilled
    /// bytes into place when path is the target given to reset(), by copying them otherwise.
    void writeTo(const std::filesystem::path& path, std::string& output);

private:
    void unmap();
    void awaitSync();
    bool takePrepared(std::string& output);
    std::string_view readBack(std::FILE* file, std::string& output);

    std::FILE* m_file = nullptr;
    std::size_t m_spilled = 0;
    bool m_failed = false;
    FileBytes m_mapping;
    std::string m_readBack; ///< the bytes when they cannot be mapped
    std::filesystem::path m_target;
    std::unique_ptr<AtomicFile> m_prepared; ///< the temporary file beside m_target, once bytes went there
    bool m_preparedRefused = false;         ///< it could not be made: the unnamed file takes the bytes
    std::thread m_sync;                     ///< flushing m_prepared; joined before anything else touches it
};

} // namespace velmora
