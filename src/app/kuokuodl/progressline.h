#pragma once

#include <QElapsedTimer>
#include <QString>

#include <cstdio>

namespace kuokuo {

// The progress of kuokuo-dl on stderr: one line per file (number, name, bytes), and on a
// terminal a bar for the file that is arriving.
class ProgressLine
{
public:
    ProgressLine(std::FILE *out, bool terminal);

    // A file of the series (by its number) or of the page (by its place).
    void start(int number, const QString &name);
    // The page of an extraction.
    void startPage(const QString &address);
    void update(qint64 received, qint64 total);
    void done(int number, const QString &name, qint64 size);
    // A line of its own, above the bar.
    void message(const QString &text);

private:
    void begin(const QString &label, const QString &name);
    void draw(qint64 received, qint64 total);
    void clearBar();
    void write(const QString &text);

    std::FILE *m_out;
    bool m_terminal;
    bool m_barShown = false;
    QString m_label; // the number, or "page"
    QString m_name;
    QElapsedTimer m_lastDraw;
};

} // namespace kuokuo
