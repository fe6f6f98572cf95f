#pragma once

namespace velmora {

/// True when the standard stream (0 input, 1 output, 2 error) is a terminal rather than a file or a pipe.
bool isTerminal(int stream);

} // namespace velmora
