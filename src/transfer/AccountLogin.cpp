#include "transfer/AccountLogin.h"

#include "platform/UserPrompts.h"
#include "platform/auth/BrowserOpener.h"
#include "storage/AccountSecrets.h"
#include "storage/AccountSettings.h"
#include "storage/OAuthProviderFile.h"

#include <QFileInfo>
#include <QHash>

namespace fumibako::transfer {

using platform::auth::OAuthOutcome;
using platform::auth::OAuthProvider;
using platform::auth::OAuthResult;
using platform::auth::OAuthTokens;

namespace {

// An access token is renewed this long before the end of its lifetime, so that it does not
// lapse between the check and the server's.
constexpr qint64 kRenewBeforeSeconds = 60;

struct KeptToken {
    QString token;
    QDateTime expiresAt; // invalid: the provider named no lifetime
};

// Access tokens by account file; in memory only, user-interface thread only.
QHash<QString, KeptToken>& keptTokens()
{
    static QHash<QString, KeptToken> tokens;
    return tokens;
}

bool stillValid(const KeptToken& kept)
{
    return !kept.token.isEmpty()
           && (!kept.expiresAt.isValid()
               || QDateTime::currentDateTimeUtc().secsTo(kept.expiresAt) > kRenewBeforeSeconds);
}

QString programDirOf(const QString& userFile)
{
    return QFileInfo(userFile).absolutePath() + QLatin1Char('/');
}

QString accountNameOf(const QString& userFile)
{
    return QFileInfo(userFile).completeBaseName();
}

void keepAccessToken(const QString& userFile, const OAuthTokens& tokens)
{
    keptTokens().insert(userFile, {tokens.accessToken, tokens.expiresAt.toUTC()});
}

// What to say when no token could be had; @p offer adds the question whether to sign in again.
QString noTokenText(const QString& account, const AccessTokenAnswer& answer, bool offer)
{
    QString text;
    switch (answer.status) {
    case TokenStatus::NotSignedIn:
        text = QStringLiteral("アカウント「%1」はまだサインインしていません。").arg(account);
        break;
    case TokenStatus::Lapsed:
        text = QStringLiteral("アカウント「%1」のサインインが無効になりました（取り消されたか、期限が切れました: %2）。")
                   .arg(account, answer.detail);
        break;
    default:
        return QStringLiteral("アカウント「%1」のサインインの情報を更新できませんでした。\r\n%2").arg(account, answer.detail);
    }
    if (offer)
        return text + (answer.status == TokenStatus::Lapsed ? QStringLiteral("\r\nもう一度サインインしますか？")
                                                            : QStringLiteral("\r\nサインインしますか？"));
    return text + QStringLiteral("\r\nアカウント管理の「サインイン」か、fumibako-tool signin %1 でサインインしてください。")
                      .arg(account);
}

} // namespace

AccessTokenAnswer accessTokenFor(const QString& userFile, const QString& providerName, bool forceRefresh)
{
    const auto kept = keptTokens().constFind(userFile);
    if (!forceRefresh && kept != keptTokens().cend() && stillValid(*kept))
        return {TokenStatus::Ok, kept->token, {}};
    keptTokens().remove(userFile);
    const std::optional<OAuthProvider> provider = storage::findOAuthProvider(programDirOf(userFile), providerName);
    if (!provider)
        return {TokenStatus::Failed, {},
                QStringLiteral("サインイン先「%1」がありません（OAuth2.ini を確認してください）").arg(providerName)};
    const QString refreshToken = storage::readAccountSecret(userFile, storage::AccountSecret::RefreshToken);
    if (refreshToken.isEmpty())
        return {TokenStatus::NotSignedIn, {}, {}};
    const OAuthResult result = platform::auth::refreshAccessToken(*provider, refreshToken);
    if (result.outcome == OAuthOutcome::TokenRefused)
        return {TokenStatus::Lapsed, {}, result.error};
    if (!result.granted())
        return {TokenStatus::Failed, {}, platform::auth::describeOAuthFailure(result)};
    if (!result.tokens.refreshToken.isEmpty() && result.tokens.refreshToken != refreshToken)
        storage::storeAccountSecret(userFile, storage::AccountSecret::RefreshToken, result.tokens.refreshToken);
    keepAccessToken(userFile, result.tokens);
    return {TokenStatus::Ok, result.tokens.accessToken, {}};
}

bool keepSignIn(const QString& userFile, const OAuthTokens& tokens)
{
    keepAccessToken(userFile, tokens);
    if (tokens.refreshToken.isEmpty())
        return true; // the provider keeps the old one valid
    return storage::storeAccountSecret(userFile, storage::AccountSecret::RefreshToken, tokens.refreshToken);
}

void forgetAccessToken(const QString& userFile)
{
    keptTokens().remove(userFile);
}

std::optional<QString> tokenForTransfer(const QString& userFile, const storage::AccountProperties& account,
                                        platform::UserPrompts& prompts, bool forceRefresh)
{
    const AccessTokenAnswer answer = accessTokenFor(userFile, account.oauthProvider, forceRefresh);
    if (answer.status == TokenStatus::Ok)
        return answer.token;
    const QString name = accountNameOf(userFile);
    const QString title = QStringLiteral("サインイン");
    platform::auth::BrowserOpener* browser = platform::auth::systemBrowser();
    const bool offer = browser && answer.status != TokenStatus::Failed;
    if (!offer) {
        prompts.message(noTokenText(name, answer, false), title, platform::Icon::Exclamation, platform::Buttons::Ok);
        return std::nullopt;
    }
    if (prompts.message(noTokenText(name, answer, true), title, platform::Icon::Question, platform::Buttons::YesNo)
        != platform::Answer::Yes)
        return std::nullopt;
    const std::optional<OAuthProvider> provider = storage::findOAuthProvider(programDirOf(userFile), account.oauthProvider);
    if (!provider)
        return std::nullopt; // accessTokenFor found it a moment ago
    const OAuthResult signedIn = platform::auth::signInAndWait(*provider, *browser, account.mailAddress);
    if (!signedIn.granted()) {
        prompts.message(platform::auth::describeOAuthFailure(signedIn), title, platform::Icon::Exclamation,
                        platform::Buttons::Ok);
        return std::nullopt;
    }
    keepSignIn(userFile, signedIn.tokens);
    return signedIn.tokens.accessToken;
}

} // namespace fumibako::transfer
