#include "support/WindowTestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <fstream>
#include <iterator>
#include <memory>

namespace velmora::test {

namespace {
constexpr int PollLimit = 3000; // polls of 10 ms before giving up, so a missing dialog fails instead of hanging
}

ModalAnswer::ModalAnswer(QString objectName, std::function<void(QWidget*)> answer)
    : m_answered(std::make_shared<bool>(false))
{
    auto* timer = new QTimer(qApp);
    auto polls = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, timer,
                     [timer, polls, name = std::move(objectName), answer = std::move(answer), done = m_answered] {
                         QWidget* modal = QApplication::activeModalWidget();
                         if (modal != nullptr && modal->objectName() == name && modal->isVisible()) {
                             timer->stop();
                             timer->deleteLater();
                             *done = true;
                             answer(modal);
                         } else if (++*polls > PollLimit) {
                             timer->stop();
                             timer->deleteLater();
                         }
                     });
    timer->start(10);
}

void clickChild(QWidget* window, const QString& buttonName)
{
    if (auto* button = window->findChild<QAbstractButton*>(buttonName)) {
        button->click();
    }
}

std::string sampleBars(std::size_t lines)
{
    std::ifstream in(std::filesystem::path(VELMORA_SOURCE_DIR) / "samples" / "EURUSD_1min_2009.txt", std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (lines == 0) {
        return text;
    }
    std::size_t end = 0;
    for (std::size_t i = 0; i < lines; ++i) {
        end = text.find('\n', end);
        if (end == std::string::npos) {
            return text;
        }
        ++end;
    }
    return text.substr(0, end);
}

std::filesystem::path toPath(const QString& text)
{
    return std::filesystem::path(text.toStdString());
}

QString fromPath(const std::filesystem::path& path)
{
    return QString::fromStdString(path.string());
}

} // namespace velmora::test
