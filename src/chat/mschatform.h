#pragma once

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kuokuo {

class ListFile;

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

    static void addEntry(QComboBox *list);
    static void killEntry(QComboBox *list);
    static void writeList(QComboBox *list, const ListFile &file);
    static void readList(QComboBox *list, const ListFile &file);

    QLabel *m_kuokuo;
    QLineEdit *m_thostname;
    QLineEdit *m_tip;
    QComboBox *m_combo1;
    QComboBox *m_combo2;
    QPushButton *m_touroku;
};

} // namespace kuokuo
