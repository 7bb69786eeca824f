#pragma once

#include <QObject>

class QAuthenticator;
class QUrl;
class QWebEngineCertificateError;
class QWebEnginePage;
class QWidget;

namespace kuokuo {

// What a page asks of the user, asked in the cat's words on behalf of one page: a name and a
// password, whether to go on to a site whose certificate is wrong, whether the page may use a
// feature. The answers about certificates and features hold for the rest of the run, for every
// page.
class PageQuestions : public QObject
{
    Q_OBJECT
public:
    // The questions are asked over `window`.
    PageQuestions(QWebEnginePage *page, QWidget *window);

private:
    void login(const QUrl &address, QAuthenticator *authenticator, const QString &proxy);
    void certificateError(QWebEngineCertificateError error);
    void permission(const QUrl &origin, int feature);

    QWebEnginePage *m_page;
    QWidget *m_window;
};

} // namespace kuokuo
