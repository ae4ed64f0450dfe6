#pragma once

#include "search/RowFilter.h"
#include "search/SearchQuery.h"

#include <QList>
#include <QString>

#include <span>

namespace fumibako::storage {
class MailList;
}

namespace fumibako::mainwin {

/**
 * @short The quick filter of the mail list: which rows of the shown folder the list shows while
 * the user narrows it, and the way between the list's row numbers and the folder view's.
 *
 * A row is shown when its subject and sender hold every term of the typed text (RowFilter, the
 * rules of the search). A text without terms, or one too long to be a query, filters nothing.
 * The shown rows keep the folder's order; the folder's rows themselves are never touched, so
 * clearing the filter shows the folder exactly as it is.
 */
class MailListFilter {
public:
    /** Sets the typed text; true when it filters (it has terms). Call apply() after. */
    bool setText(QStringView typed);
    void clear();
    /** Whether rows are filtered out: the text has terms. */
    bool isActive() const { return m_active; }
    /** What is wrong with the typed text (None for an empty one). */
    search::QueryProblem problem() const;

    /** Finds the shown rows of @p rows (the folder's rows in their present order). */
    void apply(const storage::MailList& rows);
    /**
     * Prepares some more of @p rows for the first keystroke, a few milliseconds' worth; true once
     * all are. Call revalidate() first after the rows changed.
     */
    bool prepareAhead(const storage::MailList& rows) { return m_rows.prepareAhead(rows, kRowsAhead); }
    void revalidate(const storage::MailList& rows) { m_rows.revalidate(rows); }
    /** Forgets what is prepared, to give its memory back while nobody filters. */
    void releasePrepared() { m_rows.release(); }
    static constexpr int kRowsAhead = 4000;

    /** The folder's rows were reordered: @p newRowOf[old row] is each row's new number. */
    void rowsMoved(std::span<const int> newRowOf);

    /**
     * What the note below the search box says of the filter: why the text filters nothing (too
     * long), that no row holds it, or nothing.
     */
    QString note() const;
    /** The row count in the status bar while filtered: @p shown of @p all rows. */
    static QString countText(int shown, int all);

    /** How many rows the list shows of @p folderRows. */
    int shownCount(int folderRows) const { return m_active ? int(m_shown.size()) : folderRows; }
    /** The folder's row shown as row @p shownRow of the list (-1 when there is none). */
    int folderRow(int shownRow) const;
    /** The list row that shows the folder's row @p folderRow, -1 when it is filtered out. */
    int shownRow(int folderRow) const;

private:
    search::RowFilter m_rows;
    search::SearchQuery m_query;
    QString m_typed;
    bool m_active = false;
    QList<int> m_shown; ///< folder rows, ascending
};

} // namespace fumibako::mainwin
