#include "common/textfile.h"

#include "common/logging.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace kuokuo {

namespace {
constexpr char CR = '\r';
constexpr char LF = '\n';
constexpr char Quote = '"';
constexpr char Comma = ',';
constexpr char Space = ' ';
} // namespace

QString decodeCp932(QByteArrayView bytes)
{
    // Stateless: a lead byte cut off at the end must not be held back silently.
    QStringDecoder decoder("CP932", QStringConverter::Flag::Stateless);
    return decoder.decode(bytes);
}

std::optional<QByteArray> encodeCp932(QStringView text)
{
    QStringEncoder encoder("CP932", QStringConverter::Flag::Stateless);
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        return std::nullopt;
    return bytes;
}

TextReader::TextReader(QByteArray bytes)
    : m_bytes(std::move(bytes))
{}

bool TextReader::open(const QString &path)
{
    m_pos = 0;
    m_bytes.clear();
    return readWholeFile(path, m_bytes);
}

qsizetype TextReader::findLineEnd(qsizetype from) const
{
    const qsizetype size = m_bytes.size();
    for (qsizetype i = from; i < size; ++i) {
        const char c = m_bytes.at(i);
        if (c == CR || c == LF)
            return i;
    }
    return size;
}

void TextReader::consumeLineEnd()
{
    if (atEnd())
        return;
    if (m_bytes.at(m_pos) == CR) {
        ++m_pos;
        if (!atEnd() && m_bytes.at(m_pos) == LF)
            ++m_pos;
    } else if (m_bytes.at(m_pos) == LF) {
        ++m_pos;
    }
}

bool TextReader::readLineBytes(QByteArray &line)
{
    if (atEnd())
        return false;
    const qsizetype end = findLineEnd(m_pos);
    line = m_bytes.mid(m_pos, end - m_pos);
    m_pos = end;
    consumeLineEnd();
    return true;
}

bool TextReader::readLine(QString &line)
{
    QByteArray bytes;
    if (!readLineBytes(bytes))
        return false;
    line = decodeCp932(bytes);
    return true;
}

bool TextReader::readField(QString &field)
{
    if (atEnd())
        return false;
    const qsizetype size = m_bytes.size();
    while (m_pos < size && m_bytes.at(m_pos) == Space)
        ++m_pos;

    if (m_pos < size && m_bytes.at(m_pos) == Quote) {
        const qsizetype start = m_pos + 1;
        qsizetype close = m_bytes.indexOf(Quote, start);
        if (close < 0)
            close = size;
        field = decodeCp932(QByteArrayView(m_bytes).sliced(start, close - start));
        // Skip what follows the closing quote up to and including the next comma or line end.
        m_pos = close < size ? close + 1 : size;
        while (m_pos < size) {
            const char c = m_bytes.at(m_pos);
            if (c == Comma) {
                ++m_pos;
                break;
            }
            if (c == CR || c == LF) {
                consumeLineEnd();
                break;
            }
            ++m_pos;
        }
        return true;
    }

    qsizetype end = m_pos;
    while (end < size && m_bytes.at(end) != Comma && m_bytes.at(end) != CR && m_bytes.at(end) != LF)
        ++end;
    field = decodeCp932(QByteArrayView(m_bytes).sliced(m_pos, end - m_pos));
    m_pos = end;
    if (m_pos < size) {
        if (m_bytes.at(m_pos) == Comma)
            ++m_pos;
        else
            consumeLineEnd();
    }
    return true;
}

bool TextWriter::writeLine(QStringView text)
{
    const std::optional<QByteArray> encoded = encodeCp932(text);
    if (!encoded) {
        m_ok = false;
        return false;
    }
    writeLineBytes(*encoded);
    return true;
}

void TextWriter::writeLineBytes(QByteArrayView line)
{
    m_bytes.append(line);
    m_bytes.append("\r\n", 2);
}

bool readWholeFile(const QString &path, QByteArray &bytes, qint64 maxSize)
{
    QFile file(path);
    if (!file.exists()) { // for many callers an ordinary answer, not a fault
        qCDebug(lcFiles) << "no file" << path;
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcFiles) << "cannot read" << path << file.errorString();
        return false;
    }
    if (file.size() > maxSize) {
        qCWarning(lcFiles) << "too large to read" << path << file.size();
        return false;
    }
    // readAll asks the file for its size; read(maxSize) would reserve the whole limit.
    bytes = file.readAll();
    if (file.error() != QFileDevice::NoError || bytes.size() > maxSize) {
        qCWarning(lcFiles) << "cannot read" << path << file.errorString();
        return false;
    }
    return true;
}

bool renameOver(const QString &from, const QString &to)
{
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

bool isDiskFull(int error)
{
    return error == ENOSPC || error == EDQUOT || error == EFBIG;
}

mode_t modeOfWrittenFile(const QString &path)
{
    struct stat existing = {};
    if (::stat(QFile::encodeName(path).constData(), &existing) == 0)
        return existing.st_mode & 07777;
    // The umask can only be read by setting it (racing other threads), or from the kernel's
    // report of the process.
    mode_t umask = 022;
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("Umask:"))
                umask = mode_t(line.mid(6).trimmed().toUInt(nullptr, 8));
        }
    }
    return 0666 & ~umask;
}

bool saveFileAtomically(const QString &path, QByteArrayView bytes, Durability durability)
{
    const QFileInfo target(path);
    QTemporaryFile file(
        target.dir().filePath(QLatin1Char('.') + target.fileName() + QStringLiteral(".XXXXXX")));
    // write() only buffers: the flush is checked before anything is renamed, so that a full
    // disk leaves the old file as it was.
    const bool written = file.open() && file.write(bytes.data(), bytes.size()) == bytes.size() &&
                         file.flush() && ::fchmod(file.handle(), modeOfWrittenFile(path)) == 0 &&
                         (durability == Durability::Unsynced || ::fdatasync(file.handle()) == 0);
    if (!written) {
        qCWarning(lcFiles) << "cannot write" << path << file.errorString() << std::strerror(errno);
        return false;
    }
    if (!renameOver(file.fileName(), path)) {
        qCWarning(lcFiles) << "cannot replace" << path << std::strerror(errno);
        return false;
    }
    file.setAutoRemove(false);
    return true;
}

void syncInBackground(const QStringList &paths)
{
    if (paths.isEmpty())
        return;
    std::thread([paths] {
        for (const QString &path : paths) {
            const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
            if (fd >= 0) {
                ::fdatasync(fd);
                ::close(fd);
            }
        }
    }).detach();
}

QString trimSpaces(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == QLatin1Char(' '))
        ++begin;
    while (end > begin && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.sliced(begin, end - begin).toString();
}

QString percentEncodeOutsideCp932(const QString &text)
{
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        // A character outside the basic plane is two UTF-16 units and is taken whole.
        const qsizetype length =
            text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()
                ? 2
                : 1;
        const QStringView character = QStringView(text).sliced(i, length);
        if (encodeCp932(character))
            result.append(character);
        else
            result.append(QString::fromLatin1(character.toUtf8().toPercentEncoding()));
        i += length - 1;
    }
    return result;
}

} // namespace kuokuo
