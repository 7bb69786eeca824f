#pragma once

#include <QString>
#include <QtGlobal>

#include <array>
#include <optional>

namespace kuokuo {

// The cat's lines the program shows, by what they are for; each value is the line's number in
// the lines file, whose words and pictures are the user's data.
namespace Line {
enum : qint16 {
    ListFull = 1,           // a list cannot take another entry
    DoubleClicked = 3,      // a double-click on the cat
    PageDownloadDone = 4,   // a spare line: its picture, with the program's words, after a
                            // page download
    PageImagesSaved = 4,    // the same after every image a page shows was saved
    ExtractionFailed = 6,   // the images of a page stop on an error
    PageDownloadFailed = 6, // its picture, with the program's words, when a page download fails
    PageImagesNotSaved = 6, // the same when images a page shows were not saved, or there were none
    Farewell = 7,           // the message window's load, and the farewell at the exit
    GreetingEvening = 8,    // from 18:00
    GreetingMorning = 9,    // 6:00 to 11:59
    GreetingAfternoon = 10, // 13:00 to 17:59
    FileMissing = 11,       // a numbered file is not there: the series ends
    RendererEnded = 11,     // its picture, with the program's words, when the page's renderer
                            // ended and the page was loaded again
    Clicked1 = 12,          // the three answers to a click on the cat
    Clicked2 = 15,
    Clicked3 = 19,
    NoNumberedName = 13, // no usable file name for a numbered series
    Question1 = 22,      // the three answers of the greeting window's question button
    Question2 = 16,
    Question3 = 14,
    DriveChangeFailed = 17, // the drive list cannot change to the chosen drive
    NoPlaceholder = 18,     // the file name of a series holds no "?"
    GreetingNoon = 21,      // 12:00 to 12:59
    SeriesFailed = 23,      // a series stops on an error after its first saved file
    GreetingNight = 24,     // before 6:00
    NoServer = 25,          // connect without a chat server
};
} // namespace Line

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
    [[nodiscard]] bool serihuyomikomi(const QString &path);

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
