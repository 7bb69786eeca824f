#include "common/listfile.h"

#include "common/filenames.h"
#include "common/number.h"
#include "common/programfolder.h"
#include "common/textfile.h"

namespace kuokuo {

ListFile::ListFile(QString folder, QString name, int capacity)
    : m_folder(std::move(folder))
    , m_name(std::move(name))
    , m_capacity(capacity)
{}

ListFile ListFile::addresses(const QString &folder)
{
    return ListFile(folder, FileNames::Addresses, 100);
}

ListFile ListFile::servers(const QString &folder)
{
    return ListFile(folder, FileNames::Servers, 50);
}

ListFile ListFile::rooms(const QString &folder)
{
    return ListFile(folder, FileNames::Rooms, 50);
}

QString ListFile::path() const
{
    return ProgramFolder::join(m_folder, m_name);
}

std::optional<QStringList> ListFile::load() const
{
    TextReader reader;
    if (!reader.open(path()))
        return std::nullopt;
    QString line;
    if (!reader.readLine(line)) // marker line, not examined
        return std::nullopt;
    if (!reader.readLine(line))
        return std::nullopt;
    const double count = roundHalfEven(leadingNumber(line));
    if (count > m_capacity)
        return std::nullopt;
    QStringList entries;
    for (int i = 1; i <= count; ++i) {
        if (!reader.readLine(line))
            return std::nullopt;
        entries.append(line);
    }
    if (!reader.readLine(line)) // the closing line
        return std::nullopt;
    return entries;
}

bool ListFile::save(const QStringList &entries) const
{
    if (entries.size() > m_capacity)
        return false;
    TextWriter writer;
    writer.writeLine(marker());
    writer.writeLine(QString::number(entries.size()));
    for (const QString &entry : entries) {
        if (entry.isEmpty() || entry.contains(QLatin1Char('\r')) ||
            entry.contains(QLatin1Char('\n')))
            return false;
        writer.writeLine(entry);
    }
    writer.writeLine(QString());
    return writer.ok() && saveFileAtomically(path(), writer.bytes());
}

bool addListEntry(QStringList &list, const QString &text)
{
    if (text.isEmpty() || list.contains(text, Qt::CaseSensitive))
        return false;
    list.append(text);
    return true;
}

qsizetype removeListEntry(QStringList &list, const QString &text)
{
    const qsizetype index = list.indexOf(text);
    if (index >= 0)
        list.removeAt(index);
    return index;
}

} // namespace kuokuo
