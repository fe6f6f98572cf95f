#include "platform/StdioFile.h"

#ifndef _WIN32
#include <sys/types.h> // off_t
#endif

namespace velmora {

StdioFile openForReading(const std::filesystem::path& path)
{
#ifdef _WIN32
    return StdioFile(_wfopen(path.c_str(), L"rb"));
#else
    return StdioFile(std::fopen(path.c_str(), "rb"));
#endif
}

bool seekTo(std::FILE* file, std::uint64_t offset)
{
#ifdef _WIN32
    return _fseeki64(file, static_cast<long long>(offset), SEEK_SET) == 0;
#else
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

} // namespace velmora
