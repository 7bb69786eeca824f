#include "shell/findbar.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace kuokuo {

const QString FindBar::NotFound = QStringLiteral("見つからないにゃあ");

FindBar::FindBar(QWidget *parent)
    : QWidget(parent)
    , m_text(new QLineEdit(this))
    , m_result(new QLabel(this))
{
    setObjectName(QStringLiteral("findBar"));
    setAutoFillBackground(true);
    m_text->setObjectName(QStringLiteral("findText"));
    m_text->setClearButtonEnabled(true);
    m_result->setObjectName(QStringLiteral("findResult"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->addWidget(new QLabel(QStringLiteral("ページの中をさがすにゃ:"), this));
    layout->addWidget(m_text, 1);
    const auto button = [this, layout](const char *name, const QString &text, const QString &tip) {
        auto *made = new QToolButton(this);
        made->setObjectName(QString::fromLatin1(name));
        made->setText(text);
        made->setToolTip(tip);
        made->setAutoRaise(true);
        layout->addWidget(made);
        return made;
    };
    connect(
        button("findPrevious", QStringLiteral("▲"), QStringLiteral("前をさがすにゃ（Shift+F3）")),
        &QToolButton::clicked, this, [this] { Q_EMIT find(text(), true); });
    connect(button("findNext", QStringLiteral("▼"), QStringLiteral("次をさがすにゃ（F3）")),
            &QToolButton::clicked, this, [this] { Q_EMIT find(text(), false); });
    layout->addWidget(m_result, 1);
    connect(button("findClose", QStringLiteral("×"), QStringLiteral("閉じるにゃ（Esc）")),
            &QToolButton::clicked, this, &FindBar::closeRequested);
    connect(m_text, &QLineEdit::textChanged, this, [this](const QString &typed) {
        m_result->clear();
        Q_EMIT find(typed, false);
    });
}

void FindBar::open()
{
    show();
    m_text->setFocus(Qt::ShortcutFocusReason);
    m_text->selectAll();
}

QString FindBar::text() const
{
    return m_text->text();
}

void FindBar::showResult(bool found)
{
    m_result->setText(found ? QString() : NotFound);
}

void FindBar::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        Q_EMIT find(text(), event->modifiers() & Qt::ShiftModifier);
    else
        QWidget::keyPressEvent(event);
}

} // namespace kuokuo
