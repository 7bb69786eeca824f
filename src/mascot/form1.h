#pragma once

#include "mascot/mascotwindow.h"

class QPushButton;

namespace kuokuo {

// The cat's greeting window: it greets by the hour and leads on to the rest of the program.
class Form1 : public MascotWindow
{
    Q_OBJECT
public:
    explicit Form1(QWidget *parent = nullptr);

private:
    void Form_Load();
    // Command1 to Command3: the page in the main window, whose address box gets it first.
    void openPage(const QString &address);
    void Command4_Click();
    void Command5_Click();
};

} // namespace kuokuo
