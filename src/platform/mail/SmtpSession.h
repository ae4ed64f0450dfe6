#pragma once

#include "platform/mail/CurlSupport.h"
#include "platform/mail/MessageComposer.h"
#include "platform/mail/ServerConnection.h"
#include "platform/mail/SmtpReplies.h"

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
     * connection failed. repliesRead() tells whether the server answered any of its commands.
     */
    CURLcode send(const ComposedMessage& message);
    qint64 repliesRead() const { return m_repliesRead; }

    net::Transcript& transcript() { return m_transcript; }
    const net::CurlEasy& curl() const { return m_connection.curl(); }

private:
    struct Command {
        QByteArray line;    ///< without CR LF
        int expected = 250; ///< the reply that means yes: 2xx, or 354 for DATA
    };
    class MessageReader;

    bool sendPipelined(QList<Command> envelope, bool chunking, const ComposedMessage& message);
    bool sendOneByOne(const QList<Command>& envelope, bool chunking, const ComposedMessage& message);
    bool writeCommands(const QList<Command>& commands);
    bool readReplies(const QList<Command>& commands);
    bool exchange(const Command& command);
    std::optional<Command> writeChunk(MessageReader& reader, bool last);
    bool writeChunks(const ComposedMessage& message, bool last, QList<Command>* written);
    bool sendChunksOneByOne(const ComposedMessage& message);
    bool sendDotStuffed(const ComposedMessage& message);
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
    qint64 m_repliesRead = 0;
};

} // namespace fumibako::platform::mail
