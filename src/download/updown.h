#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace kuokuo {

// A spin control attached to a text box (its buddy): its arrows, and the arrow keys in the box,
// step the box's number by one within the control's range.
class UpDown : public QWidget
{
    Q_OBJECT
public:
    UpDown(QLineEdit *buddy, int minimum, int maximum, QWidget *parent = nullptr);

    int value() const { return m_value; }
    void stepUp() { step(+1); }
    void stepDown() { step(-1); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void step(int by);
    void takeBuddyNumber();

    QLineEdit *m_buddy;
    QToolButton *m_up;
    QToolButton *m_down;
    int m_minimum;
    int m_maximum;
    int m_value;
};

} // namespace kuokuo
