#pragma once

#include "mascot/mascotwindow.h"
#include "platform/combolist.h"

class QPushButton;

namespace kuokuo {

// The cat's message window: every window of the program speaks through it, and at exit it
// becomes the farewell window.
class kuokuoform : public MascotWindow
{
    Q_OBJECT
public:
    explicit kuokuoform(QWidget *parent = nullptr);

    // Shows line `poozu`; nothing changes when it cannot be shown.
    void kuokuoserihu(qint16 poozu);

    // The end of the exit sequence: only the farewell button, the farewell line and caption.
    void farewell();

private:
    void Form_Load();
    void Command6_Click();
    void Command7_Click();

    QPushButton *m_command6;
    QPushButton *m_command7;
};

// The one way a window makes the cat speak: show the message window (not modal, without taking
// the keyboard from the window the user works in), then have it say line `line`.
void speak(qint16 line);
// The same with words of the program's own, for news no line of the lines file tells: the
// picture of line `line` with `words`.
void speak(qint16 line, const QString &words);

// What the user hears of a list rewrite: the full-list line when it cannot take another entry, a
// message when the file could not be written (the list keeps the change for this run).
void tellListSave(QWidget *window, ComboList::Saved saved);

} // namespace kuokuo
