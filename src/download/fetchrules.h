#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <QUrl>

#include <chrono>

namespace kuokuo {

// How the downloader treats requests, answers and names as a browser would.

// The Referer a request for `to` carries when it comes from the page (or folder) `from`, by the
// browsers' default policy (strict-origin-when-cross-origin): the whole address within one
// origin, the origin alone for another, nothing from https down to http.
QByteArray refererFor(const QUrl &from, const QUrl &to);

// How long to wait before asking a busy server again: its Retry-After (seconds or an HTTP
// date, at most a minute), else 1 s before the first retry and 3 s before later ones.
std::chrono::seconds retryDelay(QByteArrayView retryAfter, const QDateTime &now, int attempt);

// Whether an answer for the file `name` is a web page instead of the file: its type says HTML,
// or, when the type is missing or generic, its first bytes (after blanks and a byte-order mark)
// open an HTML document. A name that is itself a web page's (.htm, .html) is never one.
bool isWebPageInstead(const QString &name, QByteArrayView contentType, QByteArrayView head);

// Whether `name` is a plain file name that stays in the folder it is saved into: not empty, not
// "." or "..", without "/" or "\".
bool isPlainFileName(const QString &name);

} // namespace kuokuo
