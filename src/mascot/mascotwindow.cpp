#include "mascot/mascotwindow.h"

#include "common/filenames.h"
#include "common/programfolder.h"

#include <QHBoxLayout>
#include <QImageReader>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace kuokuo {

namespace {
const QString DesignFontFamily = QStringLiteral("ＭＳ Ｐゴシック");
const QString DesignPictureResource = QStringLiteral(":/content/kuokuo.svg");
const QString DesignText = QStringLiteral("KUOKUOにゃー");
constexpr int CatWidth = 70;
constexpr int CatHeight = 102;
constexpr int BalloonWidth = 270;
constexpr int TailWidth = 14;

QPixmap loadPicture(const QString &path)
{
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    const QImage image = reader.read();
    return image.isNull() ? QPixmap() : QPixmap::fromImage(image);
}
} // namespace

CatPicture::CatPicture(QWidget *parent)
    : QLabel(parent)
{
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setCursor(Qt::PointingHandCursor);
}

void CatPicture::mouseReleaseEvent(QMouseEvent *event)
{
    // The release that ends a double-click is not a click of its own.
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        if (m_inDoubleClick)
            m_inDoubleClick = false;
        else
            Q_EMIT clicked();
    }
    QLabel::mouseReleaseEvent(event);
}

void CatPicture::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        m_inDoubleClick = true;
        Q_EMIT doubleClicked();
    }
    QLabel::mouseDoubleClickEvent(event);
}

SpeechBalloon::SpeechBalloon(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void SpeechBalloon::resizeEvent(QResizeEvent *)
{
    // The words fill the balloon's body, right of its tail.
    for (QWidget *text : findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
        text->setGeometry(TailWidth + 10, 8, width() - TailWidth - 18, height() - 16);
}

void SpeechBalloon::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF body = QRectF(rect()).adjusted(TailWidth + 0.5, 0.5, -0.5, -0.5);
    QPainterPath path;
    path.addRoundedRect(body, 14, 14);
    QPainterPath tail;
    const qreal tailY = qMin<qreal>(body.top() + 34, body.center().y());
    tail.moveTo(body.left() + 1, tailY - 8);
    tail.lineTo(0.5, tailY + 4);
    tail.lineTo(body.left() + 1, tailY + 8);
    tail.closeSubpath();
    path = path.united(tail);
    painter.setPen(QPen(QColor(90, 90, 90), 1.2));
    painter.setBrush(Qt::white);
    painter.drawPath(path);
}

QFont MascotWindow::serihuFont()
{
    // The design font is a Windows font; Noto CJK stands in for it where it is missing.
    static const bool substituted = [] {
        QFont::insertSubstitutions(DesignFontFamily,
                                   {QStringLiteral("Noto Sans CJK JP"),
                                    QStringLiteral("Noto Sans JP"), QStringLiteral("IPAPGothic"),
                                    QStringLiteral("VL PGothic"), QStringLiteral("Sans Serif")});
        return true;
    }();
    Q_UNUSED(substituted);
    QFont font(DesignFontFamily);
    font.setPointSize(12);
    return font;
}

QPixmap MascotWindow::designPicture()
{
    return loadPicture(DesignPictureResource);
}

MascotWindow::MascotWindow(Serihuhyou &table, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
    , m_serihuhyou(table)
    , m_kuokuo(new CatPicture(this))
    , m_serihu(new SpeechBalloon(this))
    , m_serihuText(new QPlainTextEdit(m_serihu))
    , m_buttonArea(new QVBoxLayout)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setAutoFillBackground(true);

    m_kuokuo->setObjectName(QStringLiteral("kuokuo"));
    m_kuokuo->setMinimumSize(CatWidth, CatHeight);
    m_kuokuo->setPixmap(designPicture());
    m_kuokuo->setToolTip(QString());

    m_serihu->setObjectName(QStringLiteral("serihu"));
    // At least its design width; wider where the buttons below need more room.
    m_serihu->setMinimumWidth(BalloonWidth);
    m_serihu->setFixedHeight(CatHeight + 6);
    m_serihu->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    m_serihuText->setObjectName(QStringLiteral("serihuText"));
    m_serihuText->setFont(serihuFont());
    m_serihuText->setPlainText(DesignText);
    m_serihuText->setReadOnly(true);
    m_serihuText->setFrameShape(QFrame::NoFrame);
    m_serihuText->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_serihuText->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_serihuText->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    QPalette textPalette = m_serihuText->palette();
    textPalette.setColor(QPalette::Base, Qt::white);
    textPalette.setColor(QPalette::Text, Qt::black);
    m_serihuText->setPalette(textPalette);

    auto *top = new QHBoxLayout;
    top->setSpacing(8);
    top->addWidget(m_kuokuo, 0, Qt::AlignTop);
    top->addWidget(m_serihu, 1, Qt::AlignTop);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(10);
    layout->addLayout(top);
    layout->addLayout(m_buttonArea);

    connect(m_kuokuo, &CatPicture::clicked, this, &MascotWindow::kuokuo_Click);
    connect(m_kuokuo, &CatPicture::doubleClicked, this, &MascotWindow::kuokuo_DblClick);
}

void MascotWindow::fixSize()
{
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();
}

bool MascotWindow::serihuyomikomi()
{
    return m_serihuhyou.serihuyomikomi(ProgramFolder::file(FileNames::Lines));
}

bool MascotWindow::serihuhyouji(qint16 n)
{
    const std::optional<SerihuLine> line = m_serihuhyou.serihuhyouji(n, ProgramFolder::path());
    return line && showLine(n, line->picturePath, line->text);
}

bool MascotWindow::serihuhyouji(qint16 n, const QString &words)
{
    const std::optional<SerihuLine> line = m_serihuhyou.serihuhyouji(n, ProgramFolder::path());
    return line && showLine(n, line->picturePath, words);
}

bool MascotWindow::showLine(qint16 n, const QString &picturePath, const QString &words)
{
    const QPixmap picture = loadPicture(picturePath);
    if (picture.isNull())
        return false;
    m_kuokuo->setPixmap(picture);
    m_kuokuo->resize(picture.size());
    m_serihuText->setPlainText(words);
    m_shownLine = n;
    return true;
}

int MascotWindow::randmyvalue(int randhanni)
{
    return kuokuo::randmyvalue(randhanni);
}

void MascotWindow::kuokuo_Click()
{
    serihuhyouji(clickLine(randmyvalue(3)));
}

void MascotWindow::kuokuo_DblClick()
{
    serihuhyouji(Line::DoubleClicked);
}

} // namespace kuokuo
