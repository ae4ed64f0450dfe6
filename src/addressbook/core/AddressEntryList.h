#pragma once

#include "addressbook/AddressBook.h"

#include <QAbstractTableModel>

#include <utility>

namespace fumibako::addressbook {

/**
 * @short The manager's list of every entry of the book, sorted by path (the hidden list).
 *
 * Each folder's entries are contiguous, a folder's path comes before its subfolders' paths, and
 * within one folder the entries keep the order in which they came (file order, then additions at
 * the end). Columns: "パス", "表示名", "電子メール　アドレス", "コメント". Every change resets
 * the model: the list is not shown, and a manager refills its views after each command.
 */
class AddressEntryList : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { PathColumn, NameColumn, AddressColumn, CommentColumn, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    const QList<AddressEntry>& entries() const { return m_entries; }
    const AddressEntry& at(int row) const { return m_entries.at(row); }
    int count() const { return int(m_entries.size()); }

    /** Replaces the list with @p entries, which must be sorted by path. */
    void setEntries(QList<AddressEntry> entries);

    /** The rows [first, last) whose path is exactly @p path (empty when there is none). */
    std::pair<int, int> folderRows(const QString& path) const;

    /** Whether any entry lies in @p folder or below it. */
    bool hasEntriesWithin(const QString& folder) const;

    /** Adds @p entry after the last entry of its folder; returns its row. */
    int add(const AddressEntry& entry);

    /** Adds @p entries after the last entry of @p path, in their order; their paths become @p path. */
    void addToFolder(const QString& path, const QList<AddressEntry>& entries);

    /** Replaces the name, address and comment of row @p row. */
    void setFields(int row, const QString& name, const QString& address, const QString& comment);

    /** Removes the rows in @p rows (any order, no duplicates). */
    void removeRows(QList<int> rows);

    /** Removes every entry that lies in @p folder or below it; returns how many. */
    int removeWithin(const QString& folder);

    /**
     * Every entry in @p oldFolder or below it gets @p newFolder in place of the start @p oldFolder
     * of its path; the list is sorted again. Returns how many entries moved.
     */
    int replaceFolderStart(const QString& oldFolder, const QString& newFolder);

    /** Moves @p rows (no duplicates) to the end of folder @p path, in their order. */
    void setPath(QList<int> rows, const QString& path);

    /** The deepest folder level (folderLevels) of the entries in @p folder or below it, -1 when none. */
    int deepestLevelWithin(const QString& folder) const;

private:
    int firstRowOf(const QString& path) const;

    QList<AddressEntry> m_entries;
};

} // namespace fumibako::addressbook
