#include "support/testfolder.h"

#include "common/filenames.h"
#include "common/textfile.h"

#include <QImage>

namespace kuokuo::test {

void TestProgramFolder::installMascotLines(bool withPictures) const
{
    TextWriter writer;
    writer.writeLine(QStringLiteral("[kuekuoserihu.rtp]"));
    for (int n = 1; n <= 25; ++n)
        writer.writeLine(QStringLiteral("\"cat%1.png\",\"\",\"%2\"").arg(n).arg(lineText(n)));
    writer.writeLine(QString());
    write(FileNames::Lines, writer.bytes());
    for (int n = 1; withPictures && n <= 25; ++n) {
        QImage picture(70, 102, QImage::Format_RGB32);
        picture.fill(QColor::fromHsv((n * 14) % 360, 120, 230));
        picture.save(file(QStringLiteral("cat%1.png").arg(n)), "PNG");
    }
}

QByteArray listFile(const QString &name, const QStringList &entries)
{
    TextWriter writer;
    writer.writeLine(QLatin1Char('[') + name + QLatin1Char(']'));
    writer.writeLine(QString::number(entries.size()));
    for (const QString &entry : entries)
        writer.writeLine(entry);
    writer.writeLine(QString());
    return writer.bytes();
}

} // namespace kuokuo::test
