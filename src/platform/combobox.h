#pragma once

#include <QComboBox>

namespace kuokuo {

// A combo box with an edit field that tells apart the two ways a user chooses its text: a pick
// from the drop-down list and Enter in the edit field. QComboBox's own activated() fires on more
// occasions: when editing finishes (the box loses focus, or is destroyed) on a text that matches
// an entry, which must not count as a choice.
class EditableComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit EditableComboBox(QWidget *parent = nullptr);

    void hidePopup() override;

Q_SIGNALS:
    // An entry was picked from the drop-down list (click, or Enter in the list).
    void picked();
    // Return or the keypad's Enter was pressed in the edit field.
    void enterPressed();

private:
    bool m_popupClosing = false;
};

} // namespace kuokuo
