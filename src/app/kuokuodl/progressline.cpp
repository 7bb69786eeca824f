#include "progressline.h"

namespace kuokuo {

namespace {
constexpr int BarWidth = 30;
constexpr qint64 RedrawInterval = 100; // ms

QString numberColumn(int number)
{
    return QStringLiteral("%1").arg(number, 6);
}
} // namespace

ProgressLine::ProgressLine(std::FILE *out, bool terminal)
    : m_out(out)
    , m_terminal(terminal)
{}

void ProgressLine::start(int number, const QString &name)
{
    begin(numberColumn(number), name);
}

void ProgressLine::startPage(const QString &address)
{
    begin(QStringLiteral("  page"), address);
}

void ProgressLine::begin(const QString &label, const QString &name)
{
    m_label = label;
    m_name = name;
    if (m_terminal) {
        draw(0, -1);
        m_lastDraw.start();
    }
}

void ProgressLine::update(qint64 received, qint64 total)
{
    if (!m_terminal || (m_lastDraw.isValid() && m_lastDraw.elapsed() < RedrawInterval))
        return;
    draw(received, total);
    m_lastDraw.start();
}

void ProgressLine::done(int number, const QString &name, qint64 size)
{
    clearBar();
    // One arg() for every value: a "%2" in a file name must stay as it is.
    write(QStringLiteral("%1  %2  %3 bytes\n")
              .arg(numberColumn(number), name, QString::number(size)));
}

void ProgressLine::message(const QString &text)
{
    clearBar();
    write(text + QLatin1Char('\n'));
}

void ProgressLine::draw(qint64 received, qint64 total)
{
    QString bar;
    if (total > 0) {
        const int filled = int(BarWidth * qMin(received, total) / total);
        bar = QStringLiteral("[%1%2] %3%  ")
                  .arg(QString(filled, QLatin1Char('#')),
                       QString(BarWidth - filled, QLatin1Char('.')),
                       QStringLiteral("%1").arg(int(100 * qMin(received, total) / total), 3));
    }
    write(QStringLiteral("\r\033[K%1  %2  %3%4 bytes")
              .arg(m_label, m_name, bar, QString::number(received)));
    m_barShown = true;
}

void ProgressLine::clearBar()
{
    if (m_barShown)
        write(QStringLiteral("\r\033[K"));
    m_barShown = false;
}

void ProgressLine::write(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), m_out);
    std::fflush(m_out);
}

} // namespace kuokuo
