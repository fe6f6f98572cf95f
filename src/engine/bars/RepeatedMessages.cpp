#include "engine/bars/RepeatedMessages.h"

#include <algorithm>

namespace velmora {

void RepeatedMessages::showMessage(std::string_view text)
{
    const auto found =
        std::find_if(m_shown.begin(), m_shown.end(), [text](const Shown& shown) { return shown.text == text; });
    if (found != m_shown.end()) {
        ++found->lines;
        return;
    }
    if (m_shown.size() < MaxTexts) {
        m_shown.push_back({std::string(text), 1});
    }
    m_target.showMessage(text);
}

void RepeatedMessages::report(RunHost& host) const
{
    for (const Shown& shown : m_shown) {
        if (shown.lines < 2) {
            continue;
        }
        // The first sentence names the message; a box's further sentences are advice.
        const std::string_view text = shown.text;
        const std::string_view first = text.substr(0, text.find_first_of("\r\n"));
        host.appendLog("「" + std::string(first) + "」は " + std::to_string(shown.lines) +
                       " 行で出ました（2 回目からは表示していません）");
    }
}

} // namespace velmora
