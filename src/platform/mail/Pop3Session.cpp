#include "platform/mail/Pop3Session.h"

#include "platform/mail/CurlFailure.h"

#include "platform/mail/MailFileWriter.h"

#include <QElapsedTimer>

#include <climits>

namespace fumibako::platform::mail {

namespace {

constexpr qint64 ReportEveryBytes = 64 * 1024;
constexpr qint64 ReportEveryMs = 500;

} // namespace

// State of one RETR, shared with the libcurl callbacks.
struct Pop3Session::Retrieval {
    MailFileWriter* writer = nullptr;
    const ProgressCallback* progress = nullptr;
    int number = 0;
    qint64 reportedBytes = 0;
    QElapsedTimer sinceReport;
    bool stop = false;
    bool writeFailed = false;

    // Returns false when the caller answered "stop".
    bool report()
    {
        reportedBytes = writer->size();
        sinceReport.restart();
        if (!*progress)
            return true;
        if ((*progress)(number, int(std::min<qint64>(reportedBytes, INT_MAX))) != 0)
            stop = true;
        return !stop;
    }
};

Pop3Session::Pop3Session(const net::ServerAddress& address, const net::Credentials& credentials)
    : m_address(net::addressForLogin(address, credentials))
{
    CURL* handle = m_curl.get();
    if (!handle)
        return;
    net::configureConnection(handle, m_address, m_transcript);
    net::Credentials login = credentials;
    if (login.usesBearer()) {
        m_bearerMechanism = login.bearerMechanism;
    } else if (login.password.startsWith(QLatin1String("a "))) {
        login.password = login.password.mid(2);
        curl_easy_setopt(handle, CURLOPT_LOGIN_OPTIONS, "AUTH=+APOP");
    }
    net::setLogin(handle, login);
}

bool Pop3Session::perform(const QByteArray& path, const QByteArray& request, bool noBody, QByteArray* body)
{
    CURL* handle = m_curl.get();
    if (!handle) {
        m_failure = QStringLiteral("POP3 failure: cannot start libcurl");
        return false;
    }
    m_curl.clearError();
    m_transcript.clearError();
    curl_easy_setopt(handle, CURLOPT_URL, (m_address.url() + "/" + path).constData());
    curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, request.isEmpty() ? nullptr : request.constData());
    // Single-line commands must not wait for a multi-line body that never comes.
    curl_easy_setopt(handle, CURLOPT_NOBODY, noBody ? 1L : 0L);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &Pop3Session::collectBody);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, body);
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 1L);
    return finish(curl_easy_perform(handle));
}

bool Pop3Session::finish(CURLcode code)
{
    if (code == CURLE_OK)
        return true;
    m_failure = describeFailure(code);
    if (code == CURLE_LOGIN_DENIED && !m_bearerMechanism.isEmpty() && m_transcript.offers(m_bearerMechanism) == false) {
        // Not a refusal of the token: the server has no way to take it.
        m_offersOAuthBearerInstead = m_transcript.offers("OAUTHBEARER") == true;
        m_failure = net::bearerNotOfferedText(m_address);
    } else {
        m_loginRefused = code == CURLE_LOGIN_DENIED;
    }
    // Only an -ERR reply ends the login with QUIT; every other failure drops the line.
    m_connectionLost = m_transcript.errorReply().isEmpty() || m_transcript.tlsUpgradeRefused();
    m_quitAfterError = m_quitAfterError || !m_connectionLost;
    return false;
}

QString Pop3Session::describeFailure(CURLcode code) const
{
    const net::CurlFailure failure = net::readFailure(m_curl, code, m_address, net::silenceTimeoutSeconds());
    if (m_transcript.tlsUpgradeRefused())
        return net::tlsRefusedText(QString::fromUtf8(m_transcript.lastLine()));
    if (code == CURLE_USE_SSL_FAILED)
        return net::clearLoginRefusedText(m_address);
    if (net::isConnectFailure(code) || net::isTlsFailure(code) || (code == CURLE_OPERATION_TIMEDOUT && !failure.connected))
        return net::describeFailure(failure).text();
    if (!m_transcript.errorReply().isEmpty())
        return QStringLiteral("POP3 error ") + m_transcript.errorReply();
    if (code == CURLE_LOGIN_DENIED)
        return QStringLiteral("POP3 error -ERR ") + failure.curlText;
    return net::describeFailure(failure).text();
}

size_t Pop3Session::collectBody(char* data, size_t size, size_t count, void* target)
{
    if (target)
        static_cast<QByteArray*>(target)->append(data, qsizetype(size * count));
    return size * count;
}

