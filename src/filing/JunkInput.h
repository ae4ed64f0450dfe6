#pragma once

#include "platform/mail/MailLibrary.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace fumibako::filing {

/** The parts of a received message the junk classifier reads. */
struct JunkInput {
    QString subject;
    QString fromName;
    QString fromAddress;
    QStringList relays;  ///< the Received fields' values, nearest first
    QStringList mailers; ///< X-Mailer and User-Agent
    QString charset;     ///< the Content-Type charset of the message or its first part, as given
    QString body;        ///< as the reader shows it
    QStringList links;   ///< link and image targets of an HTML body
    bool providerFlagged = false; ///< a filter on the way said spam: "X-Spam-Flag: YES" or "X-Spam-Status: Yes, ..."
};

/** The junk input of a message read by the mail library. */
JunkInput junkInputOf(const platform::mail::MailFilingText& mail);

/**
 * The junk input of bytes that cannot be read as mail (a broken header, binary junk): their
 * text, guessed as the reader guesses undeclared text, counts as the body.
 */
JunkInput junkInputOfBytes(const QByteArray& bytes);

/**
 * The junk input of the message file @p file: through the mail library, else from its bytes.
 * Nothing only when the file cannot be opened.
 */
std::optional<JunkInput> readJunkInput(const QString& file);

} // namespace fumibako::filing
