#include "transfer/AccountLogin.h"

#include "platform/UserPrompts.h"
#include "platform/auth/BrowserOpener.h"
#include "storage/AccountSecrets.h"
#include "storage/AccountSettings.h"
#include "storage/OAuthProviderFile.h"
#include "transfer/TransferRunner.h"

#include <QFileInfo>
#include <QHash>

#include <memory>
#include <mutex>

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

bool stillValid(const KeptToken& kept)
{
    return !kept.token.isEmpty()
           && (!kept.expiresAt.isValid()
               || QDateTime::currentDateTimeUtc().secsTo(kept.expiresAt) > kRenewBeforeSeconds);
}

// Access tokens by account file; in memory only. Renewals run on transfer workers while the
// window's thread signs in or forgets: every use holds tokensMutex().
QHash<QString, KeptToken>& keptTokens()
{
    static QHash<QString, KeptToken> tokens;
    return tokens;
}

std::mutex& tokensMutex()
{
    static std::mutex mutex;
    return mutex;
}

// The kept access token of @p userFile while it is still good to use; else nothing.
std::optional<QString> keptToken(const QString& userFile)
{
    const std::lock_guard<std::mutex> lock(tokensMutex());
    const auto kept = keptTokens().constFind(userFile);
    if (kept == keptTokens().cend() || !stillValid(*kept))
        return std::nullopt;
    return kept->token;
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
    const std::lock_guard<std::mutex> lock(tokensMutex());
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

AccessTokenAnswer accessTokenFor(const QString& userFile, const QString& providerName, bool forceRefresh,
                                 const platform::auth::GiveUp& giveUp)
{
    if (!forceRefresh) {
        if (std::optional<QString> kept = keptToken(userFile))
            return {TokenStatus::Ok, *kept, {}};
    }
    forgetAccessToken(userFile);
    const std::optional<OAuthProvider> provider = storage::findOAuthProvider(programDirOf(userFile), providerName);
    if (!provider)
        return {TokenStatus::Failed, {},
                QStringLiteral("サインイン先「%1」がありません（OAuth2.ini を確認してください）").arg(providerName)};
    const QString refreshToken = storage::readAccountSecret(userFile, storage::AccountSecret::RefreshToken);
    if (refreshToken.isEmpty())
        return {TokenStatus::NotSignedIn, {}, {}};
    const OAuthResult result = platform::auth::refreshAccessToken(*provider, refreshToken, 60, giveUp);
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
    const std::lock_guard<std::mutex> lock(tokensMutex());
    keptTokens().remove(userFile);
}

namespace {

// The window's side of tokenForTransfer, once the renewal has answered: the messages, and the
// sign-in in the browser when it is offered and accepted. That sign-in waits for the browser
// without a loop of its own: it belongs to @p runner, so a runner destroyed first ends it and
// drops @p done uncalled, as it does for its calls.
void tokenAfterRenewal(TransferRunner& runner, const QString& userFile, const storage::AccountProperties& account,
                       platform::UserPrompts& prompts, const AccessTokenAnswer& answer,
                       const std::function<void(const std::optional<QString>& token)>& done)
{
    if (answer.status == TokenStatus::Ok)
        return done(answer.token);
    const QString name = accountNameOf(userFile);
    const QString title = QStringLiteral("サインイン");
    platform::auth::BrowserOpener* browser = platform::auth::systemBrowser();
    const bool offer = browser && answer.status != TokenStatus::Failed;
    if (!offer) {
        prompts.message(noTokenText(name, answer, false), title, platform::Icon::Exclamation, platform::Buttons::Ok);
        return done(std::nullopt);
    }
    if (prompts.message(noTokenText(name, answer, true), title, platform::Icon::Question, platform::Buttons::YesNo)
        != platform::Answer::Yes)
        return done(std::nullopt);
    const std::optional<OAuthProvider> provider = storage::findOAuthProvider(programDirOf(userFile), account.oauthProvider);
    if (!provider)
        return done(std::nullopt); // accessTokenFor found it a moment ago
    auto* signIn = new platform::auth::OAuthSignIn(*provider, &runner);
    signIn->setLoginHint(account.mailAddress);
    QObject::connect(signIn, &platform::auth::OAuthSignIn::finished, &runner,
                     [signIn, userFile, title, &prompts, done](const OAuthResult& signedIn) {
                         signIn->deleteLater();
                         if (!signedIn.granted()) {
                             prompts.message(platform::auth::describeOAuthFailure(signedIn), title,
                                             platform::Icon::Exclamation, platform::Buttons::Ok);
                             return done(std::nullopt);
                         }
                         keepSignIn(userFile, signedIn.tokens);
                         done(signedIn.tokens.accessToken);
                     });
    signIn->start(*browser);
}

} // namespace

void tokenForTransfer(TransferRunner& runner, const QString& userFile, const storage::AccountProperties& account,
                      platform::UserPrompts& prompts, bool forceRefresh,
                      std::function<void(const std::optional<QString>& token)> done)
{
    if (!forceRefresh) {
        if (const std::optional<QString> kept = keptToken(userFile))
            return done(kept);
    }
    auto answer = std::make_shared<AccessTokenAnswer>();
    const QString providerName = account.oauthProvider;
    const bool started = runner.start(
        [answer, userFile, providerName, forceRefresh, &runner](const platform::mail::ProgressCallback&) {
            *answer = accessTokenFor(userFile, providerName, forceRefresh, [&runner] { return runner.isClosing(); });
            return platform::mail::LibraryResult();
        },
        [&runner, answer, userFile, account, &prompts, done](const platform::mail::LibraryResult&) {
            tokenAfterRenewal(runner, userFile, account, prompts, *answer, done);
        });
    if (!started) { // callers start one thing at a time on their runner: this is a caller's mistake
        qWarning("an access token was asked for while the transfer's runner was busy");
        tokenAfterRenewal(runner, userFile, account, prompts,
                          {TokenStatus::Failed, {}, QStringLiteral("ほかの通信が終わっていません")}, done);
    }
}

} // namespace fumibako::transfer
