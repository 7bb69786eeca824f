#include "platform/schemelauncher.h"

#include <QProcess>

namespace kuokuo {

namespace {
class XdgSchemeLauncher final : public SchemeLauncher
{
public:
    bool launch(const QString &address) override
    {
        // xdg-open receives the address as one argument, untouched by any URL parsing.
        return QProcess::startDetached(QStringLiteral("xdg-open"), {address});
    }
};
} // namespace

const QStringList SchemeLauncher::ExternalSchemes = {QStringLiteral("mic"),
                                                     QStringLiteral("mailto")};

bool SchemeLauncher::isExternalScheme(const QString &address)
{
    for (const QString &scheme : ExternalSchemes) {
        if (address.startsWith(scheme + QLatin1Char(':'), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

template <>
SchemeLauncher &Adapter<SchemeLauncher>::real()
{
    static XdgSchemeLauncher launcher;
    return launcher;
}

} // namespace kuokuo
