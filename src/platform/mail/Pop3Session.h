#pragma once

#include "platform/mail/CurlSupport.h"
#include "platform/mail/MailLibrary.h"

#include <QHash>

namespace fumibako::platform::mail {

class MailFileWriter;

/**
 * One POP3 login on one libcurl handle; the commands reuse its connection. Destroying the session
 * sends QUIT, which commits the DELEs of this login. A failed command leaves failureText() set;
 * when the connection was dropped without QUIT (abort, broken line, timeout) connectionLost() is
 * true and the DELEs of this login were not committed. A password beginning with "a " logs in
 * with APOP.
 */
class Pop3Session {
public:
    Pop3Session(const net::ServerAddress& address, const net::Credentials& credentials);

    bool stat(int* count, qint64* bytes);
    bool top(int number, QByteArray* header);
    bool uidl(QHash<int, QByteArray>* uids);
    /** LIST: the size in bytes of every message, by number. */
    bool sizes(QHash<int, qint64>* bytes);
    bool dele(int number);
    /**
     * RETR into @p writer, reporting progress; stopRequested() tells a stop answer from a failure.
     * libcurl takes a connection closed before the terminating "." for the end of the message, so
     * a retrieved message counts as complete only once the connection is known to have outlived
     * it: when the next RETR ran on it (reusedConnection()) or checkConnection() said so.
     */
    bool retrieve(int number, MailFileWriter& writer, const ProgressCallback& progress);
    /** True when the last RETR was sent on the connection of the command before it. */
    bool reusedConnection() const { return m_reusedConnection; }
    /** A NOOP on the open connection: false, with the failure set, when it had been closed. */
    bool checkConnection(int retrievedNumber);

    QString failureText() const { return m_failure; }
    /** The server refused the login: nothing was done in this session. */
    bool loginRefused() const { return m_loginRefused; }
    /**
     * A login with a bearer token failed because the server does not offer its mechanism; true
     * when it offers OAUTHBEARER instead (a new session may try that).
     */
    bool offersOAuthBearerInstead() const { return m_offersOAuthBearerInstead; }
    bool stopRequested() const { return m_stopRequested; }
    bool connectionLost() const { return m_connectionLost; }
    /** True once this login is over: the line dropped, or an -ERR made libcurl send QUIT. */
    bool loginEnded() const { return m_connectionLost || m_quitAfterError; }

private:
    struct Retrieval;
    bool perform(const QByteArray& path, const QByteArray& request, bool noBody, QByteArray* body);
    bool finish(CURLcode code);
    QString describeFailure(CURLcode code) const;
    static size_t collectBody(char* data, size_t size, size_t count, void* target);
    static size_t writeRetrieved(char* data, size_t size, size_t count, void* retrieval);
    static int onTransferInfo(void* retrieval, curl_off_t, curl_off_t, curl_off_t, curl_off_t);

    net::ServerAddress m_address;
    net::Transcript m_transcript;
    net::CurlEasy m_curl;
    QString m_failure;
    bool m_stopRequested = false;
    bool m_connectionLost = false;
    bool m_reusedConnection = false;
    bool m_quitAfterError = false;
    bool m_loginRefused = false;
    bool m_offersOAuthBearerInstead = false;
    QByteArray m_bearerMechanism; // empty for a password login
};

} // namespace fumibako::platform::mail
