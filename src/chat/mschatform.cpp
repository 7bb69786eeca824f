#include "chat/mschatform.h"

#include "chat/micadoresu.h"
#include "common/appinfo.h"
#include "mascot/kuokuoform.h"
#include "mascot/mascotwindow.h"
#include "platform/combobox.h"
#include "platform/controls.h"
#include "platform/dialogs.h"
#include "platform/hostinfo.h"
#include "platform/navigation.h"

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kuokuo {

namespace {
const QColor PanelColour(255, 255, 192);
const QColor ButtonColour(255, 255, 128);

QComboBox *makeList(const QString &name, QWidget *parent)
{
    // Entries join the list only through the add buttons, in the order added, and what the user
    // types is what is added (no completion from the entries already there).
    auto *list = new EditableComboBox(parent);
    list->setObjectName(name);
    list->setMaxVisibleItems(15);
    list->setMinimumContentsLength(28);
    return list;
}
} // namespace

mschatform::mschatform(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("mschatform"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("MS-CHATでもするにゃあ"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(12);
    layout->addLayout(buildHostArea());
    layout->addWidget(buildConnectPanel());
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // A name the list files' code page cannot hold is refused rather than changed: the chat
    // server must get it as typed.
    m_servers.emplace(m_combo1, &ListFile::servers, ComboList::Unencodable::Refuse);
    m_rooms.emplace(m_combo2, &ListFile::rooms, ComboList::Unencodable::Refuse);

    QWidget *order[] = {m_thostname,  m_tip,        m_touroku,    m_combo2,    m_combo1,
                        m_buttons[0], m_buttons[1], m_buttons[2], m_buttons[3]};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(m_buttons[0], &QPushButton::clicked, this, [this] {
        itemwritesaaba();
        rtmwritesaaba();
    });
    connect(m_buttons[1], &QPushButton::clicked, this, [this] {
        itemkillsaaba();
        rtmwritesaaba();
    });
    connect(m_buttons[2], &QPushButton::clicked, this, [this] {
        itemwriteheya();
        rtmwriteheya();
    });
    connect(m_buttons[3], &QPushButton::clicked, this, [this] {
        itemkillheya();
        rtmwriteheya();
    });
    connect(m_touroku, &QPushButton::clicked, this, &mschatform::touroku_Click);

    Form_Load();
}

// The cat beside the host name and address boxes.
QLayout *mschatform::buildHostArea()
{
    auto *kuokuo = namedLabel(QStringLiteral("kuokuo"), QString(), this);
    kuokuo->setPixmap(MascotWindow::designPicture());
    kuokuo->setFixedSize(70, 102);
    m_thostname = new QLineEdit(this);
    m_thostname->setObjectName(QStringLiteral("thostname"));
    m_tip = new QLineEdit(this);
    m_tip->setObjectName(QStringLiteral("tip"));

    auto *hostGrid = new QGridLayout;
    hostGrid->setVerticalSpacing(4);
    hostGrid->addWidget(
        namedLabel(QStringLiteral("Label1"), QStringLiteral("ホストコンピュータ名"), this), 0, 0);
    hostGrid->addWidget(m_thostname, 1, 0);
    hostGrid->addWidget(namedLabel(QStringLiteral("Label2"), QStringLiteral("IPアドレス"), this), 2,
                        0);
    hostGrid->addWidget(m_tip, 3, 0);
    hostGrid->setRowStretch(4, 1);

    auto *top = new QHBoxLayout;
    top->setSpacing(14);
    top->addWidget(kuokuo, 0, Qt::AlignTop);
    top->addLayout(hostGrid, 1);
    return top;
}

// The light yellow panel: the heading, the server and room lists with their buttons, the note on
// "#" rooms and the connect button.
QFrame *mschatform::buildConnectPanel()
{
    auto *shape1 = new QFrame(this);
    shape1->setObjectName(QStringLiteral("Shape1"));
    shape1->setFrameShape(QFrame::Box);
    shape1->setFrameShadow(QFrame::Plain);
    shape1->setAutoFillBackground(true);
    QPalette panel = shape1->palette();
    panel.setColor(QPalette::Window, PanelColour);
    panel.setColor(QPalette::WindowText, palette().color(QPalette::WindowText));
    QPalette framed = panel;
    framed.setColor(QPalette::WindowText, QColor(190, 180, 110)); // the frame line
    shape1->setPalette(framed);
    auto panelLabel = [&](const char *name, const QString &caption) {
        QLabel *label = namedLabel(QString::fromLatin1(name), caption, shape1);
        label->setAutoFillBackground(true);
        label->setPalette(panel);
        return label;
    };

    QLabel *label5 = panelLabel("Label5", QStringLiteral("MS－CHAT接続"));
    QFont heading = label5->font();
    heading.setBold(true);
    heading.setPointSize(18);
    label5->setFont(heading);

    const QString buttonStyle =
        QStringLiteral("QPushButton { background-color: %1; border: 1px solid #9a9a50;"
                       " border-radius: 3px; padding: 3px 10px; }"
                       " QPushButton:hover { border-color: #5a5a20; }"
                       " QPushButton:pressed { background-color: #e8e870; }"
                       " QPushButton:focus { border: 2px solid #5a5a20; }")
            .arg(ButtonColour.name());
    auto button = [&](const char *name, const QString &caption) {
        QPushButton *command = namedButton(QString::fromLatin1(name), caption, shape1);
        command->setStyleSheet(buttonStyle);
        return command;
    };
    // A list's row: its heading, then its add and delete buttons on the right.
    auto listRow = [&](QLabel *label, QPushButton *add, QPushButton *kill) {
        auto *row = new QHBoxLayout;
        row->addWidget(label);
        row->addStretch();
        row->addWidget(add);
        row->addWidget(kill);
        return row;
    };
    m_buttons = {button("Command1", QStringLiteral("設定登録")),
                 button("Command2", QStringLiteral("設定削除")),
                 button("Command3", QStringLiteral("設定登録")),
                 button("Command4", QStringLiteral("設定削除"))};
    m_combo1 = makeList(QStringLiteral("Combo1"), shape1);
    m_combo2 = makeList(QStringLiteral("Combo2"), shape1);
    m_touroku = button("touroku", QStringLiteral("MS-CHATに接続"));
    m_touroku->setMinimumHeight(30);

    // A plain label shows "&" as it is: the note reads "[&tafu]", the room the address uses.
    QLabel *label6 = namedLabel(
        QStringLiteral("Label6"),
        QStringLiteral("ここからは#付の部屋は接続できないので、もし#付の部屋名だったら[") +
            FallbackRoom + QStringLiteral("]の部屋につながりますにゃあ！"),
        shape1);
    label6->setTextFormat(Qt::PlainText);
    label6->setWordWrap(true);
    label6->setPalette(panel);

    auto *lower = new QVBoxLayout(shape1);
    lower->setContentsMargins(14, 10, 14, 14);
    lower->setSpacing(6);
    lower->addWidget(label5, 0, Qt::AlignHCenter);
    lower->addSpacing(4);
    lower->addLayout(
        listRow(panelLabel("Label3", QStringLiteral("接続サイト名")), m_buttons[0], m_buttons[1]));
    lower->addWidget(m_combo1);
    lower->addSpacing(6);
    lower->addLayout(
        listRow(panelLabel("Label4", QStringLiteral("接続部屋名")), m_buttons[2], m_buttons[3]));
    lower->addWidget(m_combo2);
    lower->addSpacing(6);
    lower->addWidget(label6);
    lower->addSpacing(4);
    lower->addWidget(m_touroku, 0, Qt::AlignHCenter);
    return shape1;
}

void mschatform::Form_Load()
{
    m_thostname->setText(hostInfo().localHostName());
    m_tip->setText(hostInfo().localIp());
    rtmreadsaaba();
    rtmreadheya();
}

void mschatform::addEntry(ComboList &list)
{
    if (list.add() != ComboList::Added::Refused)
        return;
    dialogs().messageBox(this,
                         QStringLiteral("「%1」には保存できない文字がはいってるから、"
                                        "登録できないにゃあ。ほかの名前にしてにゃあ")
                             .arg(list.text()),
                         AppInfo::Title);
}

void mschatform::writeList(const ComboList &list)
{
    tellListSave(this, list.save()); // a list over 50 entries is not written
}

void mschatform::readList(ComboList &list, QComboBox *box)
{
    if (!list.load())
        return;
    if (box->count() > 0)
        box->setCurrentIndex(0);
}

void mschatform::itemwritesaaba()
{
    addEntry(*m_servers);
}

void mschatform::itemkillsaaba()
{
    m_servers->remove();
}

void mschatform::rtmwritesaaba()
{
    writeList(*m_servers);
}

void mschatform::rtmreadsaaba()
{
    readList(*m_servers, m_combo1);
}

void mschatform::itemwriteheya()
{
    addEntry(*m_rooms);
}

void mschatform::itemkillheya()
{
    m_rooms->remove();
}

void mschatform::rtmwriteheya()
{
    writeList(*m_rooms);
}

void mschatform::rtmreadheya()
{
    readList(*m_rooms, m_combo2);
}

void mschatform::touroku_Click()
{
    const std::optional<QString> address =
        micadoresu(m_combo1->currentText(), m_combo2->currentText());
    if (!address) {
        speak(Line::NoServer);
        return;
    }
    close();
    openAddress(*address, true);
}

} // namespace kuokuo
