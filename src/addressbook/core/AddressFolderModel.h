#pragma once

#include "addressbook/core/AddressDrag.h"

#include <QAbstractItemModel>

#include <functional>
#include <vector>

namespace fumibako::addressbook {

class AddressFolderTree;

/**
 * @short The address book's folder tree as an item model: the root folder "Root" on top, each
 * folder's children in ascending order of label.
 *
 * The model reflects the tree; renames (label edits) and drops are handed to the callbacks the
 * manager sets, which change the tree and call reload(). Every folder but the root can be renamed
 * and dragged; every folder takes drops of address rows and folders.
 */
class AddressFolderModel : public QAbstractItemModel {
    Q_OBJECT
public:
    enum Role { KeyRole = Qt::UserRole + 1, ImageKeyRole, ExpandedRole };

    /** Renames folder @p key to @p name; false when refused. */
    using RenameHandler = std::function<bool(const QString& key, const QString& name)>;
    /** @p drag was dropped on folder @p targetKey. */
    using DropHandler = std::function<void(const QString& targetKey, const AddressDrag& drag)>;

    explicit AddressFolderModel(AddressFolderTree& tree, QObject* parent = nullptr);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::MoveAction; }
    Qt::DropActions supportedDropActions() const override { return Qt::MoveAction | Qt::CopyAction; }
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;

    /** The index of folder @p key, invalid when there is none. */
    QModelIndex indexOfKey(const QString& key) const;
    static QString keyOf(const QModelIndex& index) { return index.data(KeyRole).toString(); }

    /** The tree changed: the model is built again from it (after a label edit has ended, when inside one). */
    void reload();
    /** Folder @p key changed its icon (it became or stopped being the current folder). */
    void refreshFolder(const QString& key);

    void setRenameHandler(RenameHandler handler) { m_rename = std::move(handler); }
    void setDropHandler(DropHandler handler) { m_drop = std::move(handler); }

private:
    struct Node {
        QString key;
        int parent = -1; ///< node number of the parent, -1 for the root folder
        int row = 0;     ///< row under the parent
        QList<int> children;
    };

    void rebuild();
    const Node* nodeOf(const QModelIndex& index) const;
    QModelIndex indexOfNode(int node) const;

    AddressFolderTree& m_tree;
    std::vector<Node> m_nodes; ///< node 0 is the root folder
    QHash<QString, int> m_nodeOfKey;
    RenameHandler m_rename;
    DropHandler m_drop;
    bool m_inLabelEdit = false;
};

} // namespace fumibako::addressbook
