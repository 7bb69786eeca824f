#include "common/textfile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

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
    if (!file.open(QIODevice::ReadOnly))
        return false;
    if (file.size() > maxSize)
        return false;
    bytes = file.read(maxSize + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > maxSize)
        return false;
    return true;
}

bool saveFileAtomically(const QString &path, QByteArrayView bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes.data(), bytes.size()) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace kuokuo
