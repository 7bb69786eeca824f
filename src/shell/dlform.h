#pragma once

#include <QWidget>

class QLabel;

namespace kuokuo {

// Keeps the chosen download folder for the run in two labels; never shown.
class dlform : public QWidget
{
    Q_OBJECT
public:
    explicit dlform(QWidget *parent = nullptr);

    // The drive of the download folder (the first character of its path) and its full path.
    QLabel *Label1() const { return m_label1; }
    QLabel *Label2() const { return m_label2; }

    void setFolder(const QString &path);

private:
    QLabel *m_label1;
    QLabel *m_label2;
};

} // namespace kuokuo
