#pragma once

#include "platform/Clock.h"

#include <QString>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

class QWidget;

namespace velmora::test {

/// The date the window tests run on, so the separator label's example date is fixed.
inline constexpr CivilDate TestToday{2024, 5, 6};

/// Calls `answer` with the modal window of that object name as soon as it is the active modal widget; polls
/// the event loop, so it works from inside a nested exec(). Returns at once; `answered()` tells afterwards.
class ModalAnswer
{
public:
    ModalAnswer(QString objectName, std::function<void(QWidget*)> answer);
    bool answered() const { return *m_answered; }

private:
    std::shared_ptr<bool> m_answered;
};

/// Clicks a button of the modal window by its object name or, for a message box, its standard button.
void clickChild(QWidget* window, const QString& buttonName);

/// The bundled three-week sample of 1-minute bars, cut to its first `lines` lines (all when 0).
std::string sampleBars(std::size_t lines = 0);

std::filesystem::path toPath(const QString& text);
QString fromPath(const std::filesystem::path& path);

} // namespace velmora::test
