#pragma once

// The windows' tests include this one header: the windows, the fakes, and the user's hands.

#include "about/frmabout.h"
#include "chat/mschatform.h"
#include "common/filenames.h"
#include "download/mainform.h"
#include "mascot/form1.h"
#include "mascot/kuokuoform.h"
#include "platform/forms.h"
#include "shell/dlform.h"
#include "shell/frmbrowser.h"
#include "support/fakebrowser.h"
#include "support/fakes.h"
#include "support/testfolder.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QWheelEvent>
#include <QtTest>

namespace kuokuo::test {

// Deletes every window left open, as the end of the program would.
inline void deleteWindows()
{
    QWidgetList windows;
    for (QWidget *window : QApplication::topLevelWidgets())
        if (!window->parentWidget())
            windows << window;
    qDeleteAll(windows);
}

// What one test of the windows needs: a fresh program folder with the cat's lines and every
// platform fake installed. Its end closes the windows the test left open.
struct TestSession
{
    TestProgramFolder folder;
    FakeBrowserEngines engines;
    FakeDialogs dialogs;
    FakeSchemeLauncher launcher;
    FakeFolderPicker picker;
    FakeHostInfo host;
    FakeClock clock;
    FakeProcessStarter starter;
    Installed<BrowserEngineFactory> e{engines};
    Installed<Dialogs> d{dialogs};
    Installed<SchemeLauncher> l{launcher};
    Installed<FolderPicker> p{picker};
    Installed<HostInfo> h{host};
    Installed<Clock> c{clock};
    Installed<ProcessStarter> s{starter};

    TestSession() { folder.installMascotLines(); }
    ~TestSession()
    {
        deleteWindows();
        Forms::resetEnding();
    }
};

inline QStringList items(const QComboBox *box)
{
    QStringList list;
    for (int i = 0; box && i < box->count(); ++i)
        list << box->itemText(i);
    return list;
}

// As a user does: click into `control` of its shown window, select what it holds and type `text`
// (arriving whole, as an input method gives it). Later keys go to QApplication::focusWidget().
[[nodiscard]] inline bool typeInto(QWidget *control, const QString &text)
{
    if (!control)
        return false;
    control->window()->show();
    control->window()->activateWindow();
    if (!QTest::qWaitForWindowActive(control->window()))
        return false;
    auto *box = qobject_cast<QComboBox *>(control);
    QTest::mouseClick(box ? box->lineEdit() : control, Qt::LeftButton);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Delete);
    if (!text.isEmpty())
        QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), Qt::Key_unknown, text, {});
    return true;
}

// A window or control that is not there fails the test with its name; it does not crash it.
template <class Control>
Control *named(QWidget *window, const char *name)
{
    Control *control = window ? window->findChild<Control *>(name) : nullptr;
    if (!control)
        QTest::qFail(qPrintable(QStringLiteral("no %1 to use").arg(name)), __FILE__, __LINE__);
    return control;
}

// As a user does: `keys` to whatever has the focus at each step; text arrives whole, as an input
// method gives it, "{Ctrl+F}" is a key, "{Ctrl+Wheel}" turns the wheel up. The names of the text
// boxes that had the focus at each key ("●" after one that shows dots).
inline QStringList press(const QString &keys)
{
    QStringList focused;
    static const QRegularExpression token("\\{([^}]+)\\}|[^{]+");
    for (const QRegularExpressionMatch &key : token.globalMatch(keys)) {
        QWidget *focus = QApplication::focusWidget();
        const QString name = key.captured(1);
        if (auto *edit = qobject_cast<QLineEdit *>(focus); edit && !name.isEmpty())
            focused << focus->objectName() + (edit->echoMode() == QLineEdit::Password ? "●" : "");
        if (name.isEmpty()) {
            QTest::sendKeyEvent(QTest::Click, focus, Qt::Key_unknown, key.captured(0), {});
        } else if (name == "Ctrl+Wheel") {
            QWheelEvent wheel({5, 5}, focus->mapToGlobal(QPoint(5, 5)), {}, {0, 120}, Qt::NoButton,
                              Qt::ControlModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(focus, &wheel);
        } else {
            const QKeyCombination pressed = QKeySequence(name)[0];
            QTest::keyClick(focus, pressed.key(), pressed.keyboardModifiers());
        }
    }
    return focused;
}

inline void click(QWidget *window, const char *button)
{
    if (auto *control = named<QAbstractButton>(window, button))
        QTest::mouseClick(control, Qt::LeftButton);
}

inline void trigger(QWidget *window, const char *action)
{
    if (auto *item = named<QAction>(window, action))
        item->trigger();
}

template <class Window>
bool isOpen()
{
    const Window *window = Forms::loaded<Window>();
    return window && window->isVisible();
}

// The words a mascot window shows; nothing when it is not open.
inline QString words(MascotWindow *window)
{
    const auto *text = window ? named<QPlainTextEdit>(window, "serihuText") : nullptr;
    return text ? text->toPlainText() : QString();
}

// The line a mascot window shows, when its words are that line's words (-1 when they are not,
// 0 when the window is not open).
inline int shownLine(MascotWindow *window)
{
    if (!window)
        return 0;
    return words(window) == TestProgramFolder::lineText(window->shownLine()) ? window->shownLine()
                                                                             : -1;
}

// For "name=text;name=text...": the texts the user sees on what has that name, in that form: a
// menu item's caption, a control's text, else its tip, and the window's caption.
inline QString shownTexts(QWidget *window, const QString &expected)
{
    QStringList shown;
    for (const QString &entry : expected.split(';')) {
        const QString name = entry.section('=', 0, 0);
        QObject *o = window->findChild<QAction *>(name); // before a menu of the same name
        o = o ? o : name == window->objectName() ? window : window->findChild<QWidget *>(name);
        const char *text = o == window                          ? "windowTitle"
                           : o && o->property("text").isValid() ? "text"
                                                                : "toolTip";
        shown << name + '=' + (o ? o->property(text).toString() : QStringLiteral("(none)"));
    }
    return shown.join(';');
}

} // namespace kuokuo::test

// Only the windows' test programs include this header: they speak the program's names directly.
using namespace kuokuo;
using namespace kuokuo::test;
