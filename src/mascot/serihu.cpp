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
        return Line::GreetingNight;
    if (hour < 12)
        return Line::GreetingMorning;
    if (hour < 13)
        return Line::GreetingNoon;
    if (hour < 18)
        return Line::GreetingAfternoon;
    return Line::GreetingEvening;
}

qint16 clickLine(int r)
{
    return r == 1 ? Line::Clicked1 : r == 2 ? Line::Clicked2 : Line::Clicked3;
}

qint16 questionLine(int r)
{
    return r == 1 ? Line::Question1 : r == 2 ? Line::Question2 : Line::Question3;
}

int randmyvalue(int randhanni)
{
    // One generator seeded once from the system: re-seeding from the clock at every call, as an
    // old runtime would, repeats the same value for calls within one clock tick.
    const double u = QRandomGenerator::global()->generateDouble(); // 0 <= u < 1
    return static_cast<int>(std::floor(u * randhanni + 1.0));
}

} // namespace kuokuo
