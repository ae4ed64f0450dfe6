#pragma once

#include "platform/mail/MailLibrary.h"

#include <QString>

/**
 * Trying a server with settings that were only typed: connect, secure the connection as the
 * account would, log in, and say what happened. Nothing is received or sent. Uses the same
 * connection rules as the transfers (parseServer, configureConnection), so a check that passes
 * means the transfers will get as far.
 */
namespace fumibako::platform::mail {

/** What a check found out, step by step. */
struct ConnectionReport {
    QString server;            ///< "host:port" as tried
    bool validServer = true;   ///< the server text named a host and a port
    bool connected = false;    ///< the TCP connection was made
    QString tlsVersion;        ///< e.g. "TLSv1.3"; empty when the session was not encrypted
    bool certificateTrusted = false;
    QString certificateProblem; ///< why the certificate was not trusted (Japanese), when it was not
    bool tlsRefused = false;    ///< the server offered STLS/STARTTLS but refused it
    bool clearLoginRefused = false; ///< stopped before the login: no encryption and no opt-in
    bool loginTried = false;    ///< a login (or APOP) was sent
    bool loginAccepted = false;
    QString serverReply;        ///< the server's last reply to the login, or its error reply
    bool bearerNotOffered = false;  ///< a sign-in (bearer token): the server offers no mechanism for it
    bool oauthBearerOffered = false; ///< … but it offers OAUTHBEARER (worth a second try)
    QString failure;            ///< what went wrong (in Japanese where a cause is known), when anything did
};

/**
 * POP3: @p server as for RcvMail2 ("host" or "host" TAB "port"); APOP with @p apop.
 * @p shouldStop is asked while the check waits (the dialog closed); a stopped check reports a failure.
 */
ConnectionReport checkPop3Connection(const QString& server, const QString& user, const QString& password, bool apop,
                                     const ServerSecurity& security, const ProgressCallback& shouldStop = {});

/** POP3 with a sign-in: SASL XOAUTH2 (or OAUTHBEARER) with the access token @p bearerToken, over TLS only. */
ConnectionReport checkPop3BearerConnection(const QString& server, const QString& user, const QString& bearerToken,
                                           const ServerSecurity& security, const ProgressCallback& shouldStop = {});

/** SMTP: AUTH with @p login (its password or its bearer token) when the server offers it and a user is given. */
ConnectionReport checkSmtpConnection(const QString& server, const SmtpLogin& login,
                                     const ProgressCallback& shouldStop = {});

/** Whether every step the check took went well (a login not asked for is no failure). */
bool connectionSucceeded(const ConnectionReport& report);

/**
 * The report in Japanese, one line per step, headed by @p serverLabel ("POPサーバー" ...):
 * connected or not, TLS version and certificate (or why not), login accepted or the server's reply.
 */
QString describeConnectionReport(const QString& serverLabel, const ConnectionReport& report);

} // namespace fumibako::platform::mail
