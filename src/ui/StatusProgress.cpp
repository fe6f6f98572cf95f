#include "ui/StatusProgress.h"

#include <QProgressBar>
#include <QStatusBar>
#include <QString>

#include <algorithm>

namespace velmora {

namespace {

constexpr int StatusTextPadding = 20; // the status bar's own margin and a gap before the progress bar

} // namespace

QProgressBar* makeStatusProgressBar(QStatusBar* statusBar)
{
    auto* progressBar = new QProgressBar(statusBar);
    progressBar->setObjectName(QStringLiteral("ProgressBar1"));
    progressBar->setTextVisible(false);
    progressBar->setRange(0, 100);
    progressBar->setValue(0);
    return progressBar;
}

void showStatusText(QStatusBar* statusBar, QProgressBar* progressBar, const QString& text, int leftmostX)
{
    statusBar->showMessage(text);
    const int textWidth = statusBar->fontMetrics().horizontalAdvance(text);
    progressBar->move(std::max(leftmostX, textWidth + StatusTextPadding), progressBar->y());
}

void setProgressRange(QProgressBar* progressBar, int minimum, int maximum)
{
    progressBar->setRange(minimum, std::max(minimum, maximum));
}

void setProgressPosition(QProgressBar* progressBar, int position)
{
    progressBar->setValue(std::clamp(position, progressBar->minimum(), progressBar->maximum()));
}

} // namespace velmora
