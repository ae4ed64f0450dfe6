#pragma once

#include "transfer/StoredMail.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace fumibako::storage {
struct AccountPaths;
}

/**
 * The file of a draft, a queued or a sent message: To, Cc, Bcc, the attachment line, the subject
 * and the keep flag (" 0 " or " 1 ") on lines 1 to 6, then the body; every line ends in CR LF.
 * Written as UTF-8 with a byte order mark so that no character is lost; read in that form or,
 * without the mark, as code page 932 (files from the program's Windows past).
 *
 * A reply's In-Reply-To and References have no line of their own in that layout: they are kept
 * in a hidden companion file beside it (storage::outgoingCompanionName), "In-Reply-To: " and
 * "References: " lines in UTF-8, written and removed with the file. A file without one is no reply.
 */
namespace fumibako::transfer {

/** The bytes WriteOutgoingFile writes for @p mail. */
QByteArray outgoingFileBytes(const CurrentMail& mail);

/**
 * Writes @p mail as the file mailPath + mailName, replacing it atomically, with its references
 * beside it (a companion left from an earlier file of that name is removed). Line breaks inside
 * the header texts (lines 1 to 5) become spaces: they would shift every later line of the file.
 * False (and the reason in @p error) when the file could not be written.
 */
bool WriteOutgoingFile(const CurrentMail& mail, QString* error = nullptr);

/** Deletes the outgoing file @p folder + @p name and its companion; false when the file stays. */
bool RemoveOutgoingFile(const QString& folder, const QString& name);

/**
 * Reads @p folder + @p name into @p mail; false, with @p mail unchanged, when the file is missing,
 * has fewer than six lines or its line 6 is not a number.
 */
bool ReadOutgoingFile(CurrentMail& mail, const QString& folder, const QString& name);

/**
 * The name for a new outgoing file, the time @p when as "yyyyMMdd-HHmmss.txt", one second later
 * while that is taken: by a file in the outbox and sent box's folder or in the drafts' folder, or
 * by an entry of the outbox, the sent box or the drafts. The three are listed together (search
 * results), where a name stands for one message.
 */
QString freeOutgoingName(const storage::AccountPaths& paths, QDateTime when);

/** The text of an outgoing file's bytes: UTF-8 after a byte order mark, else code page 932. */
QString decodeOutgoingText(const QByteArray& bytes);

} // namespace fumibako::transfer
