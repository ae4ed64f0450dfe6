#include "platform/auth/OAuthFlow.h"

#include "platform/UserPrompts.h"
#include "platform/auth/BrowserOpener.h"

#include <QCryptographicHash>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QOAuth2AuthorizationCodeFlow>
#include <QOAuthHttpServerReplyHandler>
#include <QOAuthOobReplyHandler>
#include <QRandomGenerator>

#include <optional>

namespace fumibako::platform::auth {

namespace {

using Parameters = QMultiMap<QString, QVariant>;
using Stage = QAbstractOAuth::Stage;

const QString kCode = QStringLiteral("code");

void configure(QOAuth2AuthorizationCodeFlow& flow, const OAuthProvider& provider)
{
    flow.setAuthorizationUrl(provider.authorizationUrl);
    flow.setAccessTokenUrl(provider.tokenUrl);
    flow.setClientIdentifier(provider.clientId);
    flow.setClientIdentifierSharedKey(provider.clientSecret);
    flow.setScope(provider.scope);
}

// A refresh sends neither a redirect address (there is no redirect) nor an empty secret.
void trimRefreshParameters(Parameters* parameters)
{
    parameters->remove(QStringLiteral("redirect_uri"));
    if (parameters->value(QStringLiteral("client_secret")).toString().isEmpty())
        parameters->remove(QStringLiteral("client_secret"));
}

// Qt 6.4 hands the code on as the redirect carried it (still percent-encoded) and encodes it once
// more, so a code with "/" or "+" (Google's begin with "4/") would reach the token endpoint
// changed. The code is decoded whole and encoded exactly once.
void encodeCodeOnce(Parameters* parameters)
{
    const QString passed = parameters->value(kCode).toString();
    const QString code = QUrl::fromPercentEncoding(QUrl::fromPercentEncoding(passed.toUtf8()).toUtf8());
    parameters->replace(kCode, QString::fromLatin1(QUrl::toPercentEncoding(code)));
}

OAuthResult grantedResult(const QOAuth2AuthorizationCodeFlow& flow)
{
    OAuthResult result;
    result.outcome = OAuthOutcome::Granted;
    result.tokens = {flow.token(), flow.refreshToken(), flow.expirationAt()};
    return result;
}

// The token endpoint's refusal (RFC 6749 5.2: a 400 or 401 with a JSON "error"), or a failure
// of the network; nothing for a reply that succeeded (Qt reads that one itself).
std::optional<OAuthResult> tokenReplyFailure(QNetworkReply* reply, const QUrl& tokenUrl)
{
    if (reply->request().url() != tokenUrl || reply->error() == QNetworkReply::NoError)
        return std::nullopt;
    OAuthResult result;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QJsonObject body = QJsonDocument::fromJson(reply->readAll()).object();
    result.error = body.value(QStringLiteral("error")).toString();
    result.detail = body.value(QStringLiteral("error_description")).toString();
    const bool refused = (status == 400 || status == 401) && !result.error.isEmpty();
    result.outcome = refused ? OAuthOutcome::TokenRefused : OAuthOutcome::NetworkFailure;
    if (!refused)
        result.detail = reply->errorString();
    return result;
}

// A token endpoint that answers 200 with an error, or with no access token.
std::optional<OAuthResult> tokenBodyFailure(const QVariantMap& tokens)
{
    if (tokens.contains(QStringLiteral("error"))) {
        OAuthResult result;
        result.outcome = OAuthOutcome::TokenRefused;
        result.error = tokens.value(QStringLiteral("error")).toString();
        result.detail = tokens.value(QStringLiteral("error_description")).toString();
        return result;
    }
    if (tokens.value(QStringLiteral("access_token")).toString().isEmpty()) {
        OAuthResult result;
        result.outcome = OAuthOutcome::NetworkFailure;
        result.detail = QStringLiteral("no access_token in the answer");
        return result;
    }
    return std::nullopt;
}

OAuthResult invalidProvider(const OAuthProvider& provider)
{
    OAuthResult result;
    result.outcome = OAuthOutcome::InvalidProvider;
    result.detail = providerProblem(provider);
    return result;
}

QString withDetail(const QString& text, const OAuthResult& result)
{
    const QString said = result.detail.isEmpty() ? result.error
                         : result.error.isEmpty() ? result.detail
                                                  : result.error + QStringLiteral(": ") + result.detail;
    return said.isEmpty() ? text : text + QStringLiteral("（%1）").arg(said);
}

} // namespace

QString describeOAuthFailure(const OAuthResult& result)
{
    switch (result.outcome) {
    case OAuthOutcome::Granted:
        return {};
    case OAuthOutcome::Denied:
        return withDetail(QStringLiteral("サインインは認められませんでした"), result);
    case OAuthOutcome::StateMismatch:
        return QStringLiteral("このサインインのものではない応答が届いたため、受け付けませんでした"
                              "（state が一致しません）。もう一度サインインしてください");
    case OAuthOutcome::TokenRefused:
        return withDetail(QStringLiteral("認可サーバーがトークンを発行しませんでした"), result);
    case OAuthOutcome::NetworkFailure:
        return withDetail(QStringLiteral("認可サーバーと通信できませんでした"), result);
    case OAuthOutcome::TimedOut:
        return QStringLiteral("ブラウザーからの応答がないまま時間切れになりました");
    case OAuthOutcome::Cancelled:
        return QStringLiteral("サインインを中止しました");
    case OAuthOutcome::InvalidProvider:
        return result.detail;
    }
    return {};
}

QString makeCodeVerifier()
{
    static const char kUnreserved[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-._~";
    QString verifier;
    for (int i = 0; i < 64; ++i)
        verifier += QLatin1Char(kUnreserved[QRandomGenerator::system()->bounded(int(sizeof kUnreserved) - 1)]);
    return verifier;
}

QString codeChallenge(const QString& verifier)
{
    const QByteArray digest = QCryptographicHash::hash(verifier.toLatin1(), QCryptographicHash::Sha256);
    return QString::fromLatin1(digest.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

OAuthSignIn::OAuthSignIn(const OAuthProvider& provider, QObject* parent) : QObject(parent), m_provider(provider)
{
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, [this] {
        OAuthResult result;
        result.outcome = OAuthOutcome::TimedOut;
        finish(result);
    });
}

OAuthSignIn::~OAuthSignIn() = default;

void OAuthSignIn::start(BrowserOpener& browser, int timeoutSeconds)
{
    if (m_running)
        return;
    m_running = true;
    if (!providerProblem(m_provider).isEmpty()) {
        finish(invalidProvider(m_provider));
        return;
    }
    m_network = new QNetworkAccessManager(this);
    m_flow = new QOAuth2AuthorizationCodeFlow(m_network, this);
    configure(*m_flow, m_provider);
    // Only this computer can reach the listener (RFC 8252 7.3); the port is whatever is free.
    auto* listener = new QOAuthHttpServerReplyHandler(QHostAddress::LocalHost, 0, m_flow);
    if (!listener->isListening()) {
        OAuthResult result;
        result.detail = QStringLiteral("127.0.0.1 で待ち受けられません");
        finish(result);
        return;
    }
    listener->setCallbackText(kProgramTitle + QStringLiteral(": 応答を受け取りました。このページを閉じて、")
                              + kProgramTitle + QStringLiteral("に戻ってください。"));
    m_flow->setReplyHandler(listener);
    m_verifier = makeCodeVerifier();
    const QString challenge = codeChallenge(m_verifier);
    const QString verifier = m_verifier;
    const QString hint = m_loginHint;
    const QUrlQuery extra = m_provider.extraAuthorizationParameters;
    m_flow->setModifyParametersFunction([challenge, verifier, hint, extra](Stage stage, Parameters* parameters) {
        if (stage == Stage::RequestingAuthorization) {
            parameters->insert(QStringLiteral("code_challenge"), challenge);
            parameters->insert(QStringLiteral("code_challenge_method"), QStringLiteral("S256"));
            if (!hint.isEmpty())
                parameters->insert(QStringLiteral("login_hint"), hint);
            for (const auto& [key, value] : extra.queryItems(QUrl::FullyDecoded))
                parameters->insert(key, value);
        } else if (stage == Stage::RequestingAccessToken) {
            encodeCodeOnce(parameters);
            parameters->insert(QStringLiteral("code_verifier"), verifier);
        } else if (stage == Stage::RefreshingAccessToken) {
            trimRefreshParameters(parameters);
        }
    });
    // Connected before grant(), so these run before Qt's own handling of the redirect.
    connect(m_flow, &QAbstractOAuth2::authorizationCallbackReceived, this, &OAuthSignIn::onCallback);
    connect(m_network, &QNetworkAccessManager::finished, this, &OAuthSignIn::onReplyFinished);
    connect(listener, &QAbstractOAuthReplyHandler::tokensReceived, this, [this](const QVariantMap& tokens) {
        if (std::optional<OAuthResult> failure = tokenBodyFailure(tokens))
            finish(*failure);
    });
    connect(m_flow, &QAbstractOAuth::granted, this, [this] { finish(grantedResult(*m_flow)); });
    connect(m_flow, &QAbstractOAuth::authorizeWithBrowser, this, [this, &browser](const QUrl& url) {
        m_address = url;
        browser.openUrl(url);
    });
    m_timeout.start(std::chrono::seconds(timeoutSeconds));
    m_flow->grant();
}

void OAuthSignIn::onCallback(const QVariantMap& data)
{
    if (!m_running)
        return;
    const QString error = data.value(QStringLiteral("error")).toString();
    // The browser asks the listener for more than the redirect (an icon): no answer, no state.
    if (error.isEmpty() && !data.contains(kCode))
        return;
    OAuthResult result;
    if (data.value(QStringLiteral("state")).toString() != m_flow->state()) {
        result.outcome = OAuthOutcome::StateMismatch;
        finish(result);
    } else if (!error.isEmpty()) {
        result.outcome = OAuthOutcome::Denied;
        result.error = error;
        // The redirect's query is form-encoded (RFC 6749 appendix B): "+" stands for a space.
        QString description = data.value(QStringLiteral("error_description")).toString();
        description.replace(QLatin1Char('+'), QLatin1Char(' '));
        result.detail = QUrl::fromPercentEncoding(description.toUtf8());
        finish(result);
    }
}

void OAuthSignIn::onReplyFinished(QNetworkReply* reply)
{
    if (std::optional<OAuthResult> failure = tokenReplyFailure(reply, m_provider.tokenUrl))
        finish(*failure);
}

void OAuthSignIn::cancel()
{
    OAuthResult result;
    result.outcome = OAuthOutcome::Cancelled;
    finish(result);
}

void OAuthSignIn::finish(OAuthResult result)
{
    if (!m_running)
        return;
    m_running = false;
    m_timeout.stop();
    if (m_flow) {
        // No redirect is taken after the end; the listener's port is given back.
        disconnect(m_flow, nullptr, this, nullptr);
        if (auto* listener = qobject_cast<QOAuthHttpServerReplyHandler*>(m_flow->replyHandler()))
            listener->close();
    }
    Q_EMIT finished(result);
}

OAuthResult signInAndWait(const OAuthProvider& provider, BrowserOpener& browser, const QString& loginHint,
                          int timeoutSeconds)
{
    OAuthSignIn signIn(provider);
    signIn.setLoginHint(loginHint);
    std::optional<OAuthResult> result;
    QEventLoop loop;
    QObject::connect(&signIn, &OAuthSignIn::finished, &loop, [&](const OAuthResult& outcome) {
        result = outcome;
        loop.quit();
    });
    signIn.start(browser, timeoutSeconds);
    if (!result)
        loop.exec();
    return *result;
}

OAuthResult refreshAccessToken(const OAuthProvider& provider, const QString& refreshToken, int timeoutSeconds,
                               const GiveUp& giveUp)
{
    if (!providerProblem(provider).isEmpty())
        return invalidProvider(provider);
    QNetworkAccessManager network;
    QOAuth2AuthorizationCodeFlow flow(&network);
    configure(flow, provider);
    auto* handler = new QOAuthOobReplyHandler(&flow);
    flow.setReplyHandler(handler);
    flow.setRefreshToken(refreshToken);
    flow.setModifyParametersFunction([](Stage stage, Parameters* parameters) {
        if (stage == Stage::RefreshingAccessToken)
            trimRefreshParameters(parameters);
    });
    std::optional<OAuthResult> result;
    QEventLoop loop;
    const auto end = [&](const OAuthResult& outcome) {
        if (!result)
            result = outcome;
        loop.quit();
    };
    QObject::connect(&network, &QNetworkAccessManager::finished, &loop, [&](QNetworkReply* reply) {
        if (std::optional<OAuthResult> failure = tokenReplyFailure(reply, provider.tokenUrl))
            end(*failure);
    });
    QObject::connect(handler, &QAbstractOAuthReplyHandler::tokensReceived, &loop, [&](const QVariantMap& tokens) {
        if (std::optional<OAuthResult> failure = tokenBodyFailure(tokens))
            end(*failure);
    });
    QObject::connect(&flow, &QAbstractOAuth::granted, &loop, [&] { end(grantedResult(flow)); });
    QTimer::singleShot(std::chrono::seconds(timeoutSeconds), &loop, [&] {
        OAuthResult timedOut;
        timedOut.outcome = OAuthOutcome::NetworkFailure;
        timedOut.detail = QStringLiteral("timeout");
        end(timedOut);
    });
    QTimer givingUp;
    if (giveUp) {
        QObject::connect(&givingUp, &QTimer::timeout, &loop, [&] {
            if (!giveUp())
                return;
            OAuthResult given;
            given.outcome = OAuthOutcome::NetworkFailure;
            given.detail = QStringLiteral("given up");
            end(given);
        });
        givingUp.start(100);
    }
    flow.refreshAccessToken();
    if (!result)
        loop.exec();
    return *result;
}

} // namespace fumibako::platform::auth
