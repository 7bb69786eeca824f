#pragma once

#include "platform/registry.h"

#include <QHash>
#include <QStringList>

namespace kuokuo::test {

// A registry made of a table: key path -> value name -> (type, data bytes). The calls are logged
// as "open|root|key|options|access", "query|value" and "close|handle".
class FakeRegistry final : public Registry
{
public:
    struct Value
    {
        quint32 type = REG_SZ;
        QByteArray data;
    };
    QHash<QString, QHash<QString, Value>> keys;
    QStringList log;

    long RegOpenKeyExA(Key root, const QString &key, quint32 options, quint32 access,
                       Key *result) override
    {
        log << QStringLiteral("open|%1|%2|%3|%4")
                   .arg(root, 0, 16)
                   .arg(key)
                   .arg(options)
                   .arg(access, 0, 16);
        *result = root == HKEY_LOCAL_MACHINE && keys.contains(key) ? (m_open << key).size() : 0;
        return *result ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    }
    long RegQueryValueExA(Key key, const QString &name, quint32 *type, QByteArray &data,
                          quint32 *size) override
    {
        log << QStringLiteral("query|%1").arg(name);
        const QHash<QString, Value> values = keys.value(m_open.value(qsizetype(key) - 1));
        const Value value = values.value(name);
        if (!values.contains(name) || quint32(value.data.size()) > *size)
            return values.contains(name) ? ERROR_MORE_DATA : ERROR_FILE_NOT_FOUND;
        std::copy(value.data.cbegin(), value.data.cend(), data.begin());
        *size = quint32(value.data.size());
        *type = value.type;
        return ERROR_SUCCESS;
    }
    long RegCloseKey(Key key) override
    {
        log << QStringLiteral("close|%1").arg(key);
        return key ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
    }

private:
    QStringList m_open;
};

} // namespace kuokuo::test
