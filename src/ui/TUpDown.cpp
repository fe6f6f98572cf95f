#include "ui/TUpDown.h"

#include "platform/Numbers.h"
#include "ui/QtText.h"

#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace velmora {

TUpDown::TUpDown(QLineEdit* associate, ValueRange range, QWidget* parent)
    : QWidget(parent), m_associate(associate), m_minimum(range.minimum), m_maximum(range.maximum)
{
    m_up = new QToolButton(this);
    m_up->setObjectName(QStringLiteral("up"));
    m_up->setArrowType(Qt::UpArrow);
    m_up->setAutoRepeat(true);
    m_down = new QToolButton(this);
    m_down->setObjectName(QStringLiteral("down"));
    m_down->setArrowType(Qt::DownArrow);
    m_down->setAutoRepeat(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_up);
    layout->addWidget(m_down);
    for (QToolButton* button : {m_up, m_down}) {
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        button->setFocusPolicy(Qt::NoFocus);
    }
    connect(m_up, &QToolButton::clicked, this, &TUpDown::stepUp);
    connect(m_down, &QToolButton::clicked, this, &TUpDown::stepDown);
    setPosition(range.clamp(0));
}

void TUpDown::setPosition(int position)
{
    m_position = std::clamp(position, m_minimum, m_maximum);
    m_associate->setText(QString::number(m_position));
}

void TUpDown::step(int delta)
{
    // Step from what the box shows: the user may have typed a value since the last click.
    const auto typed = parseInt(stdText(m_associate->text()));
    const int from = typed ? std::clamp(*typed, m_minimum, m_maximum) : m_position;
    setPosition(from + delta);
}

} // namespace velmora
