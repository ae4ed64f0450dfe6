#include "platform/mail/SmtpSession.h"

#include <QTemporaryFile>

namespace fumibako::platform::mail {

namespace {

// BDAT sends a message in chunks of this many bytes.
constexpr qint64 ChunkBytes = 1024 * 1024;
// The message goes out in pieces of this many bytes after DATA.
constexpr qint64 DataPieceBytes = 256 * 1024;
// Commands written ahead for the next message are used only this soon: a server waits minutes for
// the content after its 354 (RFC 5321 4.5.3.2), and a walk held up longer (a question to the
// user) starts the message afresh.
constexpr int AheadFreshMs = 30000;
// A reply line longer than this is no SMTP server's.
constexpr qsizetype MaxReplyLine = 64 * 1024;

QByteArray angleAddress(QByteArray address)
{
    address = address.trimmed();
    if (!address.startsWith('<'))
        address = '<' + address + '>';
    return address;
}

} // namespace

// Reads the message piece by piece, from memory or from its spool file.
class SmtpSession::MessageReader {
public:
    explicit MessageReader(const ComposedMessage& message) : m_message(message)
    {
        m_ok = !message.spool || message.spool->seek(0); // a second attempt sends it from the start
    }
    bool ok() const { return m_ok; }
    qint64 left() const { return m_message.size() - m_position; }

