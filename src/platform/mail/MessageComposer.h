#pragma once

#include "platform/mail/MailLibrary.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

class QTemporaryFile;

namespace fumibako::platform::mail {

/** Who a message goes from and to, as MAIL FROM and RCPT TO carry them. */
struct SmtpEnvelope {
    QByteArray from;
    QList<QByteArray> recipients;
    friend bool operator==(const SmtpEnvelope&, const SmtpEnvelope&) = default;
};

/**
 * A message ready for SMTP: the envelope and the exact bytes of DATA (CR LF line ends). DATA is
 * held in memory, or, for a message with large attachments or a large redirected message, in an
 * unnamed temporary file (removed from its folder as soon as it is made, closed with the last
 * copy of the message), so that memory stays bounded whatever the size of what is sent. Copies
 * share the file and its read position: they are read one after another, never at once.
 */
struct ComposedMessage {
    QByteArray envelopeFrom;
    QList<QByteArray> envelopeRecipients;
    QByteArray data;                        ///< DATA, unless spooled
    std::shared_ptr<QTemporaryFile> spool;  ///< when set, DATA is this open file's content and data is empty
    QString error; // not empty: the message could not be built; the text says why

    /** The size of DATA in bytes. */
    qint64 size() const;
    SmtpEnvelope envelope() const { return {envelopeFrom, envelopeRecipients}; }
    /** DATA, read from the spool when there is one. */
    QByteArray bytes() const;
};

/** Attachments (and redirected messages) larger than this together are composed into a temporary file. */
constexpr qint64 kSpoolThreshold = 1024 * 1024;

/**
 * Builds the message SendMail sends, from SendMail's arguments (see MailLibrary.h). A recipient
 * entry ">#xfr " + path re-sends that stored message unchanged with Resent-* fields on top.
 * Attachment files are read while the message is written, never whole into memory.
 */
ComposedMessage composeMessage(const QString& recipients, const QString& from, const QString& subject,
                               const QString& body, const QString& attachments, const ReplyReferences& reply = {});

/**
 * The envelope composeMessage would give for @p recipients and @p from, without building the
 * message; none when it would fail for want of a usable sender or recipient.
 */
std::optional<SmtpEnvelope> composeEnvelope(const QString& recipients, const QString& from);

} // namespace fumibako::platform::mail
