#include "mascot/serihu.h"

#include "common/programfolder.h"
#include "common/textfile.h"

#include <QRandomGenerator>

#include <cmath>

namespace kuokuo {

bool Serihuhyou::serihuyomikomi(const QString &path)
{
    TextReader reader;
    if (!reader.open(path))
        return false;
    if (!reader.readField(m_entries[0].picture))
        return false;
    while (!reader.atEnd()) {
        for (int n = FirstLine; n <= LastLine; ++n) {
            SerihuEntry &entry = m_entries[n];
            if (!reader.readField(entry.picture) || !reader.readField(entry.spare) ||
                !reader.readField(entry.text))
                return false;
        }
        if (!reader.readLine(m_entries[0].picture))
            return false;
    }
    return true;
}

std::optional<SerihuLine> Serihuhyou::serihuhyouji(qint16 n, const QString &programFolder) const
{
    if (n < 0 || n > LastLine)
        return std::nullopt;
    const SerihuEntry &entry = m_entries[n];
    QString picture = entry.picture;
    picture.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return SerihuLine{ProgramFolder::join(programFolder, picture), entry.text};
}

qint16 aisatsubangou(int hour)
{
    if (hour < 6)
        return 24;
    if (hour < 12)
        return 9;
    if (hour < 13)
        return 21;
    if (hour < 18)
        return 10;
    return 8;
}

qint16 clickLine(int r)
{
    return r == 1 ? 12 : r == 2 ? 15 : 19;
}

qint16 questionLine(int r)
{
    return r == 1 ? 22 : r == 2 ? 16 : 14;
}

int randmyvalue(int randhanni)
{
    // One generator seeded once from the system: re-seeding from the clock at every call, as an
    // old runtime would, repeats the same value for calls within one clock tick.
    const double u = QRandomGenerator::global()->generateDouble(); // 0 <= u < 1
    return static_cast<int>(std::floor(u * randhanni + 1.0));
}

} // namespace kuokuo
