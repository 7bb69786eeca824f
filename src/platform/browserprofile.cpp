#include "platform/browserprofile.h"

#include "common/logging.h"
#include "platform/browserengine.h"
#include "platform/inet.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QLocale>
#include <QNetworkCookie>
#include <QPointer>
#include <QSet>
#include <QStandardPaths>
#include <QTranslator>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <utility>

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

// The cookies an earlier run kept on disk, read from a copy of the engine's cookie database: the
// engine holds the file itself, and its store reports changes alone (Qt 6.4's loadAllCookies
// lists nothing). Expired cookies, and values the engine keeps encrypted, are left out.
QList<QNetworkCookie> storedCookies(const QString &database)
{
    QFile file(database);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    QList<QNetworkCookie> cookies;
    sqlite3 *db = nullptr;
    if (sqlite3_open(":memory:", &db) != SQLITE_OK) {
        sqlite3_close(db);
        return {};
    }
    // SQLite takes over a copy of the bytes, and frees it with the database.
    auto *copy = static_cast<unsigned char *>(sqlite3_malloc64(sqlite3_uint64(bytes.size())));
    if (copy)
        memcpy(copy, bytes.constData(), size_t(bytes.size()));
    sqlite3_stmt *rows = nullptr;
    const bool opened =
        copy &&
        sqlite3_deserialize(db, "main", copy, bytes.size(), bytes.size(),
                            SQLITE_DESERIALIZE_FREEONCLOSE | SQLITE_DESERIALIZE_READONLY) ==
            SQLITE_OK &&
        sqlite3_prepare_v2(db,
                           "SELECT host_key, name, value, path, expires_utc, is_secure, "
                           "is_httponly FROM cookies WHERE value <> '' AND has_expires = 1",
                           -1, &rows, nullptr) == SQLITE_OK;
    // The database counts microseconds from 1601-01-01.
    constexpr qint64 UnixEpochInDatabase = 11644473600;
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    const auto text = [&rows](int column) {
        return QByteArray(reinterpret_cast<const char *>(sqlite3_column_text(rows, column)),
                          sqlite3_column_bytes(rows, column));
    };
    while (opened && sqlite3_step(rows) == SQLITE_ROW) {
        const qint64 expires = sqlite3_column_int64(rows, 4) / 1000000 - UnixEpochInDatabase;
        if (expires <= now)
            continue;
        QNetworkCookie cookie(text(1), text(2));
        cookie.setDomain(QString::fromUtf8(text(0)));
        cookie.setPath(QString::fromUtf8(text(3)));
        cookie.setExpirationDate(QDateTime::fromSecsSinceEpoch(expires, Qt::UTC));
        cookie.setSecure(sqlite3_column_int(rows, 5) != 0);
        cookie.setHttpOnly(sqlite3_column_int(rows, 6) != 0);
        cookies << cookie;
    }
    if (!opened && copy)
        qCWarning(lcNet) << "the browser's cookies of an earlier run cannot be read:"
                         << sqlite3_errmsg(db);
    sqlite3_finalize(rows);
    sqlite3_close(db);
    return cookies;
}

// Every cookie the browser holds: those an earlier run kept, read when first asked for, and then
// what the store reports. Removals are remembered, so that a cookie this run removed is not
// taken back from a file the engine has not written yet.
class CookieMirror final : public QObject
{
public:
    CookieMirror(QWebEngineCookieStore *store, const QString &database)
        : QObject(store)
        , m_database(database)
    {
        connect(store, &QWebEngineCookieStore::cookieAdded, this,
                [this](const QNetworkCookie &cookie) {
                    m_removed.remove(key(cookie));
                    m_cookies.insert(key(cookie), cookie);
                });
        connect(store, &QWebEngineCookieStore::cookieRemoved, this,
                [this](const QNetworkCookie &cookie) {
                    m_removed.insert(key(cookie));
                    m_cookies.remove(key(cookie));
                });
        store->loadAllCookies(); // lists what it holds where the store implements it
    }
    QList<QNetworkCookie> cookies()
    {
        if (!m_database.isEmpty()) {
            for (const QNetworkCookie &cookie : storedCookies(std::exchange(m_database, {})))
                if (!m_removed.contains(key(cookie)) && !m_cookies.contains(key(cookie)))
                    m_cookies.insert(key(cookie), cookie);
        }
        return m_cookies.values();
    }

private:
    static QByteArray key(const QNetworkCookie &cookie)
    {
        return cookie.name() + '\0' + cookie.domain().toUtf8() + '\0' + cookie.path().toUtf8();
    }
    QString m_database; // until it is read
    QHash<QByteArray, QNetworkCookie> m_cookies;
    QSet<QByteArray> m_removed;
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
    cookieMirror() =
        new CookieMirror(made->cookieStore(), QDir(folder).filePath(QStringLiteral("Cookies")));
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
