#pragma once

#include <QStringList>

namespace fumibako::tool {

/**
 * `fumibako-tool [--data-dir DIR] search ACCOUNT TERM...`: brings the account's search index up to
 * date (building it when there is none), then prints one line per message that holds every term,
 * newest first: folder key, file name, sender (recipients of outgoing mail), subject, date,
 * TAB-separated. The terms are read as the search box reads its text. Exit status 0 with a match,
 * 1 without one (or when the account or its index cannot be had), 2 for a query that cannot be
 * searched.
 */
int runSearchCommand(const QString& dataDirOption, const QStringList& args);

} // namespace fumibako::tool
