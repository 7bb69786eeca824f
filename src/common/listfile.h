#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace kuokuo {

// The shape shared by the address list and the chat lists: a marker line holding the file's
// own name in square brackets, a count line, the entries one per line, one empty line.
class ListFile
{
public:
    ListFile(QString folder, QString name, int capacity);

    static ListFile addresses(const QString &folder); // at most 100 entries
    static ListFile servers(const QString &folder);   // at most 50 entries
    static ListFile rooms(const QString &folder);     // at most 50 entries

    QString path() const;
    QString marker() const { return QLatin1Char('[') + m_name + QLatin1Char(']'); }
    int capacity() const { return m_capacity; }

    // The whole list, or nothing when the file is missing, holds fewer lines than its count,
    // lacks its closing line or counts more entries than the capacity. The marker line is not
    // looked at; the count is the rounded numeric value at the start of line 2.
    [[nodiscard]] std::optional<QStringList> load() const;

    // Rewrites the file through a temporary file. Fails, leaving the old file whole, when the
    // list is longer than the capacity, or an entry is empty, holds a line break or has a
    // character that CP932 cannot hold (each would break the file or the settings file).
    [[nodiscard]] bool save(const QStringList &entries) const;

private:
    QString m_folder;
    QString m_name;
    int m_capacity;
};

// The add and delete rules of every list: entries are compared exactly (case and spaces count).
// Appends `text` unless it is empty or already in the list; true when it was appended.
bool addListEntry(QStringList &list, const QString &text);
// Removes the first entry equal to `text`; its place in the list, or -1 when no entry is equal.
qsizetype removeListEntry(QStringList &list, const QString &text);

} // namespace kuokuo
