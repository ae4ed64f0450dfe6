#pragma once

#include "addressbook/AddressImport.h"

#include <QAbstractTableModel>

#include <optional>

namespace fumibako::addressbook {

/**
 * @short The import wizard's preview of the rows read from another program's book.
 *
 * Columns "表示名", "電子メール　アドレス", "コメント"; the display name can be edited in place.
 * A click on a column header sorts by that column, ascending; a second click on the same column
 * reverses the order.
 */
class ImportPreviewModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { NameColumn, AddressColumn, CommentColumn, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    void setRows(QList<ImportedAddress> rows);
    const QList<ImportedAddress>& rows() const { return m_rows; }

    /** Removes the rows in @p rows (any order). */
    void removeRowNumbers(QList<int> rows);

    /** A click on column header @p column. */
    void columnClicked(int column);
    std::optional<int> sortColumn() const { return m_sortColumn; }
    bool descending() const { return m_descending; }

private:
    QList<ImportedAddress> m_rows;
    std::optional<int> m_sortColumn;
    bool m_descending = false;
};

} // namespace fumibako::addressbook
