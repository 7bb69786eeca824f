#pragma once

#include "platform/combolist.h"

#include <QWidget>

#include <array>
#include <optional>

class QComboBox;
class QFrame;
class QLayout;
class QLineEdit;
class QPushButton;

namespace kuokuo {

// The MS-CHAT window: the chat server and room lists, and the connect button that opens the
// chosen room by its mic:// address in the navigator.
class mschatform : public QWidget
{
    Q_OBJECT
public:
    explicit mschatform(QWidget *parent = nullptr);

    // The list operations, each on its combo box.
    void itemwritesaaba();
    void itemkillsaaba();
    void rtmwritesaaba();
    void rtmreadsaaba();
    void itemwriteheya();
    void itemkillheya();
    void rtmwriteheya();
    void rtmreadheya();

private:
    void Form_Load();
    void touroku_Click();

    void addEntry(ComboList &list);
    void writeList(const ComboList &list);
    static void readList(ComboList &list, QComboBox *box);

    QLayout *buildHostArea();
    QFrame *buildConnectPanel();

    QLineEdit *m_thostname = nullptr;
    QLineEdit *m_tip = nullptr;
    QComboBox *m_combo1 = nullptr;
    QComboBox *m_combo2 = nullptr;
    std::array<QPushButton *, 4> m_buttons = {}; // Command1 to Command4
    QPushButton *m_touroku = nullptr;
    std::optional<ComboList> m_servers;
    std::optional<ComboList> m_rooms;
};

} // namespace kuokuo
