#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <sys/types.h>

namespace kuokuo {

// CP932 (Shift_JIS) conversions. Decoding never fails (a malformed byte becomes U+001A);
// encoding fails on a character that CP932 cannot hold, so nothing is ever written as "?".
QString decodeCp932(QByteArrayView bytes);
std::optional<QByteArray> encodeCp932(QStringView text);

// The text without its leading and trailing spaces: only U+0020, as the program's boxes are
// trimmed; tabs and the full-width space belong to the text.
QString trimSpaces(QStringView text);

// The text with every character CP932 cannot hold written as its percent-encoded UTF-8 bytes
// ("München" gives "M%C3%BCnchen"): an address stays the same address and can be saved.
QString percentEncodeOutsideCp932(const QString &text);

// Reads a text file of the program the two ways its formats need: whole lines and
// comma-separated fields. A line ends in CR LF, a lone LF or a lone CR. Fields and line-end
// bytes are ASCII and never occur inside a CP932 double-byte character, so the reader can work
// on bytes and decode each piece afterwards.
class TextReader
{
public:
    TextReader() = default;
    explicit TextReader(QByteArray bytes);

    // Reads the whole file; false when it is missing, unreadable or unreasonably large.
    [[nodiscard]] bool open(const QString &path);

    bool atEnd() const { return m_pos >= m_bytes.size(); }

    // Whole-line read: the text up to the line end, which is consumed. A last line without a
    // line end is read whole. Fails at the end of the file.
    bool readLineBytes(QByteArray &line);
    bool readLine(QString &line);

    // Field read: leading spaces are skipped; a field in double quotes runs to the next double
    // quote (commas and line ends included) and whatever follows it up to and including the next
    // comma or line end is skipped; any other field runs to the next comma or line end, which is
    // consumed. Fields run on across line ends. Fails at the end of the file.
    bool readField(QString &field);

private:
    qsizetype findLineEnd(qsizetype from) const;
    void consumeLineEnd();

    QByteArray m_bytes;
    qsizetype m_pos = 0;
};

// Collects CP932 lines, each written as its text followed by CR LF.
class TextWriter
{
public:
    // False, and the writer fails for good, when the text cannot be encoded in CP932.
    bool writeLine(QStringView text);
    void writeLineBytes(QByteArrayView line);

    bool ok() const { return m_ok; }
    const QByteArray &bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
    bool m_ok = true;
};

// Upper bound for any data file the program reads whole.
constexpr qint64 MaxTextFileSize = 64 * 1024 * 1024;

// Reads a whole file; false when it is missing, unreadable or larger than `maxSize`.
[[nodiscard]] bool readWholeFile(const QString &path, QByteArray &bytes,
                                 qint64 maxSize = MaxTextFileSize);

// The mode a file written at `path` gets: a file that is replaced keeps its mode, a new file
// gets 0666 less the umask, as a plain create would give it (temporary files are private).
mode_t modeOfWrittenFile(const QString &path);
// Renames `from` to `to` in one step, replacing a file there (QFile::rename does not); errno
// tells why it failed.
bool renameOver(const QString &from, const QString &to);
// Whether a write failed with this errno because the disk (or what the file may take) is full.
bool isDiskFull(int error);

// Whether a save waits until its bytes are on the disk. A file that can be made again from
// another one (the working files from the settings file, the content from the program) need
// not: the rename still makes it appear only whole, and the wait costs the start-up.
enum class Durability { Synced, Unsynced };

// Replaces `path` with `bytes` through a temporary file in the same folder and a rename, so a
// failure (a full disk included) leaves the old file whole and returns false. A new file gets
// 0666 less the umask; a replaced file keeps its mode.
[[nodiscard]] bool saveFileAtomically(const QString &path, QByteArrayView bytes,
                                      Durability durability = Durability::Synced);

// Puts the files at `paths` on the disk from another thread, without waiting for it.
void syncInBackground(const QStringList &paths);

} // namespace kuokuo
