#include "platform/pagequestions.h"

#include <QAuthenticator>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QWebEngineCertificateError>
#include <QWebEnginePage>

#include <functional>

namespace kuokuo {

namespace {
// The questions answered this run: certificates by host, features by origin and feature.
QHash<QString, bool> &answers()
{
    static QHash<QString, bool> kept;
    return kept;
}

QString certificateProblem(const QWebEngineCertificateError &error)
{
    switch (error.type()) {
    case QWebEngineCertificateError::CertificateCommonNameInvalid:
        return QStringLiteral("証明書がべつの名前のサイトのものだにゃあ");
    case QWebEngineCertificateError::CertificateDateInvalid:
        return QStringLiteral("証明書の期限が切れているか、まだ始まっていないにゃあ");
    case QWebEngineCertificateError::CertificateAuthorityInvalid:
        return QStringLiteral("証明書を出したところ（認証局）が、知らないところだにゃあ");
    case QWebEngineCertificateError::CertificateRevoked:
        return QStringLiteral("証明書が取り消されているにゃあ");
    case QWebEngineCertificateError::CertificateWeakSignatureAlgorithm:
    case QWebEngineCertificateError::CertificateWeakKey:
        return QStringLiteral("証明書の暗号が弱すぎるにゃあ");
    default:
        return QStringLiteral("証明書が正しくないにゃあ（%1）").arg(error.description());
    }
}

QString featureWords(int feature)
{
    switch (QWebEnginePage::Feature(feature)) {
    case QWebEnginePage::Notifications:
        return QStringLiteral("おしらせ（通知）を出すこと");
    case QWebEnginePage::Geolocation:
        return QStringLiteral("いまいる場所を知ること");
    case QWebEnginePage::MediaAudioCapture:
        return QStringLiteral("マイクを使うこと");
    case QWebEnginePage::MediaVideoCapture:
        return QStringLiteral("カメラを使うこと");
    case QWebEnginePage::MediaAudioVideoCapture:
        return QStringLiteral("カメラとマイクを使うこと");
    case QWebEnginePage::DesktopVideoCapture:
        return QStringLiteral("画面を見せること（画面の共有）");
    case QWebEnginePage::DesktopAudioVideoCapture:
        return QStringLiteral("画面と音を見せること（画面の共有）");
    case QWebEnginePage::MouseLock:
        return QStringLiteral("マウスのポインターを閉じこめること");
    }
    return QStringLiteral("ほかのこと");
}

// Asks without waiting: `answer` gets true for `yes`; No (also Escape, also closing the
// question) is the default. Without `yes` the question only tells, and answers false.
void ask(QWidget *window, QMessageBox::Icon icon, const QString &title, const QString &text,
         const QString &yes, const QString &no, std::function<void(bool)> answer)
{
    auto *box = new QMessageBox(icon, title, text, QMessageBox::NoButton, window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    QPushButton *accept = yes.isEmpty() ? nullptr : box->addButton(yes, QMessageBox::AcceptRole);
    QPushButton *refuse = box->addButton(no, QMessageBox::RejectRole);
    box->setDefaultButton(refuse);
    box->setEscapeButton(refuse);
    QObject::connect(box, &QMessageBox::finished, box,
                     [box, accept, answer] { answer(accept && box->clickedButton() == accept); });
    box->open();
}
} // namespace

PageQuestions::PageQuestions(QWebEnginePage *page, QWidget *window)
    : QObject(page)
    , m_page(page)
    , m_window(window)
{
    connect(page, &QWebEnginePage::authenticationRequired, this,
            [this](const QUrl &address, QAuthenticator *authenticator) {
                login(address, authenticator, QString());
            });
    connect(page, &QWebEnginePage::proxyAuthenticationRequired, this,
            [this](const QUrl &address, QAuthenticator *authenticator, const QString &proxy) {
                login(address, authenticator, proxy);
            });
    connect(page, &QWebEnginePage::certificateError, this, &PageQuestions::certificateError);
    connect(page, &QWebEnginePage::featurePermissionRequested, this,
            [this](const QUrl &origin, QWebEnginePage::Feature feature) {
                permission(origin, feature);
            });
}

void PageQuestions::login(const QUrl &address, QAuthenticator *authenticator, const QString &proxy)
{
    QDialog dialog(m_window);
    dialog.setObjectName(QStringLiteral("login"));
    dialog.setWindowTitle(QStringLiteral("ログインにゃあ"));
    auto *layout = new QFormLayout(&dialog);
    const QString who = proxy.isEmpty() ? QStringLiteral("「%1」のサイト").arg(address.host())
                                        : QStringLiteral("プロキシ「%1」").arg(proxy);
    auto *prompt = new QLabel(QStringLiteral("%1が名前とパスワードをきいてるにゃあ").arg(who) +
                                  (authenticator->realm().isEmpty()
                                       ? QString()
                                       : QStringLiteral("\n（%1）").arg(authenticator->realm())),
                              &dialog);
    prompt->setTextFormat(Qt::PlainText);
    layout->addRow(prompt);
    auto *user = new QLineEdit(&dialog);
    user->setObjectName(QStringLiteral("user"));
    auto *password = new QLineEdit(&dialog);
    password->setObjectName(QStringLiteral("password"));
    password->setEchoMode(QLineEdit::Password);
    layout->addRow(QStringLiteral("名前(&N):"), user);
    layout->addRow(QStringLiteral("パスワード(&P):"), password);
    auto *buttons = new QDialogButtonBox(&dialog);
    buttons->addButton(QStringLiteral("ログインする"), QDialogButtonBox::AcceptRole)
        ->setDefault(true);
    buttons->addButton(QStringLiteral("やめる"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addRow(buttons);
    user->setFocus();
    // The engine wants the answer before this returns: the one question that waits.
    if (dialog.exec() != QDialog::Accepted) {
        // A null authenticator cancels: the server's own page is shown.
        *authenticator = QAuthenticator();
        return;
    }
    authenticator->setUser(user->text());
    authenticator->setPassword(password->text());
}

void PageQuestions::certificateError(QWebEngineCertificateError error)
{
    const QString key = QStringLiteral("certificate|") + error.url().host();
    if (answers().contains(key)) {
        answers().value(key) ? error.acceptCertificate() : error.rejectCertificate();
        return;
    }
    error.defer();
    const QString text = QStringLiteral("「%1」のサイトの証明書に問題があるにゃあ：%2\n\n"
                                        "にせもののサイトかもしれないにゃあ。")
                             .arg(error.url().host(), certificateProblem(error));
    const bool overridable = error.isOverridable();
    ask(m_window, QMessageBox::Warning, QStringLiteral("あぶないかもしれないにゃあ"),
        overridable ? text + QStringLiteral("それでも見るかにゃ？")
                    : text + QStringLiteral("このページは見せられないにゃあ。"),
        overridable ? QStringLiteral("それでも見る(&Y)") : QString(),
        overridable ? QStringLiteral("やめる(&N)") : QStringLiteral("わかった"),
        [error, key](bool yes) mutable {
            answers().insert(key, yes);
            yes ? error.acceptCertificate() : error.rejectCertificate();
        });
}

void PageQuestions::permission(const QUrl &origin, int feature)
{
    const auto answer = [page = QPointer<QWebEnginePage>(m_page), origin, feature](bool yes) {
        if (page)
            page->setFeaturePermission(origin, QWebEnginePage::Feature(feature),
                                       yes ? QWebEnginePage::PermissionGrantedByUser
                                           : QWebEnginePage::PermissionDeniedByUser);
    };
    const QString key = QStringLiteral("feature|%1|%2").arg(origin.toString()).arg(feature);
    if (answers().contains(key))
        return answer(answers().value(key));
    ask(m_window, QMessageBox::Question, QStringLiteral("ページからのおねがいにゃあ"),
        QStringLiteral("「%1」のページが、%2をゆるしてほしいと言ってるにゃあ。\n"
                       "ゆるしてもいいかにゃ？")
            .arg(origin.host(), featureWords(feature)),
        QStringLiteral("ゆるす(&Y)"), QStringLiteral("ゆるさない(&N)"), [answer, key](bool yes) {
            answers().insert(key, yes);
            answer(yes);
        });
}

} // namespace kuokuo
