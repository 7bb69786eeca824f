#include "download/partfile.h"

#include "common/logging.h"
#include "common/textfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace kuokuo {

namespace {
// Hidden, so that file lists do not show a file that is still arriving where the system cannot
// create it without a name.
QString temporaryTemplate(const QString &folder)
{
    return QDir(folder).filePath(QStringLiteral(".kuokuo-XXXXXX.part"));
}
} // namespace

PartFile::PartFile(const QString &folder)
    : m_folder(folder)
    , m_file(temporaryTemplate(folder))
{
    m_file.setAutoRemove(true);
}

bool PartFile::open()
{
    return m_file.open();
}

bool PartFile::commit(const QString &path)
{
    if (!m_file.isOpen() || !m_file.flush() ||
        ::fchmod(m_file.handle(), modeOfWrittenFile(path)) != 0) {
        m_diskFull = isDiskFull(errno);
        qCWarning(lcFiles) << "cannot write" << path << m_file.errorString();
        discard();
        return false;
    }
    // A new name: the unnamed file is linked in under it directly (no temporary name, one
    // directory operation, as a plain create would cost). It never replaces a file.
    const QFileInfo target(path);
    if (!target.exists() && target.absoluteDir() == QDir(m_folder) && m_file.rename(path)) {
        m_file.setAutoRemove(false);
        return true;
    }
    // On Linux the file has no name while it arrives (O_TMPFILE): asking for it gives it one.
    const QString temporary = m_file.fileName();
    if (renameOver(temporary, path)) {
        m_file.close();
        m_file.setAutoRemove(false);
        return true;
    }
    if (errno != EXDEV) {
        qCWarning(lcFiles) << "cannot rename into" << path << std::strerror(errno);
        discard();
        return false;
    }
    // The download folder changed to another file system while the bytes were waiting: copy
    // them over there, still under a temporary name.
    PartFile there(QFileInfo(path).path());
    bool copied = there.open() && m_file.seek(0);
    while (copied && !m_file.atEnd()) {
        const QByteArray chunk = m_file.read(1 << 20);
        copied = there.device()->write(chunk) == chunk.size();
    }
    m_diskFull = !copied && isDiskFull(errno);
    discard();
    if (!copied || there.commit(path))
        return copied;
    m_diskFull = there.diskFull();
    return false;
}

void PartFile::discard()
{
    m_file.remove();
}

} // namespace kuokuo
