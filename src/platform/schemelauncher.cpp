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

bool SchemeLauncher::isExternalScheme(const QString &address)
{
    return address.startsWith(QLatin1String("mic:"), Qt::CaseInsensitive) ||
           address.startsWith(QLatin1String("mailto:"), Qt::CaseInsensitive);
}

template <>
SchemeLauncher &Adapter<SchemeLauncher>::real()
{
    static XdgSchemeLauncher launcher;
    return launcher;
}

} // namespace kuokuo
