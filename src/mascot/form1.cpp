#include "mascot/form1.h"

#include "common/fixedaddresses.h"
#include "common/programfolder.h"
#include "platform/clock.h"
#include "platform/controls.h"
#include "platform/forms.h"
#include "platform/navigation.h"

#include <QGridLayout>
#include <QPushButton>

namespace kuokuo {

Form1::Form1(QWidget *parent)
    : MascotWindow(ownTable<Form1>(), parent)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("KUOKUO登場にゃあ"));

    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(6);
    auto button = [this, grid](const char *name, const QString &caption, int row, int column) {
        QPushButton *command = namedButton(QString::fromLatin1(name), caption, this);
        grid->addWidget(command, row, column);
        return command;
    };
    QPushButton *command1 =
        button("Command1", QStringLiteral("KUOKUOのホームページに行ってみる"), 0, 0);
    QPushButton *command2 =
        button("Command2", QStringLiteral("師匠のホームページに行ってみる"), 1, 0);
    QPushButton *command3 =
        button("Command3", QStringLiteral("KUOKUOとチャットでもしてみる"), 2, 0);
    QPushButton *command4 =
        button("Command4", QStringLiteral("このソフトの使い方の質問をする"), 0, 1);
    QPushButton *command5 = button("Command5", QStringLiteral("MS-CHATをしてみる"), 1, 1);
    QPushButton *command6 = button("Command6", QStringLiteral("KUOKUOとさよならする"), 2, 1);
    buttonArea()->addLayout(grid);

    connect(command1, &QPushButton::clicked, this, [this] {
        openPage(localPageAddress(ProgramFolder::path(), FixedAddresses::KuokuoHomePage));
    });
    connect(command2, &QPushButton::clicked, this, [this] {
        openPage(localPageAddress(ProgramFolder::path(), FixedAddresses::MasterChatPage));
    });
    connect(command3, &QPushButton::clicked, this, [this] {
        openPage(localPageAddress(ProgramFolder::path(), FixedAddresses::ChatRoomPage));
    });
    connect(command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(command5, &QPushButton::clicked, this, &Form1::Command5_Click);
    connect(command6, &QPushButton::clicked, this, &QWidget::close);

    fixSize();
    Form_Load();
}

void Form1::Form_Load()
{
    if (serihuyomikomi())
        serihuhyouji(aisatsubangou(localClock().currentTime().hour()));
}

void Form1::openPage(const QString &address)
{
    close();
    kuokuo::openAddress(address, true);
}

void Form1::Command4_Click()
{
    serihuhyouji(questionLine(randmyvalue(3)));
}

void Form1::Command5_Click()
{
    kuokuo::showChatWindow();
    close();
}

} // namespace kuokuo
