#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace kuokuo {

// How the bytes of a page become text: a byte-order mark, else the charset of the HTTP
// Content-Type header, else a meta charset near the start of the page, else the encoding that
// ICU's charset detector finds among UTF-8, ISO-2022-JP, EUC-JP, Shift_JIS (as CP932) and
// UTF-16, else CP932 (the code page of the pages this program was made for). A charset that no
// decoder knows counts as not given.
QString decodePage(QByteArrayView body, QByteArrayView contentType);

// The charset parameter of a Content-Type value ("text/html; charset=Shift_JIS"), or empty.
QByteArray headerCharset(QByteArrayView contentType);

// The charset a page declares in a meta element within its first bytes, or empty.
QByteArray metaCharset(QByteArrayView body);

} // namespace kuokuo
