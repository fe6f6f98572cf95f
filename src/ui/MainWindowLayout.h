#pragma once

#include "ui/MainWindowControls.h"

class QStyle;

namespace velmora {

// Where the main window's controls stand as its size changes: the upper panel keeps its full height while the
// window allows it and the log takes the rest; below that the panel's gaps shrink first, then the file list.

/// The upper panel's height with every gap and the file list at full size.
int fullPanelHeight(const MainWindowControls& ui);
/// The panel's height with every gap and the file list at their minimum.
int compactPanelHeight(const MainWindowControls& ui);
/// The least height of the window's client area that keeps the compacted panel and the status bar whole.
int compactWindowHeight(const MainWindowControls& ui);

/// Places the panel's areas for a client area `width` wide with `available` pixels above the status bar, and
/// gives the log what the panel leaves.
void layoutUpperPanel(MainWindowControls& ui, int width, int available);
/// The whole window at a new size: the panel, the widths of the controls that follow the window's width, and
/// the progress bar's height in the status bar.
void layoutControls(MainWindowControls& ui, int width, int available);
/// The progress bar at its place in the status bar.
void placeProgressBar(MainWindowControls& ui);

/// Fits the market-window line to its caption after the caption changed: wraps the caption where the frame is
/// too narrow for it, lays the weekday lists and time boxes over its blanks and lets Bevel2 grow to hold it.
/// `style` is the window's, which measures the check box's indicator.
void fitMarketLine(MainWindowControls& ui, const QStyle& style);

} // namespace velmora
