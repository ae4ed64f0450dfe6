#pragma once

#include "platform/mail/CurlSupport.h"
#include "platform/mail/MessageComposer.h"
#include "platform/mail/ServerConnection.h"
#include "platform/mail/SmtpReplies.h"

#include <QDeadlineTimer>

#include <optional>

namespace fumibako::platform::mail {

/**
 * @short One SMTP login, over which any number of messages go one after the other.
 *
 * libcurl connects, secures (STARTTLS or implicit TLS) and logs in with AUTH when the server
 * offers it (net::ServerConnection); the transactions are written and read here. With PIPELINING
 * (RFC 2920) in the EHLO reply, a message costs two round trips: MAIL FROM, every RCPT TO and
 * DATA in one go, then the message. With CHUNKING (RFC 3030) too, BDAT carries the message in
 * the same go: one round trip for a message to one recipient, two for more (the message's last
 * chunk waits until every recipient was taken). Without PIPELINING each command waits for its
 * reply. A message goes only when every recipient was taken: one refused recipient fails the
 * whole message and no recipient gets it. A refused message leaves the login usable: the next
 * transaction starts with RSET.
 *
 * When the caller knows the envelope of the message that follows on the same login, a server
 * with PIPELINING and no CHUNKING gets that message's MAIL FROM, RCPT TO and DATA in the write
 * that ends this message (RFC 2920 lets the content open a group): from then on a message costs
 * one round trip there too. Those commands deliver nothing by themselves; a next message with
 * another envelope, or the end of the login, abandons them.
 */
class SmtpSession {
public:
    SmtpSession(const net::ServerAddress& address, const net::Credentials& login);
    /** Says QUIT (and waits for its answer, up to the silence timeout) when the login is open. */
    ~SmtpSession();
    SmtpSession(const SmtpSession&) = delete;
    SmtpSession& operator=(const SmtpSession&) = delete;

    /** Connects, secures and logs in. */
    CURLcode open();
    /** True while the connection is open and in step with the server. */
    bool isOpen() const { return m_connection.isOpen(); }

    /**
     * Sends @p message. CURLE_OK once the server took it; CURLE_SEND_ERROR when the server
     * refused a step (the transcript holds that reply and its command); another code when the
     * connection failed. failedBeforeTheMessage() tells whether it may go again.
     * @p next: the envelope of the message the next send() will take, if known.
     */
    CURLcode send(const ComposedMessage& message, const std::optional<SmtpEnvelope>& next = std::nullopt);
    /**
     * After a failed send: no reply refused the message and none of its content went out, so the
     * server cannot have taken it and it may go again over a new connection.
     */
    bool failedBeforeTheMessage() const { return !m_refused && !m_contentWritten; }

    net::Transcript& transcript() { return m_transcript; }
    const net::CurlEasy& curl() const { return m_connection.curl(); }

private:
    struct Command {
        QByteArray line;    ///< without CR LF
        int expected = 250; ///< the reply that means yes: 2xx, or 354 for DATA
    };
    class MessageReader;
    /** Commands of the next message written ahead with the end of a message, not answered yet. */
    struct Ahead {
        SmtpEnvelope envelope;
        QList<Command> commands;
        QDeadlineTimer fresh; ///< after it a server may have given up waiting for the content
    };

    QList<Command> transactionStart(const SmtpEnvelope& envelope, std::optional<qint64> size, bool dataForOne) const;
    bool settle(const Ahead& ahead);
    bool sendPipelined(QList<Command> envelope, bool written, bool chunking, const ComposedMessage& message,
                       const std::optional<SmtpEnvelope>& next);
    bool sendOneByOne(const QList<Command>& envelope, bool chunking, const ComposedMessage& message);
    bool writeCommands(const QList<Command>& commands);
    bool readReplies(const QList<Command>& commands);
    bool exchange(const Command& command);
    std::optional<Command> writeChunk(MessageReader& reader, bool last);
    bool writeChunks(const ComposedMessage& message, bool last, QList<Command>* written);
    bool sendChunksOneByOne(const ComposedMessage& message);
    bool sendDotStuffed(const ComposedMessage& message, const std::optional<SmtpEnvelope>& next = std::nullopt);
    std::optional<smtp::Reply> readReply();
    bool checkReply(const Command& command, const smtp::Reply& reply);
    bool lost();

    net::ServerAddress m_address;
    net::Transcript m_transcript;
    net::ServerConnection m_connection;
    bool m_afterTransaction = false; // a MAIL FROM went on this connection
    bool m_needsReset = false;       // the last transaction did not end with the message taken
    bool m_refused = false;          // a reply of this message said no
    bool m_malformedReply = false;   // a reply that was none ended the connection
    bool m_contentWritten = false;   // some of this message's content went out
    std::optional<Ahead> m_ahead;
};

} // namespace fumibako::platform::mail
