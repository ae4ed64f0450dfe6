#pragma once

#include "platform/mail/HeaderFields.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

/** The header side of composing: recipient lists, address fields, dates and message ids. */
namespace fumibako::platform::mail {

struct RecipientLists {
    QList<MailAddress> to, cc, bcc;
    QString redirectPath; // the stored message of a ">#xfr " entry, if any
    QString error;        // not empty: an entry is not a usable address

    /** To, Cc and Bcc addresses in that order, each once (compared without case). */
    QList<QByteArray> envelope() const;
};

/**
 * Reads SendMail's recipient text: entries separated by TAB, To until an entry "cc", Cc until an
 * entry "bcc". An entry may itself hold several addresses separated by commas or semicolons, each
 * "addr", "Name <addr>" or "\"Name\" <addr>". An entry ">#xfr " + path asks for a redirect.
 */
RecipientLists parseRecipients(const QString& text);

/**
 * Whether @p address can go into an SMTP envelope and a header unchanged: printable ASCII with one
 * "@" between a local part and a domain, and none of the characters that would end or break a
 * field (white space, < > ( ) [ ] , ; : " \).
 */
bool isUsableAddress(const QString& address);

/** An address field ("To", "Resent-From"…) for @p addresses, names encoded, folded, CR LF ended. */
QByteArray addressField(const char* name, const QList<MailAddress>& addresses);

/** @p when as an RFC 5322 date ("Wed, 01 May 2024 10:15:00 +0900"). */
QByteArray mailDate(const QDateTime& when);

/** A new, unique message id "<…@domain>" for a message from @p address. */
QByteArray newMessageId(const QString& address);

} // namespace fumibako::platform::mail
