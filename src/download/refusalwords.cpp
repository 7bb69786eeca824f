#include "download/refusalwords.h"

namespace kuokuo {

namespace {
QString transferWords(InetFailure failure)
{
    switch (failure) {
    case InetFailure::Stopped:
        return QStringLiteral("とちゅうで止めたにゃあ");
    case InetFailure::NotWebAddress:
        return QStringLiteral("http か https のアドレスじゃないにゃあ");
    case InetFailure::BodyTooLarge:
        return QStringLiteral("ページが大きすぎて読めないにゃあ");
    case InetFailure::FileTooLarge:
        return QStringLiteral("ファイルが大きすぎるから保存しないにゃあ");
    case InetFailure::Bomb:
        return QStringLiteral("ほどくととんでもなく大きくなるデータ（圧縮爆弾）だったにゃあ");
    case InetFailure::DiskFull:
        return QStringLiteral("ディスクがいっぱいで保存できないにゃあ");
    case InetFailure::WriteFailed:
        return QStringLiteral("ファイルに書きこめないにゃあ");
    case InetFailure::Damaged:
        return QStringLiteral("圧縮されたデータがこわれているにゃあ");
    case InetFailure::CutShort:
        return QStringLiteral("データがとちゅうで切れてしまったにゃあ");
    case InetFailure::TimedOut:
        return QStringLiteral("サーバーの返事が止まったまま時間切れにゃあ");
    case InetFailure::RedirectToHttp:
        return QStringLiteral("https から http への転送はおことわりにゃあ");
    case InetFailure::RedirectRefused:
        return QStringLiteral("http と https 以外への転送はおことわりにゃあ");
    case InetFailure::TooManyRedirects:
        return QStringLiteral("転送がぐるぐるまわって終わらないにゃあ");
    case InetFailure::HostNotFound:
        return QStringLiteral("そのホストは見つからないにゃあ");
    case InetFailure::ConnectionFailed:
        return QStringLiteral("サーバーにつながらないにゃあ");
    case InetFailure::CertificateName:
        return QStringLiteral("証明書がほかの名前のものにゃあ。あぶないから止めたにゃあ");
    case InetFailure::CertificateExpired:
        return QStringLiteral("証明書の期限が切れているにゃあ。あぶないから止めたにゃあ");
    case InetFailure::CertificateUnknown:
        return QStringLiteral("知らない発行元の証明書にゃあ。あぶないから止めたにゃあ");
    case InetFailure::Tls:
        return QStringLiteral("安全な接続ができなかったにゃあ");
    case InetFailure::None:
    case InetFailure::Other:
        break;
    }
    return QStringLiteral("通信がうまくいかなかったにゃあ");
}

// The server's status with its words: "403 Forbidden".
QString statusText(const Refusal &why)
{
    return QStringLiteral("%1 %2")
        .arg(QString::number(why.status), QString::fromLatin1(why.reason))
        .trimmed();
}
} // namespace

QString refusalWords(const Refusal &why)
{
    switch (why.kind) {
    case Refusal::Kind::Status:
        return QStringLiteral("%1 はサーバーにことわられたにゃあ（%2）")
            .arg(why.name, statusText(why));
    case Refusal::Kind::WebPage:
        return QStringLiteral("%1 は画像じゃなくてウェブページだったにゃあ").arg(why.name);
    case Refusal::Kind::TooShort:
        return QStringLiteral("%1 は %2 バイトしかなかったにゃあ").arg(why.name).arg(why.size);
    case Refusal::Kind::BadName:
        return QStringLiteral(
                   "「%1」はファイル名に使えないにゃあ。フォルダーの外には保存しないにゃあ")
            .arg(why.name);
    case Refusal::Kind::Transfer:
    case Refusal::Kind::Unwritable:
        break;
    }
    return QStringLiteral("%1 は%2").arg(why.name, transferWords(why.failure));
}

QString waitingWords(const Refusal &why, int seconds)
{
    const QString answer =
        why.kind == Refusal::Kind::Status ? statusText(why) : transferWords(why.failure);
    return QStringLiteral("サーバーがいそがしいから %1 秒まってもう一度聞くにゃあ（%2：%3）")
        .arg(QString::number(seconds), why.name, answer);
}

QString refusedWords(const QList<Refusal> &refused)
{
    return QStringLiteral("保存できなかった画像が %1 こあるにゃあ：%2%3")
        .arg(QString::number(refused.size()), refusalWords(refused.first()),
             refused.size() > 1 ? QStringLiteral(" ほか") : QString());
}

QString pageImagesWords(const PageImages &result)
{
    if (result.stop)
        return QStringLiteral("画像を %1 こ保存したところで止まったにゃあ：%2")
            .arg(QString::number(result.saved), refusalWords(*result.stop));
    if (!result.ok)
        return QStringLiteral("ページから画像を読みとれなかったにゃあ。もういちど試してにゃあ");
    if (result.refused.isEmpty())
        return result.saved ? QStringLiteral("このページの画像を %1 こ保存したにゃあ！")
                                  .arg(QString::number(result.saved))
                            : QStringLiteral("このページには保存できるJPEGやGIFの画像がないにゃあ");
    return (result.saved ? QStringLiteral("このページの画像を %1 こ保存したにゃあ")
                               .arg(QString::number(result.saved))
                         : QStringLiteral("このページの画像はひとつも保存できなかったにゃあ")) +
           QStringLiteral("（") + refusedWords(result.refused) + QStringLiteral("）");
}

} // namespace kuokuo
