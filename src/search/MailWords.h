#pragma once

#include "search/SearchDatabase.h"
#include "storage/Paths.h"

#include <QString>

#include <optional>

namespace fumibako::search {

/** A message read for the index: what a result shows and the words it is found by. */
struct IndexedMail {
    IndexedMessage message;
    MessageWords words;
};

/**
 * Reads the message at @p place (see MailCatalog.h), filed under @p folder: subject, sender,
 * recipients (To and Cc; of outgoing mail Bcc too), the body as the preview shows it (decoded,
 * HTML turned into text) and the attachments' names. Received mail goes through the mail library,
 * outgoing mail through its own file format. Nothing when the file cannot be read as mail.
 */
std::optional<IndexedMail> readIndexedMail(const storage::AccountPaths& paths, const QString& place,
                                           const QString& folder);

/** The size and modification time of @p file, as IndexedMessage::stamp keeps them; "" when missing. */
QString fileStamp(const QString& file);

} // namespace fumibako::search
