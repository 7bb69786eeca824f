#pragma once

#include <QString>
#include <QtGlobal>

namespace kuokuo {

// The cat's words for the command line: the lines file of the program folder while the
// navigator runs, else the lines section of the settings file, else the copy of the settings
// file that comes with the program. Empty when none of them can be read.
class CatLines
{
public:
    explicit CatLines(const QString &programFolder);

    QString text(qint16 line) const;

private:
    QString m_texts[26];
};

} // namespace kuokuo
