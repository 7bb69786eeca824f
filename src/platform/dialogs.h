#pragma once

#include "platform/adapter.h"

#include <QString>

class QWidget;

namespace kuokuo {

// The modal dialogs and the beep of the program.
class Dialogs
{
public:
    enum class Answer { Yes, No };

    virtual ~Dialogs() = default;
    // Yes and No buttons with the question icon.
    virtual Answer askYesNo(QWidget *parent, const QString &title, const QString &prompt) = 0;
    // The text typed, or an empty text when the user cancels: a null one, where an empty box
    // accepted gives an empty one that is not null (a page's prompt tells the two apart).
    virtual QString inputBox(QWidget *parent, const QString &prompt, const QString &title,
                             const QString &defaultAnswer) = 0;
    // An OK button only, without icon.
    virtual void messageBox(QWidget *parent, const QString &text, const QString &title) = 0;
    // A save-file dialog that starts at `path` (a folder and a file name); it asks before
    // replacing a file. The chosen path, or an empty text when the user cancels.
    virtual QString saveFileName(QWidget *parent, const QString &title, const QString &path) = 0;
    virtual void beep() = 0;
};

template <>
Dialogs &Adapter<Dialogs>::real();
inline Dialogs &dialogs()
{
    return Adapter<Dialogs>::get();
}

} // namespace kuokuo
