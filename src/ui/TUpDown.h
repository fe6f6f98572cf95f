#pragma once

#include "engine/settings/SettingRanges.h"

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace velmora {

/// Spin buttons bound to a text box: a click reads the box, steps by one within the range and writes the
/// number back. The box stays free text, so a typed value that is not a number reaches the run as typed.
class TUpDown : public QWidget
{
    Q_OBJECT

public:
    TUpDown(QLineEdit* associate, ValueRange range, QWidget* parent);

    int position() const { return m_position; }
    /// Clamps to the range and shows the value in the box.
    void setPosition(int position);
    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }

    void stepUp() { step(1); }
    void stepDown() { step(-1); }

private:
    void step(int delta);

    QLineEdit* m_associate;
    QToolButton* m_up;
    QToolButton* m_down;
    int m_minimum;
    int m_maximum;
    int m_position = 0;
};

} // namespace velmora
