#pragma once

#include "platform/mail/CurlSupport.h"

#include <QByteArray>

#include <functional>

namespace fumibako::platform::mail::net {

/**
 * @short A connection that libcurl opens, secures and logs in, on which the protocol code then
 * speaks itself.
 *
 * libcurl does what it does well: the connection, implicit TLS or STLS/STARTTLS with its
 * certificate checks, proxies and the login (USER/PASS, APOP, SASL), as configured on handle(),
 * and stops after the login (CURLOPT_CONNECT_ONLY). The commands after that go out through
 * curl_easy_send and their replies come in through curl_easy_recv, so a client may write many
 * commands before it reads their replies (libcurl would wait for each).
 *
 * Every wait gives up after the silence timeout (silenceTimeoutSeconds) and asks the stop check
 * about five times a second. While a write waits for room, what the server sends meanwhile is
 * read into the buffer, so client and server can never both wait for the other to read.
 */
class ServerConnection {
public:
    enum class Failure {
        None,
        Closed,  ///< the server closed the connection
        Timeout, ///< the server was silent for the silence timeout
        Stopped, ///< the stop check said so
        Io,      ///< sending or receiving failed (ioCode() says how)
    };

    ServerConnection() = default;
    ServerConnection(const ServerConnection&) = delete;
    ServerConnection& operator=(const ServerConnection&) = delete;

    CURL* handle() const { return m_curl.get(); }
    CurlEasy& curl() { return m_curl; }
    const CurlEasy& curl() const { return m_curl; }

    /** Connects, secures and logs in at @p url as handle() is configured. */
    CURLcode open(const QByteArray& url);
    /** True once open() succeeded and until the connection failed or was dropped. */
    bool isOpen() const { return m_open; }

    /** Asked while a wait goes on; returning true stops it with Failure::Stopped. */
    void setStopCheck(std::function<bool()> check) { m_stopCheck = std::move(check); }

    /** Writes all of @p bytes. */
    bool write(const QByteArray& bytes) { return write(bytes.constData(), bytes.size()); }
    bool write(const char* data, qsizetype size);
    /** Waits until more bytes are buffered. */
    bool receiveMore();

    /** The bytes received and not consumed yet. */
    const char* data() const { return m_buffer.constData() + m_start; }
    qsizetype available() const { return m_buffer.size() - m_start; }
    void consume(qsizetype count);

    /** Ends the connection at once, without a word to the server (no QUIT: nothing is committed). */
    void drop();

    Failure failure() const { return m_failure; }
    /** The libcurl code for the failure: CURLE_GOT_NOTHING (closed), CURLE_OPERATION_TIMEDOUT ... */
    CURLcode failureCode() const;

private:
    bool wait(short events);
    bool receiveInto();
    bool fail(Failure failure, CURLcode code = CURLE_OK);

    CurlEasy m_curl;
    curl_socket_t m_socket = CURL_SOCKET_BAD;
    bool m_open = false;
    QByteArray m_buffer;
    qsizetype m_start = 0;
    std::function<bool()> m_stopCheck;
    Failure m_failure = Failure::None;
    CURLcode m_ioCode = CURLE_OK;
};

} // namespace fumibako::platform::mail::net
