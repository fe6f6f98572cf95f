#pragma once

#include "engine/output/DraftFile.h"
#include "engine/output/SpillFile.h"
#include "platform/FileBytes.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace velmora {

/// The bar lines of one job on their way to its file. The newest are in memory; once they outgrow it they go
/// to the draft beside the planned target, so that writing the job there is a rename, or, where there is no
/// planned target or its folder refuses the draft, to an unnamed spill file that is read back when the job is
/// written. Whatever cannot be moved (a full disk) simply stays in memory.
class JobOutput
{
public:
    JobOutput() = default;
    ~JobOutput() = default;
    JobOutput(const JobOutput&) = delete;
    JobOutput& operator=(const JobOutput&) = delete;

    /// A new job, most likely written to plannedTarget (empty when unknown): nothing held yet.
    void start(std::filesystem::path plannedTarget = {});

    /// Where the walk appends its bar lines.
    std::string& bytes() { return m_bytes; }

    /// Moves what bytes() holds out of memory, where it can.
    void spill();
    /// spill() as the walk's spill function (BuildEnvironment::spill).
    std::function<void()> spiller()
    {
        return [this] { spill(); };
    }

    /// Puts the bytes in place of the job's first ones, once they have all been appended (and before complete()).
    void replaceFront(std::string_view bytes);

    /// True while the job holds no byte at all.
    bool empty() const { return m_spilled == 0 && m_bytes.empty(); }

    /// Every bar is there: with a planned target, the draft takes the rest and starts on its way to the disk
    /// while the run goes on.
    void complete();

    /// The whole job: what was spilled followed by what is in memory. Valid until the next call of anything
    /// else.
    std::string_view contents();

    /// Writes the whole job to path as writeFileAtomically() does, with its error: by renaming the draft into
    /// place when path is the planned target, by copying the bytes otherwise.
    void writeTo(const std::filesystem::path& path);

private:
    bool toDraft();
    std::string_view readSpilled();
    std::string_view readBack(std::FILE* file);
    void releaseReadBack();

    std::string m_bytes;
    std::filesystem::path m_target;
    DraftFile m_draft;
    SpillFile m_spillFile;
    std::size_t m_spilled = 0; ///< bytes moved to the draft or the spill file
    bool m_failed = false;     ///< a write out of memory failed: the rest of the job stays in memory
    FileBytes m_mapping;       ///< the spilled bytes mapped back
    std::string m_readBack;    ///< the bytes when they cannot be mapped
    std::string m_front;       ///< first bytes that could not be put in place in the draft or spill file
};

} // namespace velmora
