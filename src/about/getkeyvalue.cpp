#include "about/getkeyvalue.h"

#include "common/programfolder.h"

namespace kuokuo {

namespace {
const QString MsInfoProgram = QStringLiteral("MSINFO32.EXE");
constexpr quint32 BufferSize = 1024;

QString hexOfBytesLastFirst(const QByteArray &bytes)
{
    QString text = QStringLiteral("&h");
    for (qsizetype i = bytes.size() - 1; i >= 0; --i)
        text += QString::number(static_cast<uchar>(bytes.at(i)), 16).toUpper();
    return text;
}
} // namespace

bool GetKeyValue(Registry &registry, Registry::Key KeyRoot, const QString &KeyName,
                 const QString &SubKeyRef, QString &KeyVal)
{
    bool result = false;
    Registry::Key key = 0;
    if (registry.RegOpenKeyExA(KeyRoot, KeyName, 0, Registry::KEY_ALL_ACCESS, &key) !=
        Registry::ERROR_SUCCESS) {
        KeyVal.clear();
    } else {
        QByteArray buffer(BufferSize, '\0');
        quint32 size = BufferSize;
        quint32 type = 0;
        if (registry.RegQueryValueExA(key, SubKeyRef, &type, buffer, &size) !=
            Registry::ERROR_SUCCESS) {
            KeyVal.clear();
        } else {
            QByteArray data = buffer.left(qMin(size, BufferSize));
            if (data.endsWith('\0'))
                data.chop(1);
            if (type == Registry::REG_SZ)
                KeyVal = QString::fromLocal8Bit(data);
            else if (type == Registry::REG_DWORD)
                KeyVal = hexOfBytesLastFirst(data);
            result = true;
        }
    }
    registry.RegCloseKey(key); // also after a failed open
    return result;
}

std::optional<QString> systemInformationProgram(Registry &registry,
                                                const std::function<bool(const QString &)> &exists)
{
    QString value;
    if (GetKeyValue(registry, Registry::HKEY_LOCAL_MACHINE, Registry::MsInfoKey,
                    Registry::MsInfoValue, value))
        return value;
    if (!GetKeyValue(registry, Registry::HKEY_LOCAL_MACHINE, Registry::SharedToolsKey,
                     Registry::SharedToolsValue, value))
        return std::nullopt;
    const QString program = ProgramFolder::join(value, MsInfoProgram);
    if (!exists(program))
        return std::nullopt;
    return program;
}

} // namespace kuokuo
