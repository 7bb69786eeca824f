#pragma once

#include <QList>
#include <QString>
#include <QStringView>

namespace kuokuo {

// One image reference found in a page.
struct ImageReference
{
    // The reference as the image list holds it: leading quotes, spaces and slashes dropped.
    QString text;
    // How many slashes stood right before it in the page ("/img/a.jpg" has one, "//h/a.gif" two).
    int leadingSlashes = 0;

    // The reference as written in the page, its leading slashes included.
    QString written() const { return QString(leadingSlashes, QLatin1Char('/')) + text; }
};

// Finds the JPEG and GIF files a page references through "SRC": every "SRC" (any case, also
// inside longer names), the value after the next "=", kept when it ends in ".JPG" or ".GIF" and
// holds no "CGI" (any case). Page order, duplicates kept. Linear in the page's length.
QList<ImageReference> gazouchuushutsu(QStringView page);

// The file name of a reference: the part after its last "/".
QString referenceFileName(const QString &reference);

} // namespace kuokuo
