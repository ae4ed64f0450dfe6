#pragma once

#include "filing/FilingInput.h"

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

/** The fields junkInputOf() reads, for reading them ahead (FilingInput::prefetch()). */
FieldNeeds junkNeeds();

/**
 * The junk input of @p message. A file that cannot be read as mail (a broken header, binary
 * junk) is classified from what can be read: its start, as text, counts as the body.
 */
JunkInput junkInputOf(FilingInput& message);

/** The junk input of bytes that are no mail: their text, guessed as the reader guesses undeclared text. */
JunkInput junkInputOfBytes(const QByteArray& bytes);

/** The junk input of the message file @p file; nothing only when the file cannot be opened. */
std::optional<JunkInput> readJunkInput(const QString& file);

} // namespace fumibako::filing
