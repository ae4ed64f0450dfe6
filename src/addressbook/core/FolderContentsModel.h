#pragma once

#include <QAbstractTableModel>

#include <optional>

namespace fumibako::addressbook {

/**
 * One row of the folder contents: a subfolder (its label, and its path as the row key) or an
 * address (name, address, comment, and its row in the manager's entry list).
 */
struct ContentRow {
    QString name;
    QString address;
    QString comment;
    QString folderKey; ///< the subfolder's path; empty for an address row
    int entryRow = -1; ///< the address's row in the entry list; -1 for a folder row

    bool isFolder() const { return !folderKey.isEmpty(); }
};

/**
 * @short The contents of the manager's current folder: its subfolders, then its addresses.
 *
 * Columns "表示名", "電子メール　アドレス", "コメント". Unsorted until a column header is clicked;
 * from then on every fill is sorted by that column (a click on the sort column reverses the
 * order, a click on another makes it the sort column and keeps the order). Rows can be dragged
 * onto the folder tree; nothing is edited in place.
 */
class FolderContentsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { NameColumn, AddressColumn, CommentColumn, ColumnCount };
    enum Role { ImageKeyRole = Qt::UserRole + 1 };

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::MoveAction; }

    /** Shows @p rows (folder rows first, as the manager builds them), sorted when a sort column is set. */
    void setRows(QList<ContentRow> rows);
    const QList<ContentRow>& rows() const { return m_rows; }
    const ContentRow& at(int row) const { return m_rows.at(row); }
    int count() const { return int(m_rows.size()); }

    /** A click on column header @p column. */
    void columnClicked(int column);
    std::optional<int> sortColumn() const { return m_sortColumn; }
    bool descending() const { return m_descending; }

private:
    void sortRows();

    QList<ContentRow> m_rows;
    std::optional<int> m_sortColumn;
    bool m_descending = false;
};

} // namespace fumibako::addressbook
