#include "platform/hostinfo.h"

#include <QHostInfo>
#include <QNetworkInterface>

namespace kuokuo {

namespace {
class QtHostInfo final : public HostInfo
{
public:
    QString localHostName() override { return QHostInfo::localHostName(); }

    QString localIp() override
    {
        // The first IPv4 address of an interface that is up and not the loopback.
        const auto interfaces = QNetworkInterface::allInterfaces();
        for (const QNetworkInterface &interface : interfaces) {
            const auto flags = interface.flags();
            if (!flags.testFlag(QNetworkInterface::IsUp) ||
                flags.testFlag(QNetworkInterface::IsLoopBack))
                continue;
            for (const QNetworkAddressEntry &entry : interface.addressEntries()) {
                const QHostAddress address = entry.ip();
                if (address.protocol() == QAbstractSocket::IPv4Protocol && !address.isLoopback())
                    return address.toString();
            }
        }
        return QString();
    }
};
} // namespace

template <>
HostInfo &Adapter<HostInfo>::real()
{
    static QtHostInfo info;
    return info;
}

} // namespace kuokuo
