#pragma once

#include "platform/mail/MailLibrary.h"
#include "platform/mail/MessageComposer.h"

#include <atomic>
#include <optional>

namespace fumibako::platform::mail {

/**
 * Sends a composed message over SMTP (SmtpSession: pipelined where the server allows it, BDAT
 * where it offers CHUNKING): envelope from @p message, the message = its bytes unchanged.
 * @p server as for SendMail (a "smtps://" prefix asks for implicit TLS on any port). AUTH with
 * @p login when the server offers it. Returns "" when the server accepted the message, else the
 * error text; a server reply is given with its code and text. @p loginRefused, when given, is set
 * when the server refused the login (then nothing was sent). @p next: the envelope of the message
 * the caller sends next over a kept connection (SmtpConnectionReuse), whose first commands may
 * then go with this message's end (see SmtpSession).
 */
QString sendMessage(const QString& server, const ComposedMessage& message, const SmtpLogin& login,
                    bool* loginRefused = nullptr, const std::optional<SmtpEnvelope>& next = std::nullopt);

/**
 * While an object of this class lives (until close()), a message leaves its SMTP connection open,
 * and the next message to the same server with the same login goes over it (after RSET): no new
 * connection, greeting, TLS handshake or AUTH. A message the server refused keeps the connection
 * too; one whose connection failed does not. The connection ends with QUIT when the last such
 * object closes. Meant for walks that send many messages in a row; without one, every message has
 * its own connection. Sends must not run concurrently.
 */
class SmtpConnectionReuse {
public:
    SmtpConnectionReuse();
    /** Closes it, unless that was done. */
    ~SmtpConnectionReuse();
    SmtpConnectionReuse(const SmtpConnectionReuse&) = delete;
    SmtpConnectionReuse& operator=(const SmtpConnectionReuse&) = delete;

    /**
     * Ends the reuse now. When this was the last object, the connection kept open ends with QUIT,
     * which blocks until the server answers or the silence timeout: a network call, to be made
     * off the window's thread as the other library calls are. Any thread; a second call does nothing.
     */
    void close();
    /** Whether close() would end a connection with QUIT, rather than return at once. */
    bool keepsConnection() const;

private:
    std::atomic<bool> m_open{true};
};

} // namespace fumibako::platform::mail
