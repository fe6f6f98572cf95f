#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace velmora {

// Where a top-level window may stand: stored positions and positions taken over from another window are
// checked against the screens, so that a window never opens where its title bar or buttons cannot be reached.

/// The available area (the screen less the task bar) of the screen that holds the centre of `window`, or of
/// the primary screen when none does.
QRect availableAreaFor(const QRect& window);

/// `window`'s top-left corner, moved where needed so that the window lies inside the available area of
/// `availableAreaFor(window)`: wholly where it fits, else its top-left part. The size never changes.
QPoint placeOnScreen(const QRect& window);

/// Like placeOnScreen, but `window` stays where it is while its top-left corner, where its title bar starts,
/// lies inside some screen's available area: a window the user let run past the screen's right or lower edge
/// is left there.
QPoint reachablePlace(const QRect& window);

/// Where a window of `size` opens when no place is stored: centred in the primary screen's available area,
/// halves rounded to the even neighbour, but never above or left of it, so that the title bar stays reachable
/// on a small screen. (0, 0) when there is no screen.
QPoint centredPlace(QSize size);

/// The height that the window frame adds to `window`'s client area: measured once the window has been shown,
/// a typical title bar and border before that, so that a first placement leaves room for them.
int frameExtraHeight(const QWidget& window);

} // namespace velmora
