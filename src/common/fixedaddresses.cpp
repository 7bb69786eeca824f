#include "common/fixedaddresses.h"

#include "common/programfolder.h"

#include <QDir>
#include <QUrl>

namespace kuokuo {

QString localPageAddress(const QString &folder, const QString &page)
{
    const qsizetype hash = page.indexOf(QLatin1Char('#'));
    const QString path = ProgramFolder::join(folder, hash < 0 ? page : page.left(hash));
    if (hash < 0)
        return QDir::toNativeSeparators(path);
    QUrl url = QUrl::fromLocalFile(path);
    url.setFragment(page.mid(hash + 1));
    return url.toString();
}

} // namespace kuokuo
