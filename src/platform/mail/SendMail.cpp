#include "platform/mail/MailLibrary.h"
#include "platform/mail/MessageComposer.h"
#include "platform/mail/SmtpTransport.h"

namespace fumibako::platform::mail {

QString SendMail(const QString& server, const QString& recipients, const QString& from, const QString& subject,
                 const QString& body, const QString& attachments, const SmtpLogin& login,
                 const ReplyReferences& reply, bool* loginRefused)
{
    const ComposedMessage message = composeMessage(recipients, from, subject, body, attachments, reply);
    if (!message.error.isEmpty())
        return message.error;
    return sendMessage(server, message, login, loginRefused);
}

} // namespace fumibako::platform::mail
