#include "platform/mail/Pop3Session.h"

#include "platform/CrashPoint.h"
#include "platform/mail/MailFileWriter.h"

#include <QElapsedTimer>

#include <climits>

namespace fumibako::platform::mail {

namespace {

constexpr qint64 ReportEveryBytes = 64 * 1024;
constexpr qint64 ReportEveryMs = 500;

// The window of a pipelined batch: commands on their way, and the bytes their replies are
// expected to bring. The bytes keep a stopped or failed batch from leaving much on the line;
// the count keeps the commands of a batch of small replies within one write or two.
constexpr qsizetype MaxCommandsInFlight = 1000;
constexpr qint64 MaxReplyBytesInFlight = 4 * 1024 * 1024;
// What a reply whose size is not known counts for.
constexpr qint64 UnknownReplyBytes = 64 * 1024;
// A status line longer than this is no POP3 server's.
constexpr qsizetype MaxStatusLine = 64 * 1024;
// A listing or a header longer than this is no POP3 server's either.
constexpr qsizetype MaxCollectedReply = 256 * 1024 * 1024;

// Collects the body of a reply into @p target, up to MaxCollectedReply.
pop3::MultiLineDecoder::Sink collectInto(QByteArray* target)
{
    return [target](const char* data, qsizetype size) {
        if (!target)
            return true;
        if (target->size() + size > MaxCollectedReply)
            return false;
        target->append(data, size);
        return true;
    };
}

QByteArray command(const char* verb, int number)
{
    return QByteArray(verb) + ' ' + QByteArray::number(number);
}

} // namespace

// What a batch does with its replies, in the order of its requests.
struct Pop3Session::Replies {
    /** Where the body of request i goes, when its status line is +OK. */
    std::function<pop3::MultiLineDecoder::Sink(qsizetype i)> body;
    /** Once the whole reply of request i is in. False ends the batch (the connection is dropped). */
    std::function<bool(qsizetype i, const pop3::Status& status)> done;
    /** Once the first commands are on their way, before any reply is read. */
    std::function<void()> sent;
};

// State of a batch of RETR: the file of the message coming in and the progress reports.
struct Pop3Session::Retrieval {
    const QList<int>& numbers;
    const QString& folder;
    const ProgressCallback& progress;
    const Retrieved& retrieved;
    std::unique_ptr<MailFileWriter> writer;
    int number = 0; // the message being received, or waited for
    qint64 reportedBytes = 0;
    QElapsedTimer sinceReport;
    bool stop = false;
    bool writeFailed = false;

    // Returns false when the caller answered "stop".
    bool report()
    {
        reportedBytes = writer ? writer->size() : 0;
        sinceReport.restart();
        if (!progress)
            return true;
        if (progress(number, int(std::min<qint64>(reportedBytes, INT_MAX))) != 0)
            stop = true;
        return !stop;
    }

    bool write(const char* data, qsizetype size)
    {
        if (!writer->write(data, size_t(size))) {
            writeFailed = true;
            return false;
        }
        return writer->size() - reportedBytes < ReportEveryBytes || report();
    }

    // The +OK of message i came: its lines go into a new file.
    pop3::MultiLineDecoder::Sink start(qsizetype i)
    {
        writer = std::make_unique<MailFileWriter>(folder);
        number = numbers[i];
        reportedBytes = 0;
        if (!writer->open()) {
            writeFailed = true;
            return [](const char*, qsizetype) { return false; };
        }
        return [this](const char* data, qsizetype size) { return write(data, size); };
    }

