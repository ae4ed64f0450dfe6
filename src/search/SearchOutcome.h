#pragma once

#include "storage/MailFolderView.h"

#include <QString>
#include <QStringView>

#include <vector>

namespace fumibako::search {

class SearchResults;
class SearchService;

/** What a search of every folder gives the main window: the messages to list, or why none. */
struct SearchOutcome {
    bool searched = false; ///< false: the text was not searched (the note says why)
    bool indexing = false; ///< the index was still being built: some mail is not searched yet
    std::vector<storage::FoundMail> found; ///< newest first
    QString note; ///< why nothing was searched
};

/** The messages of @p results, in their order, as the results folder lists them. */
std::vector<storage::FoundMail> foundMailOf(const SearchResults& results);

/**
 * Searches every folder for @p typed. Nothing is searched for a text without terms or one too
 * long, nor while the index cannot be read yet (it is then being built anew).
 */
SearchOutcome searchEveryFolder(SearchService& service, QStringView typed);

/**
 * What the user is told of a search for @p typed that lists @p count messages: how many, or that
 * none was found; and, when the index was @p indexing, that some mail is not searched yet.
 */
QString foundNote(QStringView typed, int count, bool indexing);

/** @p typed as a note quotes it: control characters as spaces, cut with "…" beyond @p length. */
QString quotedQuery(QStringView typed, int length = 30);

} // namespace fumibako::search
