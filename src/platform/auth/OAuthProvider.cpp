#include "platform/auth/OAuthProvider.h"

#include "platform/auth/OAuthClientIds.h"

#include <QHostAddress>

namespace fumibako::platform::auth {

using mail::ConnectionSecurity;

QList<OAuthProvider> builtInProviders()
{
    OAuthProvider google;
    google.name = kGoogle;
    google.authorizationUrl = QUrl(QStringLiteral("https://accounts.google.com/o/oauth2/v2/auth"));
    google.tokenUrl = QUrl(QStringLiteral("https://oauth2.googleapis.com/token"));
    google.scope = QStringLiteral("https://mail.google.com/");
    google.clientId = QStringLiteral(FUMIBAKO_GOOGLE_CLIENT_ID);
    google.clientSecret = QStringLiteral(FUMIBAKO_GOOGLE_CLIENT_SECRET);
    // Without it Google gives no refresh token, and every access token would need a new sign-in.
    google.extraAuthorizationParameters.addQueryItem(QStringLiteral("access_type"), QStringLiteral("offline"));
    google.pop3 = {QStringLiteral("pop.gmail.com"), 995, ConnectionSecurity::Tls};
    google.smtp = {QStringLiteral("smtp.gmail.com"), 465, ConnectionSecurity::Tls};

    OAuthProvider microsoft;
    microsoft.name = kMicrosoft;
    microsoft.authorizationUrl = QUrl(QStringLiteral("https://login.microsoftonline.com/common/oauth2/v2.0/authorize"));
    microsoft.tokenUrl = QUrl(QStringLiteral("https://login.microsoftonline.com/common/oauth2/v2.0/token"));
    microsoft.scope = QStringLiteral("https://outlook.office.com/POP.AccessAsUser.All "
                                     "https://outlook.office.com/SMTP.Send offline_access");
    microsoft.clientId = QStringLiteral(FUMIBAKO_MICROSOFT_CLIENT_ID);
    microsoft.pop3 = {QStringLiteral("outlook.office365.com"), 995, ConnectionSecurity::Tls};
    microsoft.smtp = {QStringLiteral("smtp.office365.com"), 587, ConnectionSecurity::StartTls};
    return {google, microsoft};
}

bool isAcceptableEndpoint(const QUrl& url)
{
    if (!url.isValid() || url.host().isEmpty())
        return false;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("https"))
        return true;
    if (scheme != QLatin1String("http"))
        return false;
    if (url.host().compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(url.host());
    return !address.isNull() && address.isLoopback();
}

QString providerProblem(const OAuthProvider& provider)
{
    const QString where = QStringLiteral("データフォルダーの OAuth2.ini の [%1] に書くか、ビルド時に指定してください"
                                         "（手順は README の「OAuth 2.0 のクライアントIDの登録」にあります）")
                              .arg(provider.name);
    if (provider.authorizationUrl.isEmpty() || provider.tokenUrl.isEmpty())
        return QStringLiteral("「%1」には認可のアドレス（AuthorizationUrl）とトークンのアドレス（TokenUrl）が必要です。")
                   .arg(provider.name)
               + where;
    for (const QUrl& url : {provider.authorizationUrl, provider.tokenUrl}) {
        if (!isAcceptableEndpoint(url))
            return QStringLiteral("「%1」のアドレス %2 は使えません。https:// のアドレスにしてください"
                                  "（http:// はこのコンピューターの中 (127.0.0.1) だけに使えます）")
                .arg(provider.name, url.toString());
    }
    if (provider.clientId.isEmpty())
        return QStringLiteral("「%1」でサインインするには、このプログラム用に登録したクライアントID（ClientId）が必要ですが、"
                              "設定されていません。")
                   .arg(provider.name)
               + where;
    return {};
}

} // namespace fumibako::platform::auth
