#include "platform/mail/CurlFailure.h"
#include "platform/mail/CurlSupport.h"
#include "platform/mail/MailLibrary.h"
#include "platform/mail/SmtpTransport.h"

#include <QFile>
#include <QTemporaryFile>

#include <cctype>
#include <cstring>
#include <memory>
#include <mutex>
#include <utility>

namespace fumibako::platform::mail {

namespace {

// DATA as curl asks for it: from memory, or read piece by piece from the message's spool file.
struct Upload {
    const QByteArray* data = nullptr;
    QFile* spool = nullptr;
    qsizetype position = 0;
};

size_t readUpload(char* buffer, size_t size, size_t count, void* source)
{
    auto* upload = static_cast<Upload*>(source);
    if (upload->spool) {
        const qint64 read = upload->spool->read(buffer, qint64(size * count));
        return read < 0 ? CURL_READFUNC_ABORT : size_t(read);
    }
    const qsizetype left = upload->data->size() - upload->position;
    const qsizetype chunk = std::min<qsizetype>(left, qsizetype(size * count));
    std::memcpy(buffer, upload->data->constData() + upload->position, size_t(chunk));
    upload->position += chunk;
    return size_t(chunk);
}

QByteArray angleAddress(QByteArray address)
{
    address = address.trimmed();
    if (!address.startsWith('<'))
        address = '<' + address + '>';
    return address;
}

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

void setEnvelope(CURL* handle, const ComposedMessage& message, net::CurlList& recipients)
{
    curl_easy_setopt(handle, CURLOPT_MAIL_FROM, angleAddress(message.envelopeFrom).constData());
    for (const QByteArray& recipient : message.envelopeRecipients)
        recipients.append(angleAddress(recipient));
    curl_easy_setopt(handle, CURLOPT_MAIL_RCPT, recipients.get());
    // A refused recipient fails the whole send (no partial delivery): the user fixes the address
    // and sends again without the others receiving the message twice.
    curl_easy_setopt(handle, CURLOPT_MAIL_RCPT_ALLLOWFAILS, 0L);
}

// One SMTP session: the easy handle holds the connection between messages.
struct SmtpConnection {
    net::CurlEasy curl;
    net::Transcript transcript;
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

std::unique_ptr<SmtpConnection> openConnection(const net::ServerAddress& address, const net::Credentials& login,
                                               const QString& key)
{
    auto connection = std::make_unique<SmtpConnection>();
    CURL* handle = connection->curl.get();
    if (!handle)
        return nullptr;
    connection->key = key;
    net::configureConnection(handle, address, connection->transcript);
    curl_easy_setopt(handle, CURLOPT_URL, address.url().constData());
    if (!login.user.isEmpty()) // used only when the server offers AUTH
        net::setLogin(handle, login);
    curl_easy_setopt(handle, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(handle, CURLOPT_READFUNCTION, &readUpload);
    return connection;
}

CURLcode transmit(SmtpConnection& connection, const ComposedMessage& message)
{
    CURL* handle = connection.curl.get();
    connection.curl.clearError();
    connection.transcript.clearError();
    net::CurlList envelopeRecipients;
    setEnvelope(handle, message, envelopeRecipients);
    Upload upload{&message.data, nullptr, 0};
    if (message.spool) {
        // From the start: a second attempt over a new connection sends the message again.
        if (!message.spool->seek(0))
            return CURLE_READ_ERROR;
        upload.spool = message.spool.get();
    }
    curl_easy_setopt(handle, CURLOPT_READDATA, &upload);
    curl_easy_setopt(handle, CURLOPT_INFILESIZE_LARGE, curl_off_t(message.size()));
    const CURLcode code = curl_easy_perform(handle);
    // The list and the upload go with this function; the handle must not keep pointing at them.
    curl_easy_setopt(handle, CURLOPT_MAIL_RCPT, nullptr);
    curl_easy_setopt(handle, CURLOPT_READDATA, nullptr);
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

QString sendMessage(const QString& server, const ComposedMessage& message, const SmtpLogin& login, bool* loginRefused)
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
    const bool reused = connection != nullptr;
    if (!connection)
        connection = openConnection(address, credentials, key);
    if (!connection)
        return QStringLiteral("SMTP failure: cannot start libcurl");
    const qint64 linesBefore = connection->transcript.linesReceived();
    CURLcode code = transmit(*connection, message);
    // A kept connection the server has since closed fails before any reply; the server cannot
    // have taken the message then, so it goes again over a new connection.
    if (code != CURLE_OK && reused && connection->transcript.linesReceived() == linesBefore) {
        connection = openConnection(address, credentials, key);
        if (!connection)
            return QStringLiteral("SMTP failure: cannot start libcurl");
        code = transmit(*connection, message);
    }
    // A bearer token whose mechanism the server lacks was not refused: the server cannot take it.
    const bool mechanismMissing = code == CURLE_LOGIN_DENIED && credentials.usesBearer()
                                  && connection->transcript.offers(credentials.bearerMechanism) == false;
    if (mechanismMissing && connection->transcript.offers("OAUTHBEARER") == true) {
        credentials.bearerMechanism = "OAUTHBEARER";
        connection = openConnection(address, credentials, key);
        if (!connection)
            return QStringLiteral("SMTP failure: cannot start libcurl");
        code = transmit(*connection, message);
    } else if (mechanismMissing) {
        return net::bearerNotOfferedText(address);
    }
    if (code != CURLE_OK) {
        if (loginRefused)
            *loginRefused = code == CURLE_LOGIN_DENIED;
        return describeFailure(code, address, connection->curl, connection->transcript);
    }
    putBackIdle(std::move(connection));
    return {};
}

} // namespace fumibako::platform::mail
