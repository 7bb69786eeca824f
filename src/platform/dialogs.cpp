#include "platform/dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace kuokuo {

namespace {
class QtDialogs final : public Dialogs
{
public:
    Answer askYesNo(QWidget *parent, const QString &title, const QString &prompt) override
    {
        QMessageBox box(QMessageBox::Question, title, prompt, QMessageBox::Yes | QMessageBox::No,
                        parent);
        return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
    }

    QString inputBox(QWidget *parent, const QString &prompt, const QString &title,
                     const QString &defaultAnswer) override
    {
        bool ok = false;
        const QString text =
            QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, defaultAnswer, &ok);
        if (!ok)
            return QString();
        // A box left empty gives a null text: accepted, it must not read as a cancel.
        return text.isNull() ? QStringLiteral("") : text;
    }

    void messageBox(QWidget *parent, const QString &text, const QString &title) override
    {
        QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
        box.exec();
    }

    QString saveFileName(QWidget *parent, const QString &title, const QString &path) override
    {
        return QFileDialog::getSaveFileName(parent, title, path);
    }

    void beep() override { QApplication::beep(); }
};
} // namespace

template <>
Dialogs &Adapter<Dialogs>::real()
{
    static QtDialogs dialogs;
    return dialogs;
}

} // namespace kuokuo
