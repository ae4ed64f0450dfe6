#pragma once

#include "search/SearchQuery.h"

#include <QList>
#include <QString>

#include <vector>

namespace fumibako::storage {
class MailList;
class MailRow;
} // namespace fumibako::storage

namespace fumibako::search {

/**
 * @short The quick filter's rule: which rows of the shown folder hold every term of a query in
 * their subject or sender, read from the rows (the index entries) alone; no mail file is opened.
 *
 * The rules are SearchQuery's, so the filter and the search of all folders agree. The comparable
 * form of each row's subject and sender is made once, at the first query that meets the rows,
 * and kept while the rows stay as they were; rows that moved, went or came are prepared again.
 */
class RowFilter {
public:
    /**
     * The numbers of the rows of @p rows, in their present order, that match @p query; every
     * row when the query has no terms.
     */
    QList<int> matchingRows(const storage::MailList& rows, const SearchQuery& query);

    /** The text a row is matched on: its subject and its sender, in comparable form. */
    static QString rowText(const storage::MailRow& row);

private:
    struct Prepared {
        QString key; ///< the row's file name
        QString tag; ///< the row's section
        QString text;
    };

    void prepare(const storage::MailList& rows);
    bool isPrepared(const storage::MailList& rows) const;

    std::vector<Prepared> m_rows;
};

} // namespace fumibako::search
