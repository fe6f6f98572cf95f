#pragma once

#include <string_view>

namespace velmora {

/// Where a reader's message box goes: the window shows it and waits for OK, the headless tool prints it on
/// standard error, tests record it. The operation goes on after showMessage returns.
class MessageSink
{
public:
    virtual ~MessageSink() = default;
    virtual void showMessage(std::string_view text) = 0;
};

} // namespace velmora
