#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace kuokuo::test {

// A temporary program folder, made the program folder for the lifetime of the object.
class TestProgramFolder
{
public:
    TestProgramFolder();
    ~TestProgramFolder();
    TestProgramFolder(const TestProgramFolder &) = delete;
    TestProgramFolder &operator=(const TestProgramFolder &) = delete;

    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); }
    QString file(const QString &name) const;

    bool write(const QString &name, const QByteArray &bytes) const;
    QByteArray read(const QString &name) const;
    bool exists(const QString &name) const;

    // A lines file whose line n shows the picture "catn.png" (a real, distinct picture) and the
    // words lineText(n); with `withPictures` false the pictures are left out.
    void installMascotLines(bool withPictures = true) const;
    static QString lineText(int n);

private:
    QTemporaryDir m_dir;
    QString m_previous;
};

} // namespace kuokuo::test
