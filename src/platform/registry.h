#pragma once

#include "platform/adapter.h"

#include <QByteArray>
#include <QString>

namespace kuokuo {

// A read-only registry in the shape of the Windows ANSI registry functions, enough to look up
// where the system-information program lives.
class Registry
{
public:
    using Key = quint32;

    static constexpr Key HKEY_LOCAL_MACHINE = 0x80000002u;
    static constexpr quint32 KEY_ALL_ACCESS = 0x2003Fu;
    static constexpr quint32 REG_SZ = 1;
    static constexpr quint32 REG_DWORD = 4;
    static constexpr long ERROR_SUCCESS = 0;
    static constexpr long ERROR_FILE_NOT_FOUND = 2;
    static constexpr long ERROR_INVALID_HANDLE = 6;
    static constexpr long ERROR_MORE_DATA = 234;

    // Where the system-information program is recorded: the program's path under the value
    // "PATH" of the first key, its folder under the value "MSINFO" of the second.
    inline static const QString MsInfoKey =
        QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
    inline static const QString MsInfoValue = QStringLiteral("PATH");
    inline static const QString SharedToolsKey =
        QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
    inline static const QString SharedToolsValue = QStringLiteral("MSINFO");

    virtual ~Registry() = default;
    virtual long RegOpenKeyExA(Key root, const QString &subKey, quint32 options, quint32 samDesired,
                               Key *result) = 0;
    // `data` is the buffer and `*size` its size in bytes; on success `*size` becomes the size of
    // the value's data and `*type` its type.
    virtual long RegQueryValueExA(Key key, const QString &valueName, quint32 *type,
                                  QByteArray &data, quint32 *size) = 0;
    virtual long RegCloseKey(Key key) = 0;
};

template <>
Registry &Adapter<Registry>::real();
inline Registry &registry()
{
    return Adapter<Registry>::get();
}

} // namespace kuokuo