    QByteArray next(qint64 bytes)
    {
        bytes = std::min(bytes, left());
        QByteArray piece;
        if (m_message.spool) {
            piece = m_message.spool->read(bytes);
            m_ok = m_ok && piece.size() == bytes;
        } else {
            piece = m_message.data.mid(m_position, bytes);
        }
        m_position += bytes;
        return piece;
    }

private:
    const ComposedMessage& m_message;
    qint64 m_position = 0;
    bool m_ok = true;
};

SmtpSession::SmtpSession(const net::ServerAddress& address, const net::Credentials& login) : m_address(address)
{
    CURL* handle = m_connection.handle();
    if (!handle)
        return;
    net::configureConnection(handle, address, m_transcript);
    if (!login.user.isEmpty()) // used only when the server offers AUTH
        net::setLogin(handle, login);
}

SmtpSession::~SmtpSession()
{
    if (!m_connection.isOpen())
        return;
    if (m_ahead && !settle(*std::exchange(m_ahead, std::nullopt)))
        return;
    if (m_connection.write("QUIT\r\n"))
        readReply();
    m_connection.drop();
}

CURLcode SmtpSession::open()
{
    if (!m_connection.handle())
        return CURLE_FAILED_INIT;
    const CURLcode code = m_connection.open(m_address.url());
    if (code == CURLE_OK)
        m_connection.curl().clearError(); // what it says from now on is about the messages
    return code;
}

bool SmtpSession::lost()
{
    m_connection.drop();
    m_ahead.reset();
    return false;
}

// Reads the answers to commands written ahead for a message that did not follow. A DATA the
// server took leaves it waiting for content that must not come: the connection ends then.
bool SmtpSession::settle(const Ahead& ahead)
{
    for (const Command& command : ahead.commands) {
        const std::optional<smtp::Reply> reply = readReply();
        if (!reply)
            return false;
        if (command.expected == 354 && reply->code == 354)
            return lost();
    }
    m_needsReset = true;
    return true;
}

std::optional<smtp::Reply> SmtpSession::readReply()
{
    smtp::ReplyAssembler assembler;
    for (;;) {
        const QByteArrayView buffered(m_connection.data(), m_connection.available());
        const qsizetype end = buffered.indexOf('\n');
        if (end < 0) {
            if (buffered.size() > MaxReplyLine || !m_connection.receiveMore()) {
                lost();
                return std::nullopt;
            }
            continue;
        }
        const QByteArrayView line = buffered.first(end + 1);
        const smtp::ReplyAssembler::State state = assembler.add(line);
        m_connection.consume(end + 1);
        if (state == smtp::ReplyAssembler::State::Malformed) {
            m_malformedReply = true;
            lost(); // out of step with the server
            return std::nullopt;
        }
        if (state == smtp::ReplyAssembler::State::Complete)
            return assembler.take();
    }
}

bool SmtpSession::checkReply(const Command& command, const smtp::Reply& reply)
{
    const bool yes = command.expected == 354 ? reply.code == 354 : reply.code >= 200 && reply.code < 300;
    if (!m_refused) {
        // The transcript keeps the first refusal of the message, with its command.
        m_transcript.clearError();
        m_transcript.commandSent(command.line);
        for (const QByteArray& line : reply.lines)
            m_transcript.replyReceived(line);
    }
    m_refused = m_refused || !yes;
    return yes;
}

std::optional<SmtpSession::Command> SmtpSession::writeChunk(MessageReader& reader, bool last)
{
    m_contentWritten = true;
    const QByteArray chunk = reader.next(ChunkBytes);
    Command command{"BDAT " + QByteArray::number(chunk.size()) + (last && reader.left() == 0 ? " LAST" : "")};
    if (!reader.ok() || !m_connection.write(command.line + "\r\n") || !m_connection.write(chunk)) {
        lost();
        return std::nullopt;
    }
    return command;
}

bool SmtpSession::writeChunks(const ComposedMessage& message, bool last, QList<Command>* written)
{
    MessageReader reader(message);
    do {
        const std::optional<Command> chunk = writeChunk(reader, last);
        if (!chunk)
            return false;
        written->append(*chunk);
    } while (reader.left() > 0);
    return true;
}

bool SmtpSession::sendChunksOneByOne(const ComposedMessage& message)
{
    MessageReader reader(message);
    do {
        const std::optional<Command> chunk = writeChunk(reader, true);
        if (!chunk || !readReplies({*chunk}))
            return false;
    } while (reader.left() > 0);
    return true;
}

bool SmtpSession::sendDotStuffed(const ComposedMessage& message, const std::optional<SmtpEnvelope>& next)
{
    m_contentWritten = true;
    MessageReader reader(message);
    smtp::DotStuffer stuffer;
    while (reader.left() > 0) {
        const QByteArray piece = stuffer.stuff(reader.next(DataPieceBytes));
        if (!reader.ok() || !m_connection.write(piece))
            return lost();
    }
    QByteArray end = stuffer.end();
    std::optional<Ahead> ahead;
    if (next) {
        ahead = Ahead{*next, transactionStart(*next, std::nullopt, true), QDeadlineTimer(AheadFreshMs)};
        for (const Command& command : ahead->commands)
            end += command.line + "\r\n";
    }
    if (!m_connection.write(end))
        return lost();
    m_ahead = std::move(ahead);
    // The reply to the message itself is DATA's last word.
    return readReplies({{"DATA"}});
}

bool SmtpSession::writeCommands(const QList<Command>& commands)
{
    QByteArray lines;
    for (const Command& command : commands)
        lines += command.line + "\r\n";
    return m_connection.write(lines) || lost();
}

bool SmtpSession::readReplies(const QList<Command>& commands)
{
    // Every command sent gets its reply read, also after a refusal, so the next ones stay in step.
    for (const Command& command : commands) {
        const std::optional<smtp::Reply> reply = readReply();
        if (!reply)
            return false;
        const bool yes = checkReply(command, *reply);
        // A DATA taken after a refusal leaves the server waiting for a message that must not go:
        // ending the connection without the end line abandons it (RFC 5321 3.8).
        if (yes && command.expected == 354 && m_refused)
            return lost();
    }
    return !m_refused;
}

bool SmtpSession::exchange(const Command& command)
{
    return writeCommands({command}) && readReplies({command});
}

// MAIL FROM (with SIZE when @p size is given) and every RCPT TO; with @p dataForOne, DATA too
// when there is one recipient.
QList<SmtpSession::Command> SmtpSession::transactionStart(const SmtpEnvelope& envelope, std::optional<qint64> size,
                                                          bool dataForOne) const
{
    QByteArray mailFrom = "MAIL FROM:" + angleAddress(envelope.from);
    if (size)
        mailFrom += " SIZE=" + QByteArray::number(*size);
    QList<Command> commands{{mailFrom}};
    for (const QByteArray& recipient : envelope.recipients)
        commands.append({"RCPT TO:" + angleAddress(recipient)});
    if (dataForOne && envelope.recipients.size() == 1)
        commands.append({"DATA", 354});
    return commands;
}

// @p written: the envelope went ahead with the message before (DATA with it for one recipient).
bool SmtpSession::sendPipelined(QList<Command> envelope, bool written, bool chunking, const ComposedMessage& message,
                                const std::optional<SmtpEnvelope>& next)
{
    const bool oneRecipient = message.envelopeRecipients.size() == 1;
    if (chunking) {
        // The last chunk delivers: with several recipients it waits until all of them were taken.
        if (!writeCommands(envelope) || !writeChunks(message, oneRecipient, &envelope) || !readReplies(envelope))
            return false;
        return oneRecipient || exchange({"BDAT 0 LAST"});
    }
    // DATA rides with the envelope only for one recipient: a 354 after a refused recipient would
    // leave a message to the others on its way.
    if (oneRecipient && !written)
        envelope.append({"DATA", 354});
    if ((!written && !writeCommands(envelope)) || !readReplies(envelope))
        return false;
    return (oneRecipient || exchange({"DATA", 354})) && sendDotStuffed(message, next);
}

bool SmtpSession::sendOneByOne(const QList<Command>& envelope, bool chunking, const ComposedMessage& message)
{
    for (const Command& command : envelope) {
        if (!exchange(command))
            return false;
    }
    return chunking ? sendChunksOneByOne(message) : exchange({"DATA", 354}) && sendDotStuffed(message);
}

CURLcode SmtpSession::send(const ComposedMessage& message, const std::optional<SmtpEnvelope>& next)
{
    m_contentWritten = false;
    m_refused = false;
    m_transcript.clearError();
    std::optional<Ahead> ahead = std::exchange(m_ahead, std::nullopt);
    if (ahead && (ahead->envelope != message.envelope() || ahead->fresh.hasExpired())) {
        // Announced for another message, or too long ago: answered and forgotten. Nothing of
        // this message was said yet, so after a connection the settling ended it goes again over
        // a new one.
        if (!settle(*ahead))
            return CURLE_SEND_ERROR;
        ahead.reset();
    }
    if (!m_connection.isOpen())
        return CURLE_SEND_ERROR;
    const bool pipelining = m_transcript.offersCapability("PIPELINING");
    const bool chunking = m_transcript.offersCapability("CHUNKING");
    QList<Command> envelope;
    if (ahead) {
        envelope = ahead->commands;
    } else {
        // Between messages RSET starts the next transaction clean; pipelined it costs nothing, one
        // command at a time it is said only after a message that did not go.
        if (m_afterTransaction && (pipelining || m_needsReset))
            envelope.append({"RSET"});
        const bool sized = m_transcript.offersCapability("SIZE");
        envelope += transactionStart(message.envelope(), sized ? std::optional(message.size()) : std::nullopt, false);
    }
    m_afterTransaction = true;
    // With chunks a message is one round trip already; the next one's commands go ahead only
    // where DATA makes a message wait for 354.
    const std::optional<SmtpEnvelope> nextAhead = pipelining && !chunking ? next : std::nullopt;
    const bool accepted = pipelining ? sendPipelined(envelope, ahead.has_value(), chunking, message, nextAhead)
                                     : sendOneByOne(envelope, chunking, message);
    m_needsReset = !accepted;
    if (accepted)
        return CURLE_OK;
    if (m_refused)
        return CURLE_SEND_ERROR;
    if (m_malformedReply)
        return CURLE_WEIRD_SERVER_REPLY;
    const CURLcode code = m_connection.failureCode();
    return code == CURLE_OK ? CURLE_SEND_ERROR : code;
}

} // namespace fumibako::platform::mail
