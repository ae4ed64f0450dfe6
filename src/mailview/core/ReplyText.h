#pragma once

#include <QString>

/** The texts a reply and a forward build from the message read. */
namespace fumibako::mailview {

/**
 * @p text with ">" put before its first character and after every CR LF, so that every line,
 * empty lines and an empty last line after a final CR LF included, begins with ">".
 */
QString quoteForReply(const QString& text);

/** "Re:" followed directly by @p subject (a subject that begins with "Re:" gets a second one). */
QString replySubject(const QString& subject);

/**
 * The attachment list entry that forwards the stored message @p path as an attachment named
 * "転送[" subject "].eml" ("転送[noSubject].eml" for an empty subject). A ", " in the subject would
 * split the entry in two, so it loses its space.
 */
QString forwardAttachmentEntry(const QString& path, const QString& subject);

} // namespace fumibako::mailview
