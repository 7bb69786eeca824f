#include "platform/combobox.h"

#include <QLineEdit>
#include <QTimer>

namespace kuokuo {

EditableComboBox::EditableComboBox(QWidget *parent)
    : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert); // the list changes only through its owner
    setCompleter(nullptr);
    // The combo box holds the focus and hands keys to its edit field directly, past any event
    // filter on the edit field: the field's own signal is where Enter really arrives.
    connect(lineEdit(), &QLineEdit::returnPressed, this, &EditableComboBox::enterPressed);
    connect(this, &QComboBox::activated, this, [this] {
        if (m_popupClosing)
            Q_EMIT picked();
    });
}

void EditableComboBox::hidePopup()
{
    // A pick closes the list first and then reports the entry, within the same event.
    m_popupClosing = true;
    QComboBox::hidePopup();
    QTimer::singleShot(0, this, [this] { m_popupClosing = false; });
}

} // namespace kuokuo