    // Message i is complete (or refused): false ends the batch.
    bool end(qsizetype i, bool received)
    {
        number = numbers.value(i + 1); // the message the silence is about from now on
        reportedBytes = 0;
        if (!received)
            return true; // it stays on the server; the others go on
        crashPoint("retrieved", int(i) + 1);
        // Every saved message gets at least one report with its full size.
        const qint64 size = writer->size();
        if (progress && progress(numbers[i], int(std::min<qint64>(size, INT_MAX))) != 0)
            stop = true;
        return retrieved(numbers[i], std::move(writer)) && !stop;
    }
};

Pop3Session::Pop3Session(const net::ServerAddress& address, const net::Credentials& credentials)
    : m_address(net::addressForLogin(address, credentials)), m_credentials(credentials)
{
    CURL* handle = m_connection.handle();
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

Pop3Session::~Pop3Session()
{
    quit();
}

bool Pop3Session::open()
{
    if (m_opened)
        return m_connection.isOpen();
    m_opened = true;
    if (!m_connection.handle()) {
        m_failure = QStringLiteral("POP3 failure: cannot start libcurl");
        m_connectionLost = true;
        return false;
    }
    if (!finish(m_connection.open(m_address.url() + "/")))
        return false;
    // What libcurl's CAPA before the login found; the CAPA after it has the last word.
    m_pipelining = m_transcript.offersCapability("PIPELINING");
    m_connection.curl().clearError();
    return true;
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
    m_connectionLost = true; // libcurl ends a login that failed
    return false;
}

QString Pop3Session::describeFailure(CURLcode code) const
{
    const QString curlText = m_curl.errorText().isEmpty() ? QString::fromUtf8(curl_easy_strerror(code))
                                                          : m_curl.errorText();
    curl_off_t connectTime = 0;
    curl_easy_getinfo(m_curl.get(), CURLINFO_CONNECT_TIME_T, &connectTime);
    if (m_transcript.tlsUpgradeRefused())
        return net::tlsRefusedText(QString::fromUtf8(m_transcript.lastLine()));
    if (code == CURLE_USE_SSL_FAILED)
        return net::clearLoginRefusedText(m_address);
    if (net::isConnectFailure(code) || (code == CURLE_OPERATION_TIMEDOUT && connectTime == 0))
        return QStringLiteral("Cant connect Server (%1)").arg(curlText);
    if (net::isTlsFailure(code))
        return net::tlsErrorText(curlText);
    if (!m_transcript.errorReply().isEmpty())
        return QStringLiteral("POP3 error ") + m_transcript.errorReply();
    if (code == CURLE_LOGIN_DENIED)
        return QStringLiteral("POP3 error -ERR ") + curlText;
    if (code == CURLE_OPERATION_TIMEDOUT)
        return net::timeoutErrorText(curlText);
    return QStringLiteral("POP3 failure: ") + curlText;
}

bool Pop3Session::connectionFailed()
{
    m_connectionLost = true;
    m_connection.drop();
    m_stopRequested = m_stopRequested || m_connection.failure() == net::ServerConnection::Failure::Stopped;
    // What ended the login says more than a message refused before it.
    if (!m_stopRequested) {
        m_transcript.clearError();
        m_failure = describeFailure(m_connection.failureCode());
    }
    return false;
}

void Pop3Session::noteRefusal()
{
    // The transcript holds the -ERR line as the error reply of its command.
    if (m_failure.isEmpty())
        m_failure = describeFailure(CURLE_WEIRD_SERVER_REPLY);
}

std::optional<pop3::Status> Pop3Session::readStatus()
{
    for (;;) {
        const QByteArrayView buffered(m_connection.data(), m_connection.available());
        const qsizetype end = buffered.indexOf('\n');
        if (end >= 0) {
            const QByteArray line = buffered.first(end + 1).toByteArray();
            m_connection.consume(end + 1);
            m_transcript.replyReceived(line);
            std::optional<pop3::Status> status = pop3::parseStatus(line);
            if (!status) {
                m_failure = QStringLiteral("POP3 failure: unexpected reply: ") + QString::fromUtf8(line.trimmed().left(200));
                m_connectionLost = true;
                m_connection.drop();
            }
            return status;
        }
        if (buffered.size() > MaxStatusLine) {
            m_failure = QStringLiteral("POP3 failure: a reply line without an end");
            m_connectionLost = true;
            m_connection.drop();
            return std::nullopt;
        }
        if (!m_connection.receiveMore()) {
            connectionFailed();
            return std::nullopt;
        }
    }
}

bool Pop3Session::readBody(const pop3::MultiLineDecoder::Sink& sink)
{
    pop3::MultiLineDecoder decoder;
    for (;;) {
        if (m_connection.available() > 0) {
            const qsizetype used = decoder.feed(m_connection.data(), m_connection.available(), sink);
            if (used < 0) {
                m_connectionLost = true;
                m_connection.drop();
                return false;
            }
            m_connection.consume(used);
            if (decoder.finished())
                return true;
        }
        if (!m_connection.receiveMore())
            return connectionFailed();
    }
}

bool Pop3Session::exchange(const QList<Request>& requests, const Replies& replies)
{
    if (!open())
        return false;
    const qsizetype window = m_pipelining ? MaxCommandsInFlight : 1;
    qsizetype sent = 0;
    qint64 bytesInFlight = 0;
    for (qsizetype answered = 0; answered < requests.size(); ++answered) {
        QByteArray commands;
        while (sent < requests.size() && sent - answered < window
               && (sent == answered || bytesInFlight + requests[sent].replyBytes <= MaxReplyBytesInFlight)) {
            commands += requests[sent].command + "\r\n";
            bytesInFlight += requests[sent].replyBytes;
            ++sent;
        }
        if (!commands.isEmpty() && !m_connection.write(commands))
            return connectionFailed();
        if (answered == 0 && replies.sent)
            replies.sent();
        const Request& request = requests[answered];
        // The transcript follows the exchange reply by reply, as if it were lock-step.
        m_transcript.clearError();
        m_transcript.commandSent(request.command);
        const std::optional<pop3::Status> status = readStatus();
        if (!status)
            return false;
        if (status->ok && request.multiLine && !readBody(replies.body ? replies.body(answered) : collectInto(nullptr)))
            return false;
        bytesInFlight -= request.replyBytes;
        if (replies.done && !replies.done(answered, *status)) {
            m_connectionLost = true;
            m_connection.drop();
            return false;
        }
    }
    return true;
}

bool Pop3Session::takeStat(const pop3::Status& status, Pop3Mailbox* mailbox)
{
    const std::optional<pop3::MailboxSize> size = status.ok ? pop3::parseStat(status.text) : std::nullopt;
    if (size) {
        mailbox->count = size->count;
        mailbox->bytes = size->bytes;
    } else if (status.ok) {
        m_failure = QStringLiteral("POP3 failure: unexpected STAT reply: +OK ") + QString::fromUtf8(status.text);
    } else {
        noteRefusal();
    }
    return size.has_value();
}

bool Pop3Session::logIn(const Listings& wanted, Pop3Mailbox* mailbox)
{
    if (!open())
        return false;
    QList<Request> requests;
    QByteArray capabilities;
    if (m_pipelining)
        requests.append({"CAPA", true, UnknownReplyBytes});
    requests.append({"STAT", false, 0});
    if (wanted.ids)
        requests.append({"UIDL", true, UnknownReplyBytes});
    if (wanted.sizes || (wanted.windowSizes && m_pipelining))
        requests.append({"LIST", true, UnknownReplyBytes});
    QByteArray ids;
    QByteArray sizes;
    bool statOk = false;
    Replies replies;
    replies.body = [&](qsizetype i) {
        const QByteArray& verb = requests[i].command;
        return collectInto(verb == "CAPA" ? &capabilities : verb == "UIDL" ? &ids : &sizes);
    };
    replies.done = [&](qsizetype i, const pop3::Status& status) {
        const QByteArray& verb = requests[i].command;
        if (verb == "STAT")
            statOk = takeStat(status, mailbox);
        else if (verb == "CAPA")
            m_pipelining = status.ok && pop3::offersCapability(capabilities, "PIPELINING");
        return true; // a server without UIDL or LIST refuses them; the login goes on
    };
    if (!exchange(requests, replies) || !statOk)
        return false;
    mailbox->ids = pop3::parseUidlListing(ids);
    mailbox->sizes = pop3::parseSizeListing(sizes);
    return true;
}

bool Pop3Session::headers(const QList<int>& numbers, QList<QByteArray>* headers, QString* refusal)
{
    QList<Request> requests;
    for (int n : numbers)
        requests.append({command("TOP", n) + " 0", true, 8 * 1024});
    headers->clear();
    headers->resize(numbers.size());
    Replies replies;
    replies.body = [&](qsizetype i) { return collectInto(&(*headers)[i]); };
    replies.done = [&](qsizetype, const pop3::Status& status) {
        if (!status.ok && refusal->isEmpty())
            *refusal = describeFailure(CURLE_WEIRD_SERVER_REPLY); // the -ERR, as the transcript has it
        return true;
    };
    return exchange(requests, replies) && refusal->isEmpty();
}

bool Pop3Session::retrieve(const QList<int>& numbers, const QHash<int, qint64>& sizes, const QString& folder,
                           const ProgressCallback& progress, const Retrieved& retrieved)
{
    QList<Request> requests;
    for (int n : numbers)
        requests.append({command("RETR", n), true, sizes.value(n, UnknownReplyBytes)});
    Retrieval state{numbers, folder, progress, retrieved};
    state.number = numbers.value(0);
    state.sinceReport.start();
    // While the line is silent the progress is still asked, so a stop answer gets through.
    m_connection.setStopCheck([&state] { return state.sinceReport.elapsed() >= ReportEveryMs && !state.report(); });
    Replies replies;
    replies.body = [&state](qsizetype i) { return state.start(i); };
    replies.done = [&](qsizetype i, const pop3::Status& status) {
        if (!status.ok)
            noteRefusal();
        return state.end(i, status.ok);
    };
    const bool completed = exchange(requests, replies);
    m_connection.setStopCheck({});
    m_stopRequested = m_stopRequested || state.stop;
    if (state.writeFailed && state.writer)
        m_failure = state.writer->errorText();
    else if (!completed && state.writer && m_connection.failure() == net::ServerConnection::Failure::Closed)
        m_failure = QStringLiteral("POP3 failure: the connection ended in the middle of message %1").arg(state.number);
    if (m_stopRequested)
        m_failure.clear();
    return completed;
}

QList<int> Pop3Session::deleteMessages(const QList<int>& numbers)
{
    QList<Request> requests;
    for (int n : numbers)
        requests.append({command("DELE", n), false, 0});
    QList<int> marked;
    Replies replies;
    replies.done = [&](qsizetype i, const pop3::Status& status) {
        if (status.ok)
            marked.append(numbers[i]);
        else
            noteRefusal(); // a locked message stays; the others go
        return true;
    };
    replies.sent = [] { crashPoint("deleting"); };
    exchange(requests, replies);
    return marked;
}

bool Pop3Session::quit()
{
    if (!m_opened || !m_connection.isOpen() || m_quitSent)
        return false;
    m_quitSent = true;
    m_transcript.clearError();
    m_transcript.commandSent("QUIT");
    if (!m_connection.write("QUIT\r\n"))
        return connectionFailed();
    crashPoint("quit-sent");
    const std::optional<pop3::Status> status = readStatus();
    m_connection.drop(); // the server closes its end now; libcurl finds nothing more to say
    return status && status->ok;
}

} // namespace fumibako::platform::mail
