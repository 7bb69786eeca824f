#pragma once

#include "platform/registry.h"

#include <QHash>
#include <QStringList>

namespace kuokuo::test {

// A registry made of a table: "key\value" -> (type, data bytes). The calls are logged as
// "open|root|key|options|access", "query|value" and "close|handle".
class FakeRegistry final : public Registry
{
public:
    QHash<QString, std::pair<quint32, QByteArray>> values;
    QStringList log, open;

    long RegOpenKeyExA(Key root, const QString &key, quint32 options, quint32 access,
                       Key *result) override
    {
        log << QStringLiteral("open|%1|%2|%3|%4")
                   .arg(root, 0, 16)
                   .arg(key)
                   .arg(options)
                   .arg(access, 0, 16);
        const bool known =
            root == HKEY_LOCAL_MACHINE && !values.keys().filter(key + '\\').isEmpty();
        *result = known ? Key((open << key).size()) : 0;
        return known ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    }
    long RegQueryValueExA(Key key, const QString &name, quint32 *type, QByteArray &data,
                          quint32 *size) override
    {
        log << QStringLiteral("query|%1").arg(name);
        const auto value = values.constFind(open.value(qsizetype(key) - 1) + '\\' + name);
        if (value == values.cend() || quint32(value->second.size()) > *size)
            return value == values.cend() ? ERROR_FILE_NOT_FOUND : ERROR_MORE_DATA;
        std::copy(value->second.cbegin(), value->second.cend(), data.begin());
        *size = quint32(value->second.size());
        *type = value->first;
        return ERROR_SUCCESS;
    }
    long RegCloseKey(Key key) override
    {
        log << QStringLiteral("close|%1").arg(key);
        return key ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
    }
};

} // namespace kuokuo::test
