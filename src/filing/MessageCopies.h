#pragma once

#include <QString>

/**
 * Copies of received messages that rules file into a second folder. A message belongs to one
 * index section (a listing takes a file listed twice for a fault and drops the second entry),
 * so a copy is a file of its own: a second name for the same bytes (a hard link), or a copy of
 * the bytes where the file system has no links. Received files are never written to, so the
 * two names stay alike until one is deleted, and deleting one leaves the other.
 */
namespace fumibako::filing {

/**
 * Makes the @p index-th (1-based) copy of the message @p name in @p folder and returns its name:
 * "<name without .eml>-<index>.eml", with "(n)" added when another message has that name. The
 * name depends on nothing else, so a receive cut short finds the copy it made and keeps it. ""
 * when it could not be made. The new name is not yet flushed to disk (syncFolderEntries()).
 */
QString makeCopy(const QString& folder, const QString& name, int index);

} // namespace fumibako::filing
