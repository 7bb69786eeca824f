#pragma once

#include "platform/registry.h"

#include <QHash>
#include <QStringList>

namespace kuokuo::test {

// A registry made of a table: key path -> value name -> (type, data bytes).
class FakeRegistry final : public Registry
{
public:
    struct Value
    {
        quint32 type = REG_SZ;
        QByteArray data;
    };

    QHash<QString, QHash<QString, Value>> keys;
    QStringList log; // "open|key", "query|value", "close|handle"

    long RegOpenKeyExA(Key root, const QString &subKey, quint32 options, quint32 samDesired,
                       Key *result) override
    {
        log << QStringLiteral("open|%1|%2|%3|%4")
                   .arg(root, 0, 16)
                   .arg(subKey)
                   .arg(options)
                   .arg(samDesired, 0, 16);
        *result = 0;
        if (root != HKEY_LOCAL_MACHINE || !keys.contains(subKey))
            return ERROR_FILE_NOT_FOUND;
        m_handles.append(subKey);
        *result = static_cast<Key>(m_handles.size());
        return ERROR_SUCCESS;
    }

    long RegQueryValueExA(Key key, const QString &valueName, quint32 *type, QByteArray &data,
                          quint32 *size) override
    {
        log << QStringLiteral("query|%1").arg(valueName);
        if (key == 0 || key > static_cast<Key>(m_handles.size()))
            return ERROR_INVALID_HANDLE;
        const auto &values = keys[m_handles.at(key - 1)];
        if (!values.contains(valueName))
            return ERROR_FILE_NOT_FOUND;
        const Value &value = values[valueName];
        if (static_cast<quint32>(value.data.size()) > *size)
            return ERROR_MORE_DATA;
        std::copy(value.data.cbegin(), value.data.cend(), data.begin());
        *size = static_cast<quint32>(value.data.size());
        *type = value.type;
        return ERROR_SUCCESS;
    }

    long RegCloseKey(Key key) override
    {
        log << QStringLiteral("close|%1").arg(key);
        return key == 0 ? ERROR_INVALID_HANDLE : ERROR_SUCCESS;
    }

private:
    QStringList m_handles;
};

} // namespace kuokuo::test
