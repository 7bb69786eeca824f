#include "platform/browserprofile.h"

#include "platform/browserengine.h"
#include "platform/inet.h"

#include <QCoreApplication>
#include <QDir>
#include <QHash>
#include <QLocale>
#include <QNetworkCookie>
#include <QPointer>
#include <QStandardPaths>
#include <QTranslator>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>

#include <algorithm>

namespace kuokuo {

namespace {
// The engine's own menu texts, which Debian ships no Japanese translation of.
class EngineTexts final : public QTranslator
{
public:
    QString translate(const char *context, const char *sourceText, const char *, int) const override
    {
        static const QHash<QByteArray, QString> texts = {
            {"Back", QStringLiteral("戻るにゃ")},
            {"Forward", QStringLiteral("進むにゃ")},
            {"Reload", QStringLiteral("更新にゃ")},
            {"Cut", QStringLiteral("切り取りにゃ")},
            {"Copy", QStringLiteral("コピーにゃ")},
            {"Paste", QStringLiteral("貼り付けにゃ")},
            {"Undo", QStringLiteral("元に戻すにゃ")},
            {"Redo", QStringLiteral("やり直すにゃ")},
            {"Select all", QStringLiteral("すべて選ぶにゃ")},
            {"Paste and match style", QStringLiteral("文字だけ貼り付けにゃ")},
            {"Open link in new window", QStringLiteral("リンクを開くにゃ")},
            {"Open link in new tab", QStringLiteral("リンクを開くにゃ")},
            {"Copy link address", QStringLiteral("リンクのアドレスをコピーにゃ")},
            {"Save link", QStringLiteral("リンク先を保存にゃ")},
            {"Copy image", QStringLiteral("画像をコピーにゃ")},
            {"Copy image address", QStringLiteral("画像のアドレスをコピーにゃ")},
            {"Save image", QStringLiteral("画像を保存にゃ")},
            {"Copy media address", QStringLiteral("動画や音のアドレスをコピーにゃ")},
            {"Show controls", QStringLiteral("操作ボタンを出すにゃ")},
            {"Loop", QStringLiteral("くりかえし再生にゃ")},
            {"Save media", QStringLiteral("動画や音を保存にゃ")},
            {"Inspect", QStringLiteral("しくみを調べるにゃ")},
            {"Exit full screen", QStringLiteral("全画面をやめるにゃ")},
            {"Save page", QStringLiteral("ページを保存にゃ")},
            {"View page source", QStringLiteral("ページのソースを見るにゃ")},
        };
        if (qstrcmp(context, "RenderViewContextMenuQt") != 0)
            return QString();
        return texts.value(QByteArray(sourceText));
    }
};

QPointer<QWebEngineProfile> &profile()
{
    static QPointer<QWebEngineProfile> made;
    return made;
}

// Every cookie the store reports, from the profile's start: the store tells changes alone and
// cannot be asked for what it holds.
class CookieMirror final : public QObject
{
public:
    explicit CookieMirror(QWebEngineCookieStore *store)
        : QObject(store)
    {
        connect(store, &QWebEngineCookieStore::cookieAdded, this,
                [this](const QNetworkCookie &cookie) { m_cookies.insert(key(cookie), cookie); });
        connect(store, &QWebEngineCookieStore::cookieRemoved, this,
                [this](const QNetworkCookie &cookie) { m_cookies.remove(key(cookie)); });
        store->loadAllCookies(); // lists what it holds where the store implements it
    }
    QList<QNetworkCookie> cookies() const { return m_cookies.values(); }

private:
    static QByteArray key(const QNetworkCookie &cookie)
    {
        return cookie.name() + '\0' + cookie.domain().toUtf8() + '\0' + cookie.path().toUtf8();
    }
    QHash<QByteArray, QNetworkCookie> m_cookies;
};

QPointer<CookieMirror> &cookieMirror()
{
    static QPointer<CookieMirror> made;
    return made;
}
} // namespace

QWebEngineProfile *browserProfile()
{
    if (profile())
        return profile();
    static bool japanese = [] {
        // The engine takes its language from the default locale when it starts (error pages,
        // the language it asks pages for): the program speaks Japanese whatever the
        // environment's LC_ALL or LANGUAGE say.
        QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
        static EngineTexts texts;
        QCoreApplication::installTranslator(&texts);
        return true;
    }();
    Q_UNUSED(japanese);
    const QString folder = QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
                               .filePath(QStringLiteral("browser"));
    auto *made = new QWebEngineProfile(QStringLiteral("kuokuonavi"), QCoreApplication::instance());
    made->setPersistentStoragePath(folder);
    made->setCachePath(QDir(folder).filePath(QStringLiteral("Cache")));
    profile() = made;
    cookieMirror() = new CookieMirror(made->cookieStore());
    return made;
}

QList<QNetworkCookie> browserCookies()
{
    return cookieMirror() ? cookieMirror()->cookies() : QList<QNetworkCookie>();
}

void releaseBrowserProfile()
{
    delete profile().data();
}

namespace {
// A cookie of the browser's store as the downloader's transfers keep it: a domain with a leading
// dot takes in its subdomains, one without names its host alone.
InetCookie inetCookie(const QNetworkCookie &cookie)
{
    const QDateTime expires = cookie.expirationDate();
    return {cookie.name(),
            cookie.value(),
            cookie.domain().toUtf8(),
            cookie.path().isEmpty() ? QByteArrayLiteral("/") : cookie.path().toUtf8(),
            cookie.isSecure(),
            cookie.isHttpOnly(),
            cookie.isSessionCookie() ? 0 : std::max(qint64(1), expires.toSecsSinceEpoch())};
}

} // namespace

void fetchAsBrowser(BrowserEngine &browser, Inet &inet, QObject *receiver)
{
    inet.setUserAgent(browser.UserAgent());
    browser.FollowCookies(
        receiver, [&inet](const QNetworkCookie &cookie) { inet.addCookie(inetCookie(cookie)); },
        [&inet](const QNetworkCookie &cookie) { inet.removeCookie(inetCookie(cookie)); });
}

} // namespace kuokuo
