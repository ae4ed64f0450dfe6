#include "platform/mail/ServerConnection.h"

#include <QElapsedTimer>

#include <poll.h>
#include <sys/socket.h>

namespace fumibako::platform::mail::net {

namespace {

constexpr qsizetype ReceiveBytes = 256 * 1024;
constexpr int StopCheckMs = 200;

} // namespace

CURLcode ServerConnection::open(const QByteArray& url)
{
    CURL* curl = handle();
    if (!curl)
        return CURLE_FAILED_INIT;
    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_CONNECT_ONLY, 1L);
    const CURLcode code = curl_easy_perform(curl);
    if (code != CURLE_OK)
        return code;
    if (curl_easy_getinfo(curl, CURLINFO_ACTIVESOCKET, &m_socket) != CURLE_OK || m_socket == CURL_SOCKET_BAD)
        return CURLE_COULDNT_CONNECT;
    m_open = true;
    return CURLE_OK;
}

bool ServerConnection::fail(Failure failure, CURLcode code)
{
    if (m_failure == Failure::None) {
        m_failure = failure;
        m_ioCode = code;
    }
    drop();
    return false;
}

CURLcode ServerConnection::failureCode() const
{
    switch (m_failure) {
    case Failure::None:
        return CURLE_OK;
    case Failure::Closed:
        return CURLE_GOT_NOTHING;
    case Failure::Timeout:
        return CURLE_OPERATION_TIMEDOUT;
    case Failure::Stopped:
        return CURLE_ABORTED_BY_CALLBACK;
    case Failure::Io:
        return m_ioCode;
    }
    return m_ioCode;
}

void ServerConnection::drop()
{
    if (!m_open)
        return;
    m_open = false;
    // libcurl still holds the connection and would say QUIT on it when the handle goes: after
    // this, that finds the line closed.
    ::shutdown(m_socket, SHUT_RDWR);
}

bool ServerConnection::wait(short events)
{
    QElapsedTimer silence;
    silence.start();
    const qint64 limitMs = silenceTimeoutSeconds() * 1000;
    for (;;) {
        if (m_stopCheck && m_stopCheck())
            return fail(Failure::Stopped);
        pollfd target{m_socket, events, 0};
        const int ready = ::poll(&target, 1, StopCheckMs);
        if (ready > 0)
            return true;
        if (ready < 0 && errno != EINTR)
            return fail(Failure::Io, CURLE_RECV_ERROR);
        if (silence.elapsed() >= limitMs)
            return fail(Failure::Timeout);
    }
}

bool ServerConnection::receiveInto()
{
    if (m_start > 0 && (m_start == m_buffer.size() || m_start >= ReceiveBytes)) {
        m_buffer.remove(0, m_start);
        m_start = 0;
    }
    const qsizetype used = m_buffer.size();
    m_buffer.resize(used + ReceiveBytes);
    size_t received = 0;
    const CURLcode code = curl_easy_recv(handle(), m_buffer.data() + used, size_t(ReceiveBytes), &received);
    m_buffer.resize(used + qsizetype(code == CURLE_OK ? received : 0));
    if (code == CURLE_AGAIN)
        return true;
    if (code != CURLE_OK)
        return fail(Failure::Io, code);
    if (received == 0)
        return fail(Failure::Closed);
    return true;
}

bool ServerConnection::receiveMore()
{
    if (!m_open)
        return false;
    const qsizetype before = available();
    // TLS may hold decrypted bytes the socket no longer signals: ask libcurl before waiting.
    for (;;) {
        if (!receiveInto())
            return false;
        if (available() > before)
            return true;
        if (!wait(POLLIN))
            return false;
    }
}

bool ServerConnection::write(const char* data, qsizetype size)
{
    while (size > 0) {
        if (!m_open)
            return false;
        size_t sent = 0;
        const CURLcode code = curl_easy_send(handle(), data, size_t(size), &sent);
        if (code == CURLE_OK && sent > 0) {
            data += sent;
            size -= qsizetype(sent);
            continue;
        }
        if (code != CURLE_OK && code != CURLE_AGAIN)
            return fail(Failure::Io, code);
        if (!wait(POLLOUT | POLLIN))
            return false;
        // Replies waiting to be read may be what keeps the server from reading on.
        pollfd readable{m_socket, POLLIN, 0};
        if (::poll(&readable, 1, 0) > 0 && !receiveInto())
            return false;
    }
    return true;
}

void ServerConnection::consume(qsizetype count)
{
    m_start += count;
    if (m_start >= m_buffer.size()) {
        m_buffer.resize(0); // keeps its room for the next reply
        m_start = 0;
    }
}

} // namespace fumibako::platform::mail::net
