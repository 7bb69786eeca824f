#include "shell/browserrules.h"

#include <QRegularExpression>
#include <QUrl>

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>

namespace kuokuo {

bool isSearchWords(const QString &typed)
{
    const QString text = typed.trimmed();
    // A scheme is a name and a colon; "host:8080" is a host and its port.
    static const QRegularExpression scheme(
        QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:(?!\\d+(/|$))"));
    static const QRegularExpression host(
        QStringLiteral("^(localhost|\\[[0-9A-Fa-f:.]*\\]|[0-9A-Fa-f]*:[0-9A-Fa-f]*:[0-9A-Fa-f:]*)"
                       "(:\\d+)?([/?#]|$)"),
        QRegularExpression::CaseInsensitiveOption);
    if (text.isEmpty() || scheme.match(text).hasMatch() || text.startsWith(QLatin1Char('/')) ||
        text.startsWith(QLatin1Char('~')))
        return false;
    if (text.contains(QLatin1Char(' ')) || text.contains(QChar(0x3000)))
        return true;
    return !text.contains(QLatin1Char('.')) && !host.match(text).hasMatch();
}

QString savePageName(const QString &title, const QString &address)
{
    QString name = title.simplified();
    if (name.isEmpty()) {
        name = QUrl(address).fileName();
        if (name.isEmpty())
            name = QUrl(address).host();
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        if (dot > 0)
            name.truncate(dot);
    }
    static const QRegularExpression unsafe(QStringLiteral("[/\\\\:*?\"<>|\\x00-\\x1f]"));
    name.replace(unsafe, QStringLiteral("_"));
    // A file name holds at most 255 bytes.
    while (name.toUtf8().size() > 240)
        name.chop(1);
    return (name.isEmpty() ? QStringLiteral("page") : name) + QStringLiteral(".mhtml");
}

double zoomStep(double factor, int steps)
{
    static constexpr std::array<double, 17> Levels = {
        0.25, 0.33, 0.5, 0.67, 0.75, 0.8, 0.9, 1.0, 1.1, 1.25, 1.5, 1.75, 2.0, 2.5, 3.0, 4.0, 5.0};
    if (steps == 0)
        return 1.0;
    // The level nearest to the factor, then so many levels on.
    const auto nearest =
        std::min_element(Levels.begin(), Levels.end(), [factor](double a, double b) {
            return std::abs(a - factor) < std::abs(b - factor);
        });
    const auto at = std::clamp<std::ptrdiff_t>(std::distance(Levels.begin(), nearest) + steps, 0,
                                               std::ptrdiff_t(Levels.size()) - 1);
    return Levels[size_t(at)];
}

} // namespace kuokuo
