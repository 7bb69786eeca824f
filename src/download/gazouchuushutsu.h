#pragma once

#include <QList>
#include <QString>
#include <QStringView>

class QUrl;

namespace kuokuo {

// One image reference found in a page: where it stands, so that a scan allocates nothing per
// image (a large page holds hundreds of thousands).
struct ImageReference
{
    qsizetype position = 0; // its first character, counted from 0
    int length = 0;         // pages are far smaller than 2^31 characters
    // How many slashes stood right before it ("/img/a.jpg" has one, "//h/a.gif" two).
    int leadingSlashes = 0;

    // The reference as the image list holds it: leading quotes, spaces and slashes dropped.
    QString text(QStringView page) const { return page.sliced(position, length).toString(); }
    // The reference as written in the page, its leading slashes included.
    QString written(QStringView page) const
    {
        return page.sliced(position - leadingSlashes, length + leadingSlashes).toString();
    }
};

// Finds the JPEG and GIF files a page references through "SRC": every "SRC" (any case, also
// inside longer names), the value after the next "=", kept when it ends in ".JPG" or ".GIF" and
// holds no "CGI" (any case). Page order, duplicates kept. Linear in the page's length.
QList<ImageReference> gazouchuushutsu(QStringView page);

// The file name of a reference: the part after its last "/".
QString referenceFileName(const QString &reference);

// Whether an image the browser shows at `address` is one the extraction would save: its path,
// the query and fragment aside, ends in ".JPG" or ".GIF" and holds no "CGI" (any case). A
// browser's image address often carries a query (a size, a cache key) that names no other file.
bool isShownImage(const QUrl &address);

} // namespace kuokuo
