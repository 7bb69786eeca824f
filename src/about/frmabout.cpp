#include "about/frmabout.h"

#include "about/getkeyvalue.h"
#include "common/appinfo.h"
#include "mascot/mascotwindow.h"
#include "platform/controls.h"
#include "platform/dialogs.h"
#include "platform/processstarter.h"
#include "platform/registry.h"

#include <QApplication>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace kuokuo {

namespace {
QLabel *makeLabel(const QString &name, const QString &text, QWidget *parent)
{
    QLabel *label = namedLabel(name, text, parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QPixmap programIcon()
{
    const QIcon icon = QApplication::windowIcon();
    if (!icon.isNull())
        return icon.pixmap(32, 32);
    return MascotWindow::designPicture().scaled(32, 32, Qt::KeepAspectRatio,
                                                Qt::SmoothTransformation);
}
} // namespace

frmAbout::frmAbout(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setWindowTitle(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報にゃあ"));

    QLabel *picIcon = makeLabel(QStringLiteral("picIcon"), QString(), this);
    picIcon->setPixmap(programIcon());
    picIcon->setFixedSize(32, 32);

    QLabel *lblTitle =
        makeLabel(QStringLiteral("lblTitle"), QStringLiteral("KUOKUO'S VAVA Ver3"), this);
    QFont titleFont = lblTitle->font();
    titleFont.setPointSize(titleFont.pointSize() + 5);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    QLabel *lblVersion = makeLabel(QStringLiteral("lblVersion"), QStringLiteral("3.0"), this);
    const QString firstSentence = QStringLiteral("猫のKUOKUOがプラウザになって登場にゃあ！");
    QLabel *lblDescription = makeLabel(
        QStringLiteral("lblDescription"),
        firstSentence + QStringLiteral("　　　　画像ダウンロードMS-CHATの入室などできますにゃあ！"),
        this);
    lblDescription->setWordWrap(true);
    // As wide as the first sentence: the full-width spaces then hang at the end of its line and
    // the second sentence starts a line of its own.
    lblDescription->setFixedWidth(
        lblDescription->fontMetrics().horizontalAdvance(firstSentence + QChar(0x3000)));
    QLabel *lblDisclaimer =
        makeLabel(QStringLiteral("lblDisclaimer"),
                  QStringLiteral("このソフトは無保証ですにゃあ。使ったことで起きたどんな損害にも、"
                                 "作者は責任を負いませんにゃあ。"),
                  this);
    lblDisclaimer->setWordWrap(true);
    lblDisclaimer->setFixedWidth(lblDescription->width() + 32);
    QPalette grey = lblDisclaimer->palette();
    grey.setColor(QPalette::WindowText, QColor(96, 96, 96));
    lblDisclaimer->setPalette(grey);

    auto *cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    auto *cmdSysInfo = new QPushButton(QStringLiteral("ｼｽﾃﾑ情報(&S)..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    cmdSysInfo->setAutoDefault(false);
    cmdOK->setMinimumWidth(cmdSysInfo->sizeHint().width());

    auto *line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    auto *texts = new QVBoxLayout;
    texts->setSpacing(6);
    texts->addWidget(lblTitle);
    texts->addWidget(lblVersion);
    texts->addSpacing(6);
    texts->addWidget(lblDescription);

    auto *top = new QHBoxLayout;
    top->setSpacing(16);
    top->addWidget(picIcon, 0, Qt::AlignTop);
    top->addLayout(texts, 1);

    auto *buttons = new QVBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(lblDisclaimer, 1, Qt::AlignTop);
    bottom->addSpacing(12);
    bottom->addLayout(buttons);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 14);
    layout->setSpacing(12);
    layout->addLayout(top);
    layout->addWidget(line);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Enter presses cmdOK as the default button; Esc rejects, which closes the window too.
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::close);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::StartSysInfo);

    Form_Load();
}

void frmAbout::Form_Load()
{
    setWindowTitle(AppInfo::Title + QStringLiteral("のﾊﾞｰｼﾞｮﾝ情報"));
    findChild<QLabel *>(QStringLiteral("lblVersion"))
        ->setText(QStringLiteral("ﾊﾞｰｼﾞｮﾝ %1.%2.%3")
                      .arg(AppInfo::VersionMajor)
                      .arg(AppInfo::VersionMinor)
                      .arg(AppInfo::VersionRevision));
    findChild<QLabel *>(QStringLiteral("lblTitle"))->setText(AppInfo::Title);
}

void frmAbout::StartSysInfo()
{
    const std::optional<QString> program = systemInformationProgram(
        registry(), [](const QString &path) { return QFileInfo(path).isFile(); });
    if (program && processStarter().start(*program))
        return;
    dialogs().messageBox(this, QStringLiteral("現時点ではｼｽﾃﾑ情報を使用できません"),
                         AppInfo::Title);
}

} // namespace kuokuo
