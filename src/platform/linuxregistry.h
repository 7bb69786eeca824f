#pragma once

#include "platform/registry.h"

#include <QHash>
#include <QStringList>

#include <functional>

namespace kuokuo {

// The registry as Linux offers it: the two keys that locate the system-information program
// answer with the first system-information or system-monitor program found on PATH (its path
// under "PATH", its folder under "MSINFO"); no other key exists.
class LinuxRegistry final : public Registry
{
public:
    static const QStringList Candidates; // program names looked for, in order

    // `findExecutable` maps a program name to its full path, or an empty text.
    explicit LinuxRegistry(std::function<QString(const QString &)> findExecutable = {});

    long RegOpenKeyExA(Key root, const QString &subKey, quint32 options, quint32 samDesired,
                       Key *result) override;
    long RegQueryValueExA(Key key, const QString &valueName, quint32 *type, QByteArray &data,
                          quint32 *size) override;
    long RegCloseKey(Key key) override;

private:
    QString systemInformationProgram() const;

    std::function<QString(const QString &)> m_findExecutable;
    QHash<Key, QString> m_open;
    Key m_next = 1;
};

} // namespace kuokuo
