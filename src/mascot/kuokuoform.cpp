#include "mascot/kuokuoform.h"

#include "common/appinfo.h"
#include "common/programfolder.h"
#include "common/workingfiles.h"
#include "platform/controls.h"
#include "platform/dialogs.h"
#include "platform/forms.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace kuokuo {

kuokuoform::kuokuoform(QWidget *parent)
    : MascotWindow(ownTable<kuokuoform>(), parent)
    , m_command6(
          namedButton(QStringLiteral("Command6"), QStringLiteral("KUOKUOとさよならする"), this))
    , m_command7(namedButton(QStringLiteral("Command7"), QStringLiteral("わかった！"), this))
{
    setObjectName(QStringLiteral("kuokuoform"));
    setWindowTitle(QStringLiteral("KUOKUOメッセージにゃあ"));

    m_command6->setVisible(false);

    auto *row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(m_command7);
    row->addWidget(m_command6);
    row->addStretch();
    buttonArea()->addLayout(row);

    connect(m_command7, &QPushButton::clicked, this, &kuokuoform::Command7_Click);
    connect(m_command6, &QPushButton::clicked, this, &kuokuoform::Command6_Click);
    fixSize();
    Form_Load();
}

void kuokuoform::Form_Load()
{
    if (serihuyomikomi())
        serihuhyouji(Line::Farewell);
}

void kuokuoform::kuokuoserihu(qint16 poozu)
{
    serihuhyouji(poozu);
}

void kuokuoform::farewell()
{
    m_command7->setVisible(false);
    m_command6->setVisible(true);
    show();
    raise();
    // The user asked for the exit: the farewell is what is left to press.
    activateWindow();
    kuokuoserihu(Line::Farewell);
    setWindowTitle(QStringLiteral("それではまたあいましょうにゃあ"));
}

void kuokuoform::Command7_Click()
{
    close();
}

void kuokuoform::Command6_Click()
{
    // The exit sequence has just saved every list into the settings file. A working file that
    // stays (each is logged) is replaced by the next start.
    (void)removeWorkingFiles(ProgramFolder::path());
    close();
    Forms::endProgram();
}

namespace {
kuokuoform *shownMessageWindow()
{
    kuokuoform *window = Forms::instance<kuokuoform>();
    // The cat speaks up by itself: whatever the user is typing elsewhere keeps its keys.
    window->setAttribute(Qt::WA_ShowWithoutActivating);
    window->show();
    window->raise();
    return window;
}
} // namespace

void speak(qint16 line)
{
    shownMessageWindow()->kuokuoserihu(line);
}

void speak(qint16 line, const QString &words)
{
    shownMessageWindow()->serihuhyouji(line, words);
}

void tellListSave(QWidget *window, ComboList::Saved saved)
{
    switch (saved) {
    case ComboList::Saved::Written:
        break;
    case ComboList::Saved::Full:
        speak(Line::ListFull);
        break;
    case ComboList::Saved::Failed:
        dialogs().messageBox(window,
                             QStringLiteral("リストをファイルに保存できなかったにゃあ！"
                                            "ディスクの空きと、フォルダーに書きこめるかを"
                                            "確かめてにゃあ"),
                             AppInfo::Title);
        break;
    }
}

} // namespace kuokuo