bool Pop3Session::checkConnection(int retrievedNumber)
{
    // After a complete RETR the connection is still open, so a NOOP needs no new connection.
    long newConnections = 0;
    if (perform({}, "NOOP", true, nullptr))
        curl_easy_getinfo(m_curl.get(), CURLINFO_NUM_CONNECTS, &newConnections);
    else
        newConnections = 1;
    if (newConnections == 0)
        return true;
    m_failure = QStringLiteral("POP3 failure: the connection ended in the middle of message %1").arg(retrievedNumber);
    m_connectionLost = true;
    return false;
}

bool Pop3Session::stat(int* count, qint64* bytes)
{
    if (!perform({}, "STAT", true, nullptr))
        return false;
    // "+OK count size" is the last line the header callback saw.
    const QList<QByteArray> parts = m_transcript.lastLine().simplified().split(' ');
    bool countOk = false;
    bool sizeOk = false;
    if (parts.size() >= 3 && parts.at(0) == "+OK") {
        *count = parts.at(1).toInt(&countOk);
        *bytes = parts.at(2).toLongLong(&sizeOk);
    }
    if (countOk && sizeOk && *count >= 0)
        return true;
    m_failure = QStringLiteral("POP3 failure: unexpected STAT reply: ") + QString::fromUtf8(m_transcript.lastLine());
    return false;
}

bool Pop3Session::top(int number, QByteArray* header)
{
    header->clear();
    return perform({}, "TOP " + QByteArray::number(number) + " 0", false, header);
}

bool Pop3Session::uidl(QHash<int, QByteArray>* uids)
{
    QByteArray listing;
    if (!perform({}, "UIDL", false, &listing))
        return false;
    for (const QByteArray& line : listing.split('\n')) {
        const QList<QByteArray> parts = line.simplified().split(' ');
        bool ok = false;
        const int number = parts.value(0).toInt(&ok);
        if (ok && parts.size() >= 2)
            uids->insert(number, parts.at(1));
    }
    return true;
}

bool Pop3Session::sizes(QHash<int, qint64>* bytes)
{
    QByteArray listing;
    if (!perform({}, "LIST", false, &listing))
        return false;
    for (const QByteArray& line : listing.split('\n')) {
        const QList<QByteArray> parts = line.simplified().split(' ');
        bool numberOk = false;
        bool sizeOk = false;
        const int number = parts.value(0).toInt(&numberOk);
        const qint64 size = parts.value(1).toLongLong(&sizeOk);
        if (numberOk && sizeOk)
            bytes->insert(number, size);
    }
    return true;
}

bool Pop3Session::dele(int number)
{
    return perform({}, "DELE " + QByteArray::number(number), true, nullptr);
}

size_t Pop3Session::writeRetrieved(char* data, size_t size, size_t count, void* retrieval)
{
    auto* state = static_cast<Retrieval*>(retrieval);
    if (!state->writer->write(data, size * count)) {
        state->writeFailed = true;
        return 0;
    }
    if (state->writer->size() - state->reportedBytes >= ReportEveryBytes && !state->report())
        return 0;
    return size * count;
}

int Pop3Session::onTransferInfo(void* retrieval, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    // Also runs about once a second while the server is silent, so a stop answer gets through.
    auto* state = static_cast<Retrieval*>(retrieval);
    if (state->stop)
        return 1;
    if (state->sinceReport.elapsed() >= ReportEveryMs && !state->report())
        return 1;
    return 0;
}

bool Pop3Session::retrieve(int number, MailFileWriter& writer, const ProgressCallback& progress)
{
    CURL* handle = m_curl.get();
    Retrieval state;
    state.writer = &writer;
    state.progress = &progress;
    state.number = number;
    state.sinceReport.start();
    m_curl.clearError();
    m_transcript.clearError();
    curl_easy_setopt(handle, CURLOPT_URL, (m_address.url() + "/" + QByteArray::number(number)).constData());
    curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, nullptr);
    curl_easy_setopt(handle, CURLOPT_NOBODY, 0L);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &Pop3Session::writeRetrieved);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &state);
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &Pop3Session::onTransferInfo);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &state);
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    const bool ok = finish(curl_easy_perform(handle));
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 1L);
    long newConnections = 1;
    curl_easy_getinfo(handle, CURLINFO_NUM_CONNECTS, &newConnections);
    m_reusedConnection = newConnections == 0;
    m_stopRequested = state.stop;
    if (state.writeFailed)
        m_failure = writer.errorText();
    return ok;
}

} // namespace fumibako::platform::mail
