#pragma once

#include <QString>
#include <QtGlobal>

#include <array>
#include <optional>

namespace kuokuo {

// One line of the cat: a picture file name (relative to the program folder), a spare field that
// is read and never used, and the words.
struct SerihuEntry
{
    QString picture;
    QString spare;
    QString text;
};

// What showing a line needs: the picture's full path and the words.
struct SerihuLine
{
    QString picturePath;
    QString text;
};

// The line table: entries 1 to 25 are the cat's lines; entry 0 is a scratch slot whose first
// field receives the lines file's marker line and closing line.
class Serihuhyou
{
public:
    static constexpr int FirstLine = 1;
    static constexpr int LastLine = 25;

    // Fills the table from a lines file. Stops at the first failure (file missing or ending in
    // the middle of a pass, or without its closing line) and returns false; what was read so
    // far stays in the table, the rest keeps its earlier value.
    bool serihuyomikomi(const QString &path);

    // The picture path and words of line n, or nothing when n names no line. The picture name
    // may use "\" between folders, as the Windows copy of the file did.
    std::optional<SerihuLine> serihuhyouji(qint16 n, const QString &programFolder) const;

    const SerihuEntry &entry(int n) const { return m_entries.at(n); }

private:
    std::array<SerihuEntry, LastLine + 1> m_entries;
};

// The greeting by the hour of the day (0 to 23).
qint16 aisatsubangou(int hour);

// The three-way choices from r = randmyvalue(3).
qint16 clickLine(int r);
qint16 questionLine(int r);

// A whole number from 1 to randhanni, each equally likely.
int randmyvalue(int randhanni);

} // namespace kuokuo
