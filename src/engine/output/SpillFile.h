#pragma once

#include <cstddef>
#include <cstdio>
#include <string_view>

namespace velmora {

/// An unnamed temporary file that holds the bars of a job whose target is not known before its walk, so that
/// a run's own memory stays flat whatever the length of the source. One file serves job after job.
class SpillFile
{
public:
    SpillFile() = default;
    ~SpillFile();
    SpillFile(const SpillFile&) = delete;
    SpillFile& operator=(const SpillFile&) = delete;

    /// A new job: what the last one wrote no longer counts, nor its write errors.
    void restart();

    /// Writes the bytes at offset at, making the file on first use; false when the temporary folder is full or
    /// refuses the file.
    bool write(std::string_view bytes, std::size_t at);

    /// The file with everything written flushed, for reading back; null before the first write.
    std::FILE* flushed();

private:
    std::FILE* m_file = nullptr;
};

} // namespace velmora
