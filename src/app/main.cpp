#include "common/logging.h"
#include "common/programfolder.h"
#include "platform/browserprofile.h"
#include "platform/signalwatcher.h"
#include "shell/navigator.h"
#include "shell/sessionend.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLoggingCategory>
#include <QPointer>
#include <QTranslator>
#include <QWidget>

#include <unistd.h>

int main(int argc, char *argv[])
{
    // The end of the session must save even when it comes while the program starts.
    kuokuo::traceStartup("main");
    kuokuo::SignalWatcher::catchEarly(kuokuo::SessionEnd::endingSignals());
    // Qt WebEngine refuses to start its sandbox as root; a normal user keeps it.
    if (::geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    kuokuo::traceStartup("application");
    // The web engine's start-up report and the program's own debug trace (QT_LOGGING_RULES
    // turns it on) are for developers, not for the user's terminal.
    QLoggingCategory::setFilterRules(
        QStringLiteral("qt.webenginecontext.info=false\nkuokuo.*.debug=false"));
    // The name picks the per-user data folder. No display name: the window manager would append
    // it to every caption.
    QApplication::setApplicationName(QStringLiteral("kuokuonavi"));
    QApplication::setDesktopFileName(QStringLiteral("kuokuonavi"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/content/kuokuonavi.svg")));
    // The program speaks Japanese whatever the locale: so do the buttons of Qt's own dialogs.
    QTranslator qtTexts;
    if (qtTexts.load(QStringLiteral("qtbase_ja"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);

    if (!kuokuo::ProgramFolder::initialise()) // the windows still open; every save then says so
        qCWarning(kuokuo::lcFiles)
            << "cannot make the program folder" << kuokuo::ProgramFolder::path();
    kuokuo::SessionEnd sessionEnd;
    if (!sessionEnd.watchSignals())
        qCWarning(kuokuo::lcUi) << "the end of the session cannot be caught: it will not save";
    kuokuo::traceStartup("settings of the application");
    kuokuo::startNavigator();
    kuokuo::traceStartup("navigator started");
    const int status = QApplication::exec();

    // Windows still open go before the application object, the web view's page before its
    // profile.
    QList<QPointer<QWidget>> windows;
    for (QWidget *window : QApplication::topLevelWidgets())
        if (!window->parent())
            windows << window;
    for (const QPointer<QWidget> &window : windows)
        delete window.data();
    kuokuo::releaseBrowserProfile();
    return status;
}
