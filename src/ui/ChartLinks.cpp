#include "ui/ChartLinks.h"

#include "ui/ChartWindow.h"
#include "ui/FileRegistration.h"
#include "ui/QtText.h"

#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextBlock>

namespace velmora {

ChartLinks::ChartLinks(QListWidget& files, QPlainTextEdit& log, OpenChart open, QObject* parent)
    : QObject(parent), m_files(files), m_log(log), m_open(std::move(open))
{
    connect(&m_files, &QListWidget::itemDoubleClicked, this,
            [this](const QListWidgetItem* item) { m_open(stdPath(item->text()), true); });
    m_files.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&m_files, &QListWidget::customContextMenuRequested, this, &ChartLinks::showFileMenu);
    m_logViewport = m_log.viewport();
    m_log.viewport()->installEventFilter(this);
}

void ChartLinks::showFileMenu(const QPoint& at)
{
    const QListWidgetItem* item = m_files.itemAt(at);
    if (item == nullptr) {
        return;
    }
    QMenu menu(&m_files);
    menu.setObjectName(QStringLiteral("fileListMenu"));
    const QAction* chart = menu.addAction(QStringLiteral("チャートを開く"));
    if (menu.exec(m_files.viewport()->mapToGlobal(at)) == chart) {
        m_open(stdPath(item->text()), true);
    }
}

bool ChartLinks::openLogLine(int row) const
{
    const QTextBlock block = m_log.document()->findBlockByNumber(row);
    const auto file = writtenFileOfLogLine(block.text(), listedFiles(m_files));
    if (file.empty()) {
        return false;
    }
    m_open(file, false);
    return true;
}

bool ChartLinks::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_logViewport && event->type() == QEvent::MouseButtonDblClick) {
        const auto* click = static_cast<QMouseEvent*>(event);
        if (openLogLine(m_log.cursorForPosition(click->position().toPoint()).blockNumber())) {
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace velmora
