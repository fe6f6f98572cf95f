#pragma once

class QProgressBar;
class QStatusBar;
class QString;

namespace velmora {

// The status bar of the main and the linkage window: a text with a progress bar standing just after it.

/// The progress bar inside the status bar, empty, without a percentage text.
QProgressBar* makeStatusProgressBar(QStatusBar* statusBar);

/// Shows the text and moves the progress bar just after it, whose width depends on the font, but never left
/// of leftmostX.
void showStatusText(QStatusBar* statusBar, QProgressBar* progressBar, const QString& text, int leftmostX = 0);

/// A range whose maximum lies below its minimum is empty rather than refused.
void setProgressRange(QProgressBar* progressBar, int minimum, int maximum);
/// A position outside the range shows as the nearer end.
void setProgressPosition(QProgressBar* progressBar, int position);

} // namespace velmora
