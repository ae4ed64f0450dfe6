#pragma once

#include "platform/auth/OAuthProvider.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>

class QNetworkAccessManager;
class QNetworkReply;
class QOAuth2AuthorizationCodeFlow;

/**
 * Signing in (the authorization code flow for native programs, RFC 8252: the system browser, a
 * redirect to a listener on 127.0.0.1, state checked, PKCE with S256 after RFC 7636) and
 * refreshing access tokens, on Qt Network Authorization.
 */
namespace fumibako::platform::auth {

/** What a sign-in or a refresh obtained. A token is a secret: it is never logged or shown. */
struct OAuthTokens {
    QString accessToken;
    QString refreshToken; ///< a refresh may hand out a new one (rotation) or none (the old one stays valid)
    QDateTime expiresAt;  ///< invalid when the server named no lifetime
};

enum class OAuthOutcome {
    Granted,
    Denied,         ///< the authorization server answered the redirect with an error (access_denied, …)
    StateMismatch,  ///< a redirect whose state is not the one sent: not ours, refused
    TokenRefused,   ///< the token endpoint refused the code or the refresh token (invalid_grant, …)
    NetworkFailure, ///< no answer, or one that could not be read
    TimedOut,       ///< nobody came back from the browser in time
    Cancelled,
    InvalidProvider, ///< the provider cannot be used (providerProblem)
};

struct OAuthResult {
    OAuthOutcome outcome = OAuthOutcome::NetworkFailure;
    OAuthTokens tokens;
    QString error;  ///< the server's error code ("access_denied", "invalid_grant"), when it gave one
    QString detail; ///< its description, or the network's error text

    bool granted() const { return outcome == OAuthOutcome::Granted; }
};

/** What went wrong, in Japanese, for a message box ("" for a granted result). */
QString describeOAuthFailure(const OAuthResult& result);

/** A code verifier of RFC 7636: 64 characters from its unreserved set, from the system's random source. */
QString makeCodeVerifier();
/** Its S256 challenge: BASE64URL(SHA-256(verifier)), without padding. */
QString codeChallenge(const QString& verifier);

class BrowserOpener;

/**
 * @short One sign-in: listens on 127.0.0.1 at a free port, sends the browser to the provider, takes
 * the redirect (its state checked), and exchanges the code (with the PKCE verifier) for tokens.
 *
 * Lives on a thread with an event loop; finished() comes once, also after cancel() or the timeout.
 */
class OAuthSignIn : public QObject {
    Q_OBJECT

public:
    explicit OAuthSignIn(const OAuthProvider& provider, QObject* parent = nullptr);
    ~OAuthSignIn() override;

    /** The account's address, handed to the provider so that it offers that account first. */
    void setLoginHint(const QString& address) { m_loginHint = address; }

    /** Starts; waits @p timeoutSeconds for the browser to come back. */
    void start(BrowserOpener& browser, int timeoutSeconds = 300);
    void cancel();
    bool isRunning() const { return m_running; }
    /** The address the browser was sent to (empty before start). */
    QUrl authorizationAddress() const { return m_address; }

Q_SIGNALS:
    void finished(const fumibako::platform::auth::OAuthResult& result);

private:
    void onCallback(const QVariantMap& data);
    void onReplyFinished(QNetworkReply* reply);
    void finish(OAuthResult result);

    OAuthProvider m_provider;
    QString m_loginHint;
    QString m_verifier;
    QUrl m_address;
    QNetworkAccessManager* m_network = nullptr;
    QOAuth2AuthorizationCodeFlow* m_flow = nullptr;
    QTimer m_timeout;
    bool m_running = false;
};

/** A sign-in, waiting in a local event loop until it ended (the tool, tests). */
OAuthResult signInAndWait(const OAuthProvider& provider, BrowserOpener& browser, const QString& loginHint,
                          int timeoutSeconds = 300);

/** Asked now and then during a wait: true gives it up (its caller is going away). */
using GiveUp = std::function<bool()>;

/**
 * A new access token for @p refreshToken, waiting in a local event loop (at most
 * @p timeoutSeconds, less when @p giveUp says so: a network failure then). TokenRefused when the
 * provider no longer accepts the refresh token (revoked, expired): then only a new sign-in helps.
 */
OAuthResult refreshAccessToken(const OAuthProvider& provider, const QString& refreshToken, int timeoutSeconds = 60,
                               const GiveUp& giveUp = {});

} // namespace fumibako::platform::auth
