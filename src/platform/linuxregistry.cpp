#include "platform/linuxregistry.h"

#include <QFileInfo>
#include <QStandardPaths>

namespace kuokuo {

const QStringList LinuxRegistry::Candidates = {
    QStringLiteral("hardinfo2"),
    QStringLiteral("hardinfo"),
    QStringLiteral("gnome-system-monitor"),
    QStringLiteral("plasma-systemmonitor"),
    QStringLiteral("ksysguard"),
    QStringLiteral("mate-system-monitor"),
    QStringLiteral("xfce4-taskmanager"),
    QStringLiteral("lxtask"),
    QStringLiteral("qps"),
};

LinuxRegistry::LinuxRegistry(std::function<QString(const QString &)> findExecutable)
    : m_findExecutable(std::move(findExecutable))
{
    if (!m_findExecutable)
        m_findExecutable = [](const QString &name) { return QStandardPaths::findExecutable(name); };
}

QString LinuxRegistry::systemInformationProgram() const
{
    for (const QString &name : Candidates) {
        const QString path = m_findExecutable(name);
        if (!path.isEmpty())
            return path;
    }
    return QString();
}

long LinuxRegistry::RegOpenKeyExA(Key root, const QString &subKey, quint32, quint32, Key *result)
{
    *result = 0;
    if (root != HKEY_LOCAL_MACHINE)
        return ERROR_FILE_NOT_FOUND;
    // Registry paths ignore letter case.
    const bool known = subKey.compare(MsInfoKey, Qt::CaseInsensitive) == 0 ||
                       subKey.compare(SharedToolsKey, Qt::CaseInsensitive) == 0;
    if (!known || systemInformationProgram().isEmpty())
        return ERROR_FILE_NOT_FOUND;
    *result = m_next++;
    m_open.insert(*result, subKey);
    return ERROR_SUCCESS;
}

long LinuxRegistry::RegQueryValueExA(Key key, const QString &valueName, quint32 *type,
                                     QByteArray &data, quint32 *size)
{
    const auto open = m_open.constFind(key);
    if (open == m_open.constEnd())
        return ERROR_INVALID_HANDLE;
    const QString program = systemInformationProgram();
    QString value;
    if (open->compare(MsInfoKey, Qt::CaseInsensitive) == 0 &&
        valueName.compare(MsInfoValue, Qt::CaseInsensitive) == 0)
        value = program;
    else if (open->compare(SharedToolsKey, Qt::CaseInsensitive) == 0 &&
             valueName.compare(SharedToolsValue, Qt::CaseInsensitive) == 0)
        value = QFileInfo(program).absolutePath();
    if (value.isEmpty())
        return ERROR_FILE_NOT_FOUND;

    // A string value as the ANSI functions give it: the locale's bytes and a closing NUL.
    QByteArray bytes = value.toLocal8Bit();
    bytes.append('\0');
    if (static_cast<quint32>(bytes.size()) > *size || data.size() < bytes.size())
        return ERROR_MORE_DATA;
    std::copy(bytes.cbegin(), bytes.cend(), data.begin());
    *size = static_cast<quint32>(bytes.size());
    *type = REG_SZ;
    return ERROR_SUCCESS;
}

long LinuxRegistry::RegCloseKey(Key key)
{
    return m_open.remove(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

template <>
Registry &Adapter<Registry>::real()
{
    static LinuxRegistry registry;
    return registry;
}

} // namespace kuokuo
