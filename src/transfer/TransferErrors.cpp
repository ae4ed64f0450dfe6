#include "transfer/TransferErrors.h"

#include "platform/UserPrompts.h"

#include <QStringList>

namespace fumibako::transfer {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// A provider that wants POP before SMTP closes the channel with a 521 reply that says so.
bool asksPopBeforeSmtp(const QString& text)
{
    return text.contains(QLatin1String("521 ")) && text.contains(QLatin1String("POP"), Qt::CaseInsensitive)
        && text.contains(QLatin1String("auth"), Qt::CaseInsensitive);
}

QStringList explanationFor(const QString& text)
{
    if (text.contains(QLatin1String("Cant connect Server")))
        return {QStringLiteral("メールサーバーにつながりませんでした"),
                QStringLiteral("サーバー名が間違っているか、インターネットに接続されていない可能性があります")};
    if (text.contains(QLatin1String("POP3 error -ERR ")))
        return {QStringLiteral("ログインできませんでした。"), QStringLiteral("パスワード等が間違ってる可能性があります")};
    if (text.contains(QLatin1String("521 Mail not accepted from this domain from ")))
        return {QStringLiteral("送信者のメールアドレスが間違っている可能性があります"),
                QStringLiteral("アカウントでメールアドレスを確認してください")};
    if (asksPopBeforeSmtp(text))
        return {QStringLiteral("メールサーバーとの認証が済んでいません"), QStringLiteral("一度、受信操作を行ってください")};
    if (text.contains(QLatin1String("Sender")))
        return {QStringLiteral("アカウントに間違いがある可能性があります")};
    return {};
}

} // namespace

QString libraryErrorText(const QString& libraryText)
{
    QString text = libraryText;
    for (const QString& line : explanationFor(libraryText))
        text += kCrLf + line;
    return text;
}

void ShowLibraryError(platform::UserPrompts& prompts, const QString& libraryText)
{
    prompts.message(libraryErrorText(libraryText), QString(), platform::Icon::None, platform::Buttons::Ok);
}

void ShowUnexpectedError(platform::UserPrompts& prompts, int number, const QString& description,
                         const QString& consequence)
{
    const QString request = QStringLiteral("できれば、掲示板で報告してください。お願いします。");
    QString text;
    if (description.isEmpty()) {
        text = QStringLiteral("エラー番号「 ") + QString::number(number) + QStringLiteral(" 」のエラーが発生しましたので、")
            + consequence + kCrLf + request;
    } else {
        text = QStringLiteral("エラー番号「 ") + QString::number(number) + QStringLiteral(" 」") + kCrLf
            + QStringLiteral("エラーメッセージ 「 ") + description + QStringLiteral(" 」") + kCrLf + kCrLf
            + QStringLiteral("のエラーが発生しましたので、") + consequence + kCrLf + request;
    }
    prompts.message(text, QStringLiteral("エラー"), platform::Icon::Exclamation, platform::Buttons::Ok);
}

} // namespace fumibako::transfer
