#pragma once

#include <cstdint>

namespace velmora {

/// The program a run's user drives it from. A hint in the log names what that user can do there: a control of
/// the desktop window, or an option of velmora-convert.
enum class RunFrontEnd : std::uint8_t {
    Window,
    CommandLine,
};

} // namespace velmora
