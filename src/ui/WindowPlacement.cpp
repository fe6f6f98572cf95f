#include "ui/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace velmora {

namespace {

// A title bar and the lower border of a common window manager at 96 dots per inch; only used until the
// window manager has told the real frame.
constexpr int AssumedFrameHeight = 32;

int clampedStart(int start, int extent, int areaStart, int areaExtent)
{
    // The far edge first, then the near one: a window larger than the area keeps its top or left edge inside.
    return std::max(areaStart, std::min(start, areaStart + areaExtent - extent));
}

} // namespace

QRect availableAreaFor(const QRect& window)
{
    const QScreen* screen = QGuiApplication::screenAt(window.center());
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    return screen != nullptr ? screen->availableGeometry() : window;
}

QPoint placeOnScreen(const QRect& window)
{
    const QRect area = availableAreaFor(window);
    return {clampedStart(window.left(), window.width(), area.left(), area.width()),
            clampedStart(window.top(), window.height(), area.top(), area.height())};
}

QPoint reachablePlace(const QRect& window)
{
    const auto screens = QGuiApplication::screens();
    for (const QScreen* screen : screens) {
        if (screen->availableGeometry().contains(window.topLeft())) {
            return window.topLeft();
        }
    }
    return placeOnScreen(window);
}

int frameExtraHeight(const QWidget& window)
{
    const int measured = window.frameGeometry().height() - window.height();
    return measured > 0 ? measured : AssumedFrameHeight;
}

} // namespace velmora
