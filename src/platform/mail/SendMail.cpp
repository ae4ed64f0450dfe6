#include "platform/mail/MailLibrary.h"
#include "platform/mail/MessageComposer.h"
#include "platform/mail/SmtpTransport.h"

namespace fumibako::platform::mail {

QString SendMail(const QString& server, const QString& recipients, const QString& from, const QString& subject,
                 const QString& body, const QString& attachments, const SmtpLogin& login,
                 const ReplyReferences& reply, bool* loginRefused, const std::optional<NextRecipients>& nextEnvelope)
{
    const ComposedMessage message = composeMessage(recipients, from, subject, body, attachments, reply);
    if (!message.error.isEmpty())
        return message.error;
    const std::optional<SmtpEnvelope> next =
        nextEnvelope ? composeEnvelope(nextEnvelope->recipients, nextEnvelope->from) : std::nullopt;
    return sendMessage(server, message, login, loginRefused, next);
}

} // namespace fumibako::platform::mail
