// The peer of bench/startup.sh: a bare web view showing a page file, placed as the navigator
// places its own (a window of the navigator's size with a menu bar, the view at the same place),
// with the same settings of the web engine. Usage: bench_bareview PAGE
#include "common/logging.h"
#include "shell/browserlayout.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QMainWindow>
#include <QMenuBar>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <unistd.h>

using namespace kuokuo;

int main(int argc, char *argv[])
{
    // The same trace as the navigator's (QT_LOGGING_RULES=kuokuo.ui.debug=true), step by step.
    traceStartup("main");
    if (::geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    traceStartup("application");
    QLoggingCategory::setFilterRules(
        QStringLiteral("qt.webenginecontext.info=false\nkuokuo.*.debug=false"));
    if (argc < 2)
        return 2;
    QMainWindow window;
    window.menuBar()->addMenu(QStringLiteral("KUOKUO"));
    auto *client = new QWidget(&window);
    window.setCentralWidget(client);
    const qreal dpi = window.logicalDpiX();
    const auto pixels = [dpi](int twips) { return twipsToPixels(twips, dpi); };
    window.resize(pixels(BrowserTwips::ClientWidth),
                  pixels(BrowserTwips::ClientHeight) + window.menuBar()->sizeHint().height());
    const BrowserLayout layout =
        formResizeLayout(BrowserTwips::ClientWidth, BrowserTwips::ClientHeight);
    // A second argument: a lasting profile kept in that folder, set up as the navigator's is.
    QWebEngineProfile *profile = nullptr;
    if (argc > 2) {
        profile = new QWebEngineProfile(QStringLiteral("bare"), &app);
        profile->setPersistentStoragePath(QString::fromLocal8Bit(argv[2]));
        profile->setCachePath(QString::fromLocal8Bit(argv[2]) + QStringLiteral("/Cache"));
    }
    auto *view = profile ? new QWebEngineView(profile, client) : new QWebEngineView(client);
    traceStartup("browser engine");
    view->setGeometry(pixels(BrowserTwips::BrowserLeft), pixels(BrowserTwips::BrowserTop),
                      pixels(layout.browserWidth), pixels(layout.browserHeight));
    view->load(QUrl::fromLocalFile(QString::fromLocal8Bit(argv[1])));
    traceStartup("start page asked for");
    window.show();
    traceStartup("shown");
    const int status = QApplication::exec();
    delete view;
    return status;
}
