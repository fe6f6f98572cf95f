#pragma once

#include "engine/OutputSpill.h"

#include <filesystem>
#include <functional>
#include <string>

namespace velmora {

/// The bar lines of one job on their way to its file: the newest in memory, the rest spilled (see OutputSpill).
class JobOutput
{
public:
    /// A new job, most likely written to plannedTarget (empty when unknown): nothing held yet.
    void start(std::filesystem::path plannedTarget)
    {
        m_bytes.clear();
        m_spill.reset(std::move(plannedTarget));
    }

    /// Where the walk appends its bar lines.
    std::string& bytes() { return m_bytes; }
    /// What the walk calls once bytes() has grown past SpillBytes.
    std::function<void(std::string&)> spiller()
    {
        return [this](std::string& bytes) { m_spill.take(bytes); };
    }

    /// Every bar is there: the file starts on its way to the disk while the run goes on.
    void complete() { m_spill.complete(m_bytes); }

    /// Writes the whole job to path, replacing it atomically; throws the error of writeFileAtomically().
    void writeTo(const std::filesystem::path& path) { m_spill.writeTo(path, m_bytes); }

private:
    std::string m_bytes;
    OutputSpill m_spill;
};

} // namespace velmora
