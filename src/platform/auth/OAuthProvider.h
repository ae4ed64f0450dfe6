#pragma once

#include "platform/mail/MailLibrary.h"

#include <QList>
#include <QString>
#include <QUrl>
#include <QUrlQuery>

/** Sign-in with OAuth 2.0: who issues the tokens, how to reach them, and with which client id. */
namespace fumibako::platform::auth {

/** A server an account of a provider uses, filled in when the provider is chosen. */
struct ServerPreset {
    QString host;
    quint16 port = 0;
    mail::ConnectionSecurity security = mail::ConnectionSecurity::Automatic;
};

/**
 * @short An authorization server that signs users in (RFC 6749), and what its mail servers need.
 *
 * Built in: Google and Microsoft. A data directory's "OAuth2.ini" may override their values or
 * add providers (a section each: AuthorizationUrl, TokenUrl, Scope, ClientId, ClientSecret).
 */
struct OAuthProvider {
    QString name;
    QUrl authorizationUrl;
    QUrl tokenUrl;
    QString scope;           ///< space-separated
    QString clientId;        ///< empty: this build and OAuth2.ini name none
    QString clientSecret;    ///< an installed program's "secret" (Google's); usually empty
    QUrlQuery extraAuthorizationParameters; ///< what the provider needs beyond RFC 6749 (Google: offline access)
    ServerPreset pop3;       ///< host empty: nothing to fill in
    ServerPreset smtp;
};

inline const QString kGoogle = QStringLiteral("Google");
inline const QString kMicrosoft = QStringLiteral("Microsoft");

/** Google and Microsoft with the client ids this build was given (CMake cache variables). */
QList<OAuthProvider> builtInProviders();

/**
 * Whether tokens and codes may go to @p url: https, or http only to this computer (127.0.0.0/8,
 * ::1, localhost), where nothing crosses a network.
 */
bool isAcceptableEndpoint(const QUrl& url);

/**
 * What keeps @p provider from signing anyone in, in Japanese (what is missing and where to put
 * it), or "" when it can be used.
 */
QString providerProblem(const OAuthProvider& provider);

} // namespace fumibako::platform::auth
