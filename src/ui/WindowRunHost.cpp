#include "ui/WindowRunHost.h"

#include "ui/FileRegistration.h"
#include "ui/VelmoraConfirmUnit.h"
#include "ui/VelmoraMainUnit.h"
#include "ui/VelmoraUnit2.h"

#include <QCoreApplication>

#include <thread>

namespace velmora {

WindowRunHost::WindowRunHost(TForm1& window, TConfirmForm* confirm, TForm2* linkageWindow)
    : m_window(window), m_confirm(confirm), m_linkage(linkageWindow)
{
}

void WindowRunHost::showMessage(std::string_view text)
{
    if (m_linkage != nullptr) {
        m_linkage->showMessage(displayText(text));
    } else {
        m_window.showMessage(displayText(text));
    }
}

void WindowRunHost::appendLog(std::string_view text)
{
    m_window.appendLog(displayText(text));
}

void WindowRunHost::clearLog()
{
    m_window.clearLog();
}

void WindowRunHost::setStatusText(std::string_view text)
{
    if (m_linkage != nullptr) {
        m_linkage->setStatusText(displayText(text));
    } else {
        m_window.setStatusText(displayText(text));
    }
}

void WindowRunHost::setProgressRange(int minimum, int maximum)
{
    if (m_linkage != nullptr) {
        m_linkage->setProgressRange(minimum, maximum);
    } else {
        m_window.setProgressRange(minimum, maximum);
    }
}

void WindowRunHost::setProgressPosition(int position)
{
    if (m_linkage != nullptr) {
        m_linkage->setProgressPosition(position);
    } else {
        m_window.setProgressPosition(position);
    }
}

void WindowRunHost::showRunFinished(std::string_view statusText)
{
    // Both status bars end the run alike, so the main window does not keep an old job's text after a batch.
    m_window.setStatusText(displayText(statusText));
    m_window.setProgressPosition(0);
    if (m_linkage != nullptr) {
        m_linkage->setStatusText(displayText(statusText));
        m_linkage->setProgressPosition(0);
    }
}

void WindowRunHost::setControlsEnabled(bool enabled)
{
    m_window.SetControlsEnabled(enabled);
}

void WindowRunHost::showTimeframeText(std::string_view text)
{
    m_window.showTimeframeText(displayText(text));
}

OverwriteReply WindowRunHost::askOverwrite(const OverwriteQuestion& question)
{
    if (m_confirm == nullptr) {
        return {OverwriteAnswer::Skip, {}};
    }
    // During a linkage batch the main window is hidden: the question stands over the window the user sees.
    return m_confirm->ask(question, m_linkage);
}

void WindowRunHost::processEvents()
{
    QCoreApplication::processEvents();
}

void WindowRunHost::yieldProcessor()
{
    std::this_thread::yield();
}

bool WindowRunHost::cancelRequested() const
{
    return m_window.cancelRequested();
}

} // namespace velmora
