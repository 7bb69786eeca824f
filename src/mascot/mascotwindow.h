#pragma once

#include "mascot/serihu.h"

#include <QLabel>
#include <QWidget>

class QPlainTextEdit;
class QVBoxLayout;

namespace kuokuo {

// The cat's picture box: a click and a double-click as the old picture box reported them (a
// double-click first delivers its click).
class CatPicture : public QLabel
{
    Q_OBJECT
public:
    explicit CatPicture(QWidget *parent = nullptr);

Q_SIGNALS:
    void clicked();
    void doubleClicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    bool m_inDoubleClick = false;
};

// The speech balloon: a white rectangle with rounded corners whose tail points at the cat.
class SpeechBalloon : public QWidget
{
    Q_OBJECT
public:
    explicit SpeechBalloon(QWidget *parent = nullptr);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
};

// What both of the cat's windows share: the picture `kuokuo`, the balloon `serihu` with the
// words in `serihuText`, the reactions to clicks, and the line table they read their lines from.
class MascotWindow : public QWidget
{
    Q_OBJECT
public:
    // The design font of the words, with a CJK substitute so that Japanese always renders.
    static QFont serihuFont();
    // The picture each window carries from its design.
    static QPixmap designPicture();

    // Shows line n: its picture, then its words. Nothing changes when n names no line or the
    // picture cannot be loaded. True when the line was shown.
    bool serihuhyouji(qint16 n);
    // Shows line n's picture with `words` of the program's own instead of the line's words.
    bool serihuhyouji(qint16 n, const QString &words);

    // The line whose picture and words are showing, 0 before any.
    qint16 shownLine() const { return m_shownLine; }

    static int randmyvalue(int randhanni);

protected:
    // `table` is the window's own line table, kept for the whole run.
    MascotWindow(Serihuhyou &table, QWidget *parent = nullptr);

    // The line table of one window class: it outlives the window, so a later load that stops
    // early leaves the earlier lines in place.
    template <class Window>
    static Serihuhyou &ownTable()
    {
        static Serihuhyou table;
        return table;
    }

    // Reads the lines file into the table; false when the load failed.
    [[nodiscard]] bool serihuyomikomi();

    // Where a window puts its buttons, under the balloon.
    QVBoxLayout *buttonArea() const { return m_buttonArea; }

    // Fixes the window at the size its contents need: fixed single border, no resizing.
    void fixSize();

private:
    void kuokuo_Click();
    void kuokuo_DblClick();
    bool showLine(qint16 n, const QString &picturePath, const QString &words);

    Serihuhyou &m_serihuhyou;
    CatPicture *m_kuokuo;
    SpeechBalloon *m_serihu;
    QPlainTextEdit *m_serihuText;
    QVBoxLayout *m_buttonArea;
    qint16 m_shownLine = 0;
};

} // namespace kuokuo
