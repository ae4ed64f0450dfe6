#pragma once

#include "platform/LargeMemory.h"
#include "storage/IndexEntry.h"

#include <QHash>
#include <QList>
#include <QStringView>

#include <algorithm>
#include <span>

namespace fumibako::storage {

/**
 * @short The rows of the mail list: the messages of the shown folder.
 *
 * Keys are unique within the list. Rows are removed in batches so that trashing thousands of
 * selected messages costs one pass over the list.
 */
class MailList {
public:
    using Rows = platform::LargeVector<MailRow>;

    int size() const { return static_cast<int>(m_rows.size()); }
    bool isEmpty() const { return m_rows.empty(); }
    const MailRow& at(int row) const { return m_rows.at(row); }
    MailRow& at(int row) { return m_rows.at(row); }
    const Rows& rows() const { return m_rows; }

    /** Row of @p key, or -1. */
    int rowOfKey(QStringView key) const;
    bool containsKey(QStringView key) const { return rowOfKey(key) >= 0; }

    /** Adds @p row; false (nothing added) when a row with its key is already listed. */
    bool append(MailRow row);
    /**
     * Adds @p row without looking its key up, for a caller that knows no listed row has that key
     * (a listing marks each file it gives a row). The key lookup is rebuilt when next used.
     */
    void appendUnique(MailRow row)
    {
        m_rows.push_back(std::move(row));
        m_indexValid = false;
    }

    /** Removes the given rows (any order, duplicates allowed). */
    void removeRows(const QList<int>& rows);

    void clear();
    void reserve(int count) { m_rows.reserve(count); }

    /** Puts row order[i] at row i; @p order is a permutation of the row numbers. */
    void reorder(std::span<const int> order);

private:
    void rebuildIndex() const;

    Rows m_rows;
    // The keys are views into the rows' own texts, which stay put when the rows move.
    mutable QHash<QStringView, int> m_rowByKey;
    mutable bool m_indexValid = true;
};

} // namespace fumibako::storage
