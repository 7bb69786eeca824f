#include "download/updown.h"

#include "common/number.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace kuokuo {

UpDown::UpDown(QLineEdit *buddy, int minimum, int maximum, QWidget *parent)
    : QWidget(parent)
    , m_buddy(buddy)
    , m_up(new QToolButton(this))
    , m_down(new QToolButton(this))
    , m_minimum(minimum)
    , m_maximum(maximum)
    , m_value(minimum)
{
    takeBuddyNumber();
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    for (QToolButton *button : {m_up, m_down}) {
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
        button->setFixedWidth(16);
        column->addWidget(button);
    }
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    setFixedHeight(buddy->sizeHint().height());

    connect(m_up, &QToolButton::clicked, this, &UpDown::stepUp);
    connect(m_down, &QToolButton::clicked, this, &UpDown::stepDown);
    connect(m_buddy, &QLineEdit::textChanged, this, &UpDown::takeBuddyNumber);
    m_buddy->installEventFilter(this);
}

bool UpDown::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_buddy && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            step(key == Qt::Key_Up ? +1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// A number typed into the box within the range becomes the control's value; anything else
// leaves the value where it was.
void UpDown::takeBuddyNumber()
{
    const std::optional<qint16> number = toInt16(m_buddy->text());
    if (number && *number >= m_minimum && *number <= m_maximum)
        m_value = *number;
}

void UpDown::step(int by)
{
    m_value = std::clamp(m_value + by, m_minimum, m_maximum);
    m_buddy->setText(QString::number(m_value));
}

} // namespace kuokuo
