#pragma once

#include "storage/Paths.h"

#include <QString>
#include <QStringList>

namespace fumibako::bench {

/** File name of message @p i of index section number @p section. */
QString mailName(int section, int i);

/** An index entry value: a Japanese sender and subject, every seventh with an attachment. */
QString entryValue(int i, bool unread);

/** Creates an empty file. */
void touch(const QString& path);

/**
 * An account @p name under @p root whose received index holds @p perSection entries in each of
 * @p sections, with an empty file for each.
 */
storage::AccountPaths makeAccount(const QString& root, const QString& name, const QStringList& sections,
                                  int perSection, bool unread);

} // namespace fumibako::bench
