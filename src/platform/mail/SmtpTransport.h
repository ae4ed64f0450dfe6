#pragma once

#include "platform/mail/MailLibrary.h"
#include "platform/mail/MessageComposer.h"

namespace fumibako::platform::mail {

/**
 * Sends a composed message over SMTP: envelope from @p message, DATA = its bytes unchanged.
 * @p server as for SendMail (a "smtps://" prefix asks for implicit TLS on any port). AUTH with
 * @p login when the server offers it. Returns "" when the server accepted the message, else the
 * error text; a server reply is given with its code and text.
 */
QString sendMessage(const QString& server, const ComposedMessage& message, const SmtpLogin& login);

} // namespace fumibako::platform::mail
