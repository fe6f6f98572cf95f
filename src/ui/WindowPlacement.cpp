#include "ui/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cmath>

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

int centredStart(int areaStart, int areaExtent, int extent)
{
    return std::max(areaStart, areaStart + static_cast<int>(std::nearbyint((areaExtent - extent) / 2.0)));
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

QPoint centredPlace(QSize size)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen != nullptr ? screen->availableGeometry() : QRect(QPoint(0, 0), size);
    return {centredStart(area.left(), area.width(), size.width()),
            centredStart(area.top(), area.height(), size.height())};
}

int frameExtraHeight(const QWidget& window)
{
    const int measured = window.frameGeometry().height() - window.height();
    return measured > 0 ? measured : AssumedFrameHeight;
}

} // namespace velmora
