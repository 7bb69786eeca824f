#include "catlines.h"

#include "common/filenames.h"
#include "common/programfolder.h"
#include "common/textfile.h"
#include "mascot/serihu.h"

#include <QTemporaryFile>

namespace kuokuo {

namespace {
// The lines file is the settings file's first section: its lines up to the first empty one.
bool loadFromSettings(Serihuhyou &table, const QString &settingsPath)
{
    TextReader reader;
    if (!reader.open(settingsPath))
        return false;
    TextWriter section;
    QByteArray line;
    while (reader.readLineBytes(line)) {
        section.writeLineBytes(line);
        if (line.isEmpty())
            break;
    }
    QTemporaryFile file;
    if (!file.open() || file.write(section.bytes()) != section.bytes().size() || !file.flush())
        return false;
    return table.serihuyomikomi(file.fileName());
}
} // namespace

CatLines::CatLines(const QString &programFolder)
{
    Serihuhyou table;
    const bool loaded =
        table.serihuyomikomi(ProgramFolder::join(programFolder, FileNames::Lines)) ||
        loadFromSettings(table, ProgramFolder::join(programFolder, FileNames::Settings)) ||
        loadFromSettings(table, QStringLiteral(":/content/") + FileNames::Settings);
    if (!loaded)
        return;
    for (int n = Serihuhyou::FirstLine; n <= Serihuhyou::LastLine; ++n)
        m_texts[n] = table.entry(n).text;
}

QString CatLines::text(qint16 line) const
{
    if (line < Serihuhyou::FirstLine || line > Serihuhyou::LastLine)
        return {};
    return m_texts[line];
}

} // namespace kuokuo
