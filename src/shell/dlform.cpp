#include "shell/dlform.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace kuokuo {

namespace {
// Where downloads go until the user chooses: the user's Pictures folder, or the home folder
// where there is none.
QString startFolder()
{
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return !pictures.isEmpty() && QFileInfo(pictures).isDir() ? pictures : QDir::homePath();
}
} // namespace

dlform::dlform(QWidget *parent)
    : QWidget(parent)
    , m_label1(new QLabel(this))
    , m_label2(new QLabel(this))
{
    setObjectName(QStringLiteral("dlform"));
    setWindowTitle(QStringLiteral("ダウンロード先フォルダーにゃあ！"));
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label2->setObjectName(QStringLiteral("Label2"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_label1);
    layout->addWidget(m_label2);
    setFolder(startFolder());
}

void dlform::setFolder(const QString &path)
{
    m_label1->setText(path.left(1));
    m_label2->setText(path);
}

} // namespace kuokuo
