#include "platform/mail/CurlFailure.h"
#include "platform/mail/CurlSupport.h"
#include "platform/mail/MailLibrary.h"
#include "platform/mail/SmtpSession.h"
#include "platform/mail/SmtpTransport.h"

#include <memory>
#include <mutex>
#include <utility>

namespace fumibako::platform::mail {

namespace {

QString describeFailure(CURLcode code, const net::ServerAddress& address, const net::CurlEasy& curl,
                        const net::Transcript& transcript)
{
    const net::CurlFailure failure = net::readFailure(curl, code, address, net::silenceTimeoutSeconds());
    if (transcript.tlsUpgradeRefused())
        return net::tlsRefusedText(transcript.reply().join(QLatin1Char(' ')));
    if (transcript.clearLoginRefused() || code == CURLE_USE_SSL_FAILED)
        return net::clearLoginRefusedText(address);
    if (net::isConnectFailure(code) || net::isTlsFailure(code) || (code == CURLE_OPERATION_TIMEDOUT && !failure.connected))
        return net::describeFailure(failure).text();
    if (!transcript.errorReply().isEmpty()) {
        QString text = QStringLiteral("SMTP error ") + transcript.errorReply();
        if (transcript.errorCommand().startsWith("RCPT"))
            text += QStringLiteral(" (%1)\r\nあて先が受け付けられなかったため、どのあて先にも送信していません")
                        .arg(QString::fromUtf8(transcript.errorCommand()));
        return text;
    }
    return net::describeFailure(failure).text();
}

// One SMTP login, kept between messages.
struct SmtpConnection {
    SmtpConnection(const net::ServerAddress& address, const net::Credentials& login, QString forKey)
        : session(address, login), key(std::move(forKey))
    {
    }
    SmtpSession session;
    QString key; // server and login it was opened for
};

// The connection a reuse scope keeps open between two messages.
struct IdleConnections {
    std::mutex mutex;
    int scopes = 0;
    std::unique_ptr<SmtpConnection> idle;
};

IdleConnections& idleConnections()
{
    static IdleConnections connections;
    return connections;
}

std::unique_ptr<SmtpConnection> takeIdle(const QString& key)
{
    IdleConnections& connections = idleConnections();
    std::unique_ptr<SmtpConnection> connection;
    {
        const std::lock_guard<std::mutex> lock(connections.mutex);
        connection = std::move(connections.idle);
    }
    if (connection && connection->key != key)
        connection.reset(); // another server or login: QUIT and start afresh
    return connection;
}

bool reuseScopeOpen()
{
    IdleConnections& connections = idleConnections();
    const std::lock_guard<std::mutex> lock(connections.mutex);
    return connections.scopes > 0;
}

// Keeps @p connection for the next message while a reuse scope lives; else it ends here.
void putBackIdle(std::unique_ptr<SmtpConnection> connection)
{
    IdleConnections& connections = idleConnections();
    std::unique_ptr<SmtpConnection> ended;
    const std::lock_guard<std::mutex> lock(connections.mutex);
    if (connections.scopes > 0)
        ended = std::exchange(connections.idle, std::move(connection));
    else
        ended = std::move(connection);
}

// A new login: connected, secured and logged in, or with the code of the failure.
std::unique_ptr<SmtpConnection> openConnection(const net::ServerAddress& address, const net::Credentials& login,
                                               const QString& key, CURLcode* code)
{
    auto connection = std::make_unique<SmtpConnection>(address, login, key);
    *code = connection->session.open();
    return connection;
}

// Sends @p message over @p connection, the one kept from the message before, or a new one. A
// kept connection the server has since closed fails before any of the message's content went
// out and without a refusal; the server cannot have taken the message then, so it goes again over
// a new connection.
CURLcode sendOverLogin(std::unique_ptr<SmtpConnection>& connection, const net::ServerAddress& address,
                       const net::Credentials& credentials, const QString& key, const ComposedMessage& message,
                       const std::optional<SmtpEnvelope>& next)
{
    CURLcode code = CURLE_OK;
    const bool reused = connection != nullptr;
    if (!connection)
        connection = openConnection(address, credentials, key, &code);
    if (code == CURLE_OK)
        code = connection->session.send(message, next);
    if (code != CURLE_OK && reused && connection->session.failedBeforeTheMessage()) {
        connection = openConnection(address, credentials, key, &code);
        if (code == CURLE_OK)
            code = connection->session.send(message, next);
    }
    return code;
}

} // namespace

SmtpConnectionReuse::SmtpConnectionReuse()
{
    IdleConnections& connections = idleConnections();
    const std::lock_guard<std::mutex> lock(connections.mutex);
    ++connections.scopes;
}

SmtpConnectionReuse::~SmtpConnectionReuse()
{
    close();
}

void SmtpConnectionReuse::close()
{
    if (!m_open.exchange(false))
        return;
    IdleConnections& connections = idleConnections();
    std::unique_ptr<SmtpConnection> ended; // its handle's cleanup sends QUIT, after the lock is let go
    const std::lock_guard<std::mutex> lock(connections.mutex);
    if (--connections.scopes == 0)
        ended = std::move(connections.idle);
}

bool SmtpConnectionReuse::keepsConnection() const
{
    IdleConnections& connections = idleConnections();
    const std::lock_guard<std::mutex> lock(connections.mutex);
    return m_open && connections.scopes == 1 && connections.idle != nullptr;
}

QString sendMessage(const QString& server, const ComposedMessage& message, const SmtpLogin& login, bool* loginRefused,
                    const std::optional<SmtpEnvelope>& announced)
{
    if (loginRefused)
        *loginRefused = false;
    if (message.envelopeRecipients.isEmpty())
        return QStringLiteral("SMTP failure: no recipient");
    net::Credentials credentials{login.user, login.password, login.bearerToken};
    net::ServerAddress address = net::parseServer(server, net::Protocol::Smtp, login.security);
    // Without a login no password goes out, so an unencrypted session is harmless.
    if (login.user.isEmpty())
        address.refuseClearLogin = false;
    else
        address = net::addressForLogin(address, credentials);
    if (!address.valid)
        return QStringLiteral("Cant connect Server (invalid server name: %1)").arg(server);

    const QString key = QString::fromLatin1(address.url()) + QLatin1Char('\n') + login.user + QLatin1Char('\n') +
                        login.password + QLatin1Char('\n') + login.bearerToken + QLatin1Char('\n') +
                        QString::number(address.upgradeRequired) + QString::number(address.refuseClearLogin);
    std::unique_ptr<SmtpConnection> connection = takeIdle(key);
    // Only a connection kept for the next message can take its commands ahead.
    const std::optional<SmtpEnvelope> next = reuseScopeOpen() ? announced : std::nullopt;
    CURLcode code = sendOverLogin(connection, address, credentials, key, message, next);
    // A bearer token whose mechanism the server lacks was not refused: the server cannot take it.
    const bool mechanismMissing = code == CURLE_LOGIN_DENIED && credentials.usesBearer()
                                  && connection->session.transcript().offers(credentials.bearerMechanism) == false;
    if (mechanismMissing && connection->session.transcript().offers("OAUTHBEARER") == true) {
        credentials.bearerMechanism = "OAUTHBEARER";
        connection.reset();
        code = sendOverLogin(connection, address, credentials, key, message, next);
    } else if (mechanismMissing) {
        return net::bearerNotOfferedText(address);
    }
    if (code != CURLE_OK) {
        if (loginRefused)
            *loginRefused = code == CURLE_LOGIN_DENIED;
        const QString text = describeFailure(code, address, connection->session.curl(), connection->session.transcript());
        // A message the server refused leaves the login usable for the next one.
        if (connection->session.isOpen())
            putBackIdle(std::move(connection));
        return text;
    }
    putBackIdle(std::move(connection));
    return {};
}

} // namespace fumibako::platform::mail
