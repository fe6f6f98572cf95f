#include "engine/SourceCache.h"

#include <algorithm>
#include <chrono>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace velmora {

namespace {

constexpr std::int64_t SettledNanoseconds = 2'000'000'000;

} // namespace

bool SourceCache::identify(const std::string& path, Identity& identity)
{
#ifdef _WIN32
    (void)path;
    (void)identity;
    return false;
#else
    struct stat status = {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return false;
    }
    constexpr std::int64_t Nano = 1'000'000'000;
    identity.device = static_cast<std::uint64_t>(status.st_dev);
    identity.inode = static_cast<std::uint64_t>(status.st_ino);
    identity.size = static_cast<std::uint64_t>(status.st_size);
    identity.modified = static_cast<std::int64_t>(status.st_mtim.tv_sec) * Nano + status.st_mtim.tv_nsec;
    identity.changed = static_cast<std::int64_t>(status.st_ctim.tv_sec) * Nano + status.st_ctim.tv_nsec;
    return true;
#endif
}

const SourceLines& SourceCache::load(const std::string& path)
{
    // The file is identified before it is read: a change between the two makes the next job load it again.
    Identity identity;
    if (!identify(path, identity)) {
        m_uncached = SourceLines::load(path);
        return m_uncached;
    }
    const auto found = m_entries.find(path);
    if (found != m_entries.end() && found->second.identity == identity) {
        return found->second.lines;
    }
    // The system stamps files with a clock that moves in steps of milliseconds: a file changed moments ago may
    // change again without its times moving. Only a file left alone for a while is kept for later jobs.
    const std::int64_t now =
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    if (now - std::max(identity.modified, identity.changed) < SettledNanoseconds) {
        m_entries.erase(path);
        m_uncached = SourceLines::load(path);
        return m_uncached;
    }
    SourceLines lines = SourceLines::load(path);
    Entry& entry = m_entries[path];
    entry.identity = identity;
    entry.lines = std::move(lines);
    return entry.lines;
}

} // namespace velmora
