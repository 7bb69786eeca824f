#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;

namespace kuokuo {

// The bar that looks for a text in the page, under the address box: the text (looked for as it
// is typed; Return goes on, Shift+Return back), buttons for the previous and the next place, and
// what it found.
class FindBar : public QWidget
{
    Q_OBJECT
public:
    static const QString NotFound;

    explicit FindBar(QWidget *parent);

    // Shows the bar with its text selected, ready for typing.
    void open();
    QString text() const;
    void showResult(bool found);

Q_SIGNALS:
    void find(const QString &text, bool backward);
    void closeRequested();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    QLineEdit *m_text;
    QLabel *m_result;
};

} // namespace kuokuo
