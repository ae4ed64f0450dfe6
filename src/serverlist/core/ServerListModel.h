#pragma once

#include <QAbstractTableModel>

namespace fumibako::transfer {
class ServerList;
enum class ServerListPane;
}

namespace fumibako::serverlist {

/** Columns of both server lists. */
enum ServerListColumn { kNumberColumn, kSubjectColumn, kFromColumn, kDateColumn, kServerListColumnCount };

/**
 * @short One of the two lists of the server mail list (the server's messages or the search
 * result) as a table.
 *
 * Rows are the rows the ServerList holds for that list, in their order; the model is reset
 * whenever the ServerList reports that its rows changed.
 */
class ServerListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    ServerListModel(transfer::ServerList& list, transfer::ServerListPane which, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    transfer::ServerList& m_list;
    transfer::ServerListPane m_which;
};

} // namespace fumibako::serverlist
