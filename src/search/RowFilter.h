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
 * A caller may prepare the rows ahead, a few at a time while the user has not typed yet
 * (prepareAhead()); a query then prepares only what is left.
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

    /**
     * Prepares up to @p count more rows of @p rows, after the ones prepared so far, which the
     * caller knows to be unchanged (else it calls revalidate() first). True once every row is.
     */
    bool prepareAhead(const storage::MailList& rows, int count);
    /** Keeps what is prepared of @p rows as they are now (before prepareAhead() after a change). */
    void revalidate(const storage::MailList& rows) { m_rows.resize(preparedRows(rows)); }
    /** Gives back the memory of every prepared row (a folder of 100,000 rows holds some 30 MB). */
    void release() { std::vector<Prepared>().swap(m_rows); }

private:
    struct Prepared {
        QString key; ///< the row's file name
        QString tag; ///< the row's section
        QString text;
    };

    static Prepared prepared(const storage::MailRow& row);
    static bool isPreparedAs(const Prepared& prepared, const storage::MailRow& row);
    /** Prepares every row of @p rows, keeping those prepared already in their place. */
    void prepare(const storage::MailList& rows);
    /** How many rows from the first are prepared as they are now. */
    size_t preparedRows(const storage::MailList& rows) const;

    std::vector<Prepared> m_rows;
};

} // namespace fumibako::search
