#include "support/testfolder.h"

#include "common/filenames.h"
#include "common/programfolder.h"
#include "common/textfile.h"

#include <QFile>
#include <QImage>

namespace kuokuo::test {

TestProgramFolder::TestProgramFolder()
    : m_previous(ProgramFolder::path())
{
    ProgramFolder::setPath(m_dir.path());
}

TestProgramFolder::~TestProgramFolder()
{
    ProgramFolder::setPath(m_previous);
}

QString TestProgramFolder::file(const QString &name) const
{
    return m_dir.filePath(name);
}

bool TestProgramFolder::write(const QString &name, const QByteArray &bytes) const
{
    QFile out(file(name));
    return out.open(QIODevice::WriteOnly | QIODevice::Truncate) && out.write(bytes) == bytes.size();
}

QByteArray TestProgramFolder::read(const QString &name) const
{
    QFile in(file(name));
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

bool TestProgramFolder::exists(const QString &name) const
{
    return QFile::exists(file(name));
}

QString TestProgramFolder::lineText(int n)
{
    return QStringLiteral("セリフ%1にゃあ").arg(n);
}

void TestProgramFolder::installMascotLines(bool withPictures) const
{
    TextWriter writer;
    writer.writeLine(QStringLiteral("[kuekuoserihu.rtp]"));
    for (int n = 1; n <= 25; ++n)
        writer.writeLine(QStringLiteral("\"cat%1.png\",\"\",\"%2\"").arg(n).arg(lineText(n)));
    writer.writeLine(QString());
    write(FileNames::Lines, writer.bytes());
    if (!withPictures)
        return;
    for (int n = 1; n <= 25; ++n) {
        QImage picture(70, 102, QImage::Format_RGB32);
        picture.fill(QColor::fromHsv((n * 14) % 360, 120, 230));
        picture.save(file(QStringLiteral("cat%1.png").arg(n)), "PNG");
    }
}

} // namespace kuokuo::test
