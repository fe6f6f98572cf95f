#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace velmora {

/// Where the bars of one job go once they outgrow memory: an unnamed temporary file, read back through a
/// memory map when the job's bytes are written. Keeps a run's own memory flat whatever the length of the
/// source. Without a temporary folder (or on any failure) the bytes simply stay in memory.
class OutputSpill
{
public:
    OutputSpill() = default;
    ~OutputSpill();
    OutputSpill(const OutputSpill&) = delete;
    OutputSpill& operator=(const OutputSpill&) = delete;

    /// Starts a new job: nothing spilled yet.
    void reset();

    /// Moves the bytes of output to the file and clears it; leaves them where they are when it cannot.
    void take(std::string& output);

    /// The whole job: what was spilled followed by what is left in output. Valid until the next reset(),
    /// take() or finish(), and as long as output is not changed.
    std::string_view finish(std::string& output);

private:
    void unmap();

    std::FILE* m_file = nullptr;
    std::size_t m_spilled = 0;
    bool m_failed = false;
    void* m_mapping = nullptr;
    std::size_t m_mappingBytes = 0;
    std::string m_readBack; ///< the bytes when they cannot be mapped
};

} // namespace velmora
