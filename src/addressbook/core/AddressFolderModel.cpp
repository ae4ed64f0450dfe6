#include "addressbook/core/AddressFolderModel.h"

#include "addressbook/AddressFolderTree.h"

#include <QMimeData>

#include <algorithm>

namespace fumibako::addressbook {

AddressFolderModel::AddressFolderModel(AddressFolderTree& tree, QObject* parent)
    : QAbstractItemModel(parent), m_tree(tree)
{
    rebuild();
}

void AddressFolderModel::rebuild()
{
    m_nodes.clear();
    m_nodeOfKey.clear();
    QHash<QString, QList<const AddressFolder*>> children;
    for (const AddressFolder& folder : m_tree.folders()) {
        if (!folder.parentKey.isEmpty())
            children[folder.parentKey].append(&folder);
    }
    for (QList<const AddressFolder*>& list : children)
        std::stable_sort(list.begin(), list.end(), [](const AddressFolder* a, const AddressFolder* b) {
            return labelBefore(*a, *b);
        });
    // Depth first from the root.
    const std::function<void(const QString&, int, int)> addNode = [&](const QString& key, int parent, int row) {
        const int node = int(m_nodes.size());
        m_nodes.push_back(Node{key, parent, row, {}});
        m_nodeOfKey.insert(key, node);
        const QList<const AddressFolder*> below = children.value(key);
        for (int i = 0; i < below.size(); ++i) {
            m_nodes[node].children.append(int(m_nodes.size()));
            addNode(below.at(i)->key, node, i);
        }
    };
    addNode(kRootFolder, -1, 0);
}

void AddressFolderModel::reload()
{
    if (m_inLabelEdit) {
        // A reset inside setData would pull the editor away from the view that is committing it.
        QMetaObject::invokeMethod(this, &AddressFolderModel::reload, Qt::QueuedConnection);
        return;
    }
    beginResetModel();
    rebuild();
    endResetModel();
}

void AddressFolderModel::refreshFolder(const QString& key)
{
    const QModelIndex index = indexOfKey(key);
    if (index.isValid())
        Q_EMIT dataChanged(index, index, {Qt::DecorationRole, ImageKeyRole});
}

const AddressFolderModel::Node* AddressFolderModel::nodeOf(const QModelIndex& index) const
{
    if (!index.isValid() || index.internalId() == 0 || index.internalId() > m_nodes.size())
        return nullptr;
    return &m_nodes[index.internalId() - 1];
}

QModelIndex AddressFolderModel::indexOfNode(int node) const
{
    if (node < 0 || node >= int(m_nodes.size()))
        return {};
    return createIndex(m_nodes[node].row, 0, quintptr(node + 1));
}

QModelIndex AddressFolderModel::indexOfKey(const QString& key) const
{
    const auto it = m_nodeOfKey.constFind(key);
    return it == m_nodeOfKey.cend() ? QModelIndex() : indexOfNode(*it);
}

QModelIndex AddressFolderModel::index(int row, int column, const QModelIndex& parent) const
{
    if (column != 0 || row < 0)
        return {};
    if (!parent.isValid())
        return row == 0 ? indexOfNode(0) : QModelIndex();
    const Node* node = nodeOf(parent);
    if (!node || row >= node->children.size())
        return {};
    return indexOfNode(node->children.at(row));
}

QModelIndex AddressFolderModel::parent(const QModelIndex& child) const
{
    const Node* node = nodeOf(child);
    return node ? indexOfNode(node->parent) : QModelIndex();
}

int AddressFolderModel::rowCount(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return m_nodes.empty() ? 0 : 1;
    const Node* node = nodeOf(parent);
    return node && parent.column() == 0 ? int(node->children.size()) : 0;
}

int AddressFolderModel::columnCount(const QModelIndex&) const
{
    return 1;
}

QVariant AddressFolderModel::data(const QModelIndex& index, int role) const
{
    const Node* node = nodeOf(index);
    const AddressFolder* folder = node ? m_tree.folder(node->key) : nullptr;
    if (!folder)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return folder->label;
    case KeyRole:
        return folder->key;
    case ImageKeyRole:
        return folder->open ? QStringLiteral("open") : QStringLiteral("close");
    case ExpandedRole:
        return folder->expanded;
    default:
        return {};
    }
}

bool AddressFolderModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    const Node* node = nodeOf(index);
    if (role != Qt::EditRole || !node || node->parent < 0 || !m_rename)
        return false;
    // The handler changes the tree when it accepts; the model follows once the edit has ended.
    const QString key = node->key;
    m_inLabelEdit = true;
    const bool renamed = m_rename(key, value.toString());
    m_inLabelEdit = false;
    return renamed;
}

Qt::ItemFlags AddressFolderModel::flags(const QModelIndex& index) const
{
    const Node* node = nodeOf(index);
    if (!node)
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDropEnabled;
    if (node->parent >= 0)
        flags |= Qt::ItemIsEditable | Qt::ItemIsDragEnabled;
    return flags;
}

QStringList AddressFolderModel::mimeTypes() const
{
    return {kAddressRowsMimeType, kAddressFolderMimeType};
}

QMimeData* AddressFolderModel::mimeData(const QModelIndexList& indexes) const
{
    const Node* node = indexes.isEmpty() ? nullptr : nodeOf(indexes.first());
    if (!node)
        return nullptr;
    return encodeAddressDrag(AddressDrag{DragSource::Tree, {}, node->key});
}

bool AddressFolderModel::canDropMimeData(const QMimeData* data, Qt::DropAction, int row, int,
                                         const QModelIndex& parent) const
{
    // Onto a folder, never between folders.
    return row < 0 && nodeOf(parent) && decodeAddressDrag(data).has_value();
}

bool AddressFolderModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                                      const QModelIndex& parent)
{
    if (!canDropMimeData(data, action, row, column, parent) || !m_drop)
        return false;
    const QString target = nodeOf(parent)->key; // the handler rebuilds the model
    m_drop(target, *decodeAddressDrag(data));
    // The manager moved the entries; the views must not remove anything themselves.
    return false;
}

} // namespace fumibako::addressbook
