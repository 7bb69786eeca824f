#include "shell/dlform.h"

#include <QLabel>
#include <QVBoxLayout>

namespace kuokuo {

dlform::dlform(QWidget *parent)
    : QWidget(parent)
    , m_label1(new QLabel(QStringLiteral("c"), this))
    , m_label2(new QLabel(QStringLiteral("c:\\My Documents"), this))
{
    setObjectName(QStringLiteral("dlform"));
    setWindowTitle(QStringLiteral("ダウンロード先フォルダーにゃあ！"));
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label2->setObjectName(QStringLiteral("Label2"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_label1);
    layout->addWidget(m_label2);
}

void dlform::setFolder(const QString &path)
{
    m_label1->setText(path.left(1));
    m_label2->setText(path);
}

} // namespace kuokuo
