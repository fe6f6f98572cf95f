#include "platform/Terminal.h"

#ifdef _WIN32
#include <io.h> // _isatty
#else
#include <unistd.h> // isatty
#endif

namespace velmora {

bool isTerminal(int stream)
{
#ifdef _WIN32
    return _isatty(stream) != 0;
#else
    return ::isatty(stream) != 0;
#endif
}

} // namespace velmora
