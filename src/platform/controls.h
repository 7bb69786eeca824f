#pragma once

#include <QLabel>
#include <QPushButton>
#include <QString>

namespace kuokuo {

// Controls are made under their given names: the window's code and the tests find them by name.

inline QLabel *namedLabel(const QString &name, const QString &caption, QWidget *parent)
{
    auto *label = new QLabel(caption, parent);
    label->setObjectName(name);
    return label;
}

// A button that Enter in a text box of its window does not press.
inline QPushButton *namedButton(const QString &name, const QString &caption, QWidget *parent)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

} // namespace kuokuo
