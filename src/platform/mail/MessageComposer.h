#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace fumibako::platform::mail {

/** A message ready for SMTP: the envelope and the exact bytes of DATA (CR LF line ends). */
struct ComposedMessage {
    QByteArray envelopeFrom;
    QList<QByteArray> envelopeRecipients;
    QByteArray data;
    QString error; // not empty: the message could not be built; the text says why
};

/**
 * Builds the message SendMail sends, from SendMail's arguments (see MailLibrary.h). A recipient
 * entry ">#xfr " + path re-sends that stored message unchanged with Resent-* fields on top.
 */
ComposedMessage composeMessage(const QString& recipients, const QString& from, const QString& subject,
                               const QString& body, const QString& attachments);

} // namespace fumibako::platform::mail
