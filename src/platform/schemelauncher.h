#pragma once

#include "platform/adapter.h"

#include <QString>
#include <QStringList>

namespace kuokuo {

// Hands an address to the system's handler for its scheme (mic:, mailto:), exactly as built:
// no percent-encoding, Japanese and "&" kept.
class SchemeLauncher
{
public:
    virtual ~SchemeLauncher() = default;
    virtual bool launch(const QString &address) = 0;

    // The schemes that the browser engine does not show itself: the chat client's and mail.
    static const QStringList ExternalSchemes;
    // True for an address of one of them, in any case.
    static bool isExternalScheme(const QString &address);
};

template <>
SchemeLauncher &Adapter<SchemeLauncher>::real();
inline SchemeLauncher &schemeLauncher()
{
    return Adapter<SchemeLauncher>::get();
}

} // namespace kuokuo
