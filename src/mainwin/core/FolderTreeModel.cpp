#include "mainwin/core/FolderTreeModel.h"

#include "mainwin/core/MailTableModel.h"
#include "storage/FolderTree.h"
#include "storage/MailFolderView.h"

#include <QMimeData>
#include <QUrl>

namespace fumibako::mainwin {

FolderTreeModel::FolderTreeModel(storage::FolderTree& tree, QObject* parent)
    : QAbstractItemModel(parent), m_tree(tree)
{
    rebuildChildren();
}

void FolderTreeModel::rebuildChildren()
{
    const int count = m_tree.count();
    m_children.assign(count + 1, {});
    m_rowInParent.assign(count + 1, 0);
    for (int i = 1; i <= count; ++i) {
        QList<int>& siblings = m_children.at(m_tree.node(i).parent);
        m_rowInParent.at(i) = static_cast<int>(siblings.size());
        siblings.append(i);
    }
}

void FolderTreeModel::reload()
{
    beginResetModel();
    rebuildChildren();
    endResetModel();
}

void FolderTreeModel::setSearchResultsShown(bool shown)
{
    if (shown == m_searchResultsShown)
        return;
    const int row = static_cast<int>(childrenOf(0).size());
    if (shown)
        beginInsertRows({}, row, row);
    else
        beginRemoveRows({}, row, row);
    m_searchResultsShown = shown;
    if (shown)
        endInsertRows();
    else
        endRemoveRows();
}

QString FolderTreeModel::keyOfNode(int nodeIndex) const
{
    if (nodeIndex == kSearchResultsNode)
        return storage::kSearchResultsKey;
    return nodeIndex >= 1 && nodeIndex <= m_tree.count() ? m_tree.node(nodeIndex).key : QString();
}

int FolderTreeModel::nodeOf(const QModelIndex& index)
{
    return index.isValid() ? static_cast<int>(index.internalId()) : 0;
}

QModelIndex FolderTreeModel::indexOfNode(int nodeIndex) const
{
    if (nodeIndex == kSearchResultsNode && m_searchResultsShown)
        return createIndex(static_cast<int>(childrenOf(0).size()), 0, quintptr(kSearchResultsNode));
    if (nodeIndex < 1 || nodeIndex >= static_cast<int>(m_rowInParent.size()))
        return {};
    return createIndex(m_rowInParent.at(nodeIndex), 0, quintptr(nodeIndex));
}

QModelIndex FolderTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    const int parentNode = nodeOf(parent);
    if (column != 0 || parentNode < 0 || parentNode >= static_cast<int>(m_children.size()))
        return {};
    const QList<int>& children = childrenOf(parentNode);
    if (parentNode == 0 && row == children.size() && m_searchResultsShown)
        return indexOfNode(kSearchResultsNode);
    if (row < 0 || row >= children.size())
        return {};
    return createIndex(row, 0, quintptr(children.at(row)));
}

QModelIndex FolderTreeModel::parent(const QModelIndex& child) const
{
    const int node = nodeOf(child);
    if (node < 1 || node > m_tree.count())
        return {};
    return indexOfNode(m_tree.node(node).parent);
}

int FolderTreeModel::rowCount(const QModelIndex& parent) const
{
    const int node = nodeOf(parent);
    if (parent.column() > 0 || node < 0 || node >= static_cast<int>(m_children.size()))
        return 0;
    const int extra = node == 0 && m_searchResultsShown ? 1 : 0;
    return static_cast<int>(childrenOf(node).size()) + extra;
}

int FolderTreeModel::columnCount(const QModelIndex&) const
{
    return 1;
}

QVariant FolderTreeModel::data(const QModelIndex& index, int role) const
{
    const int node = nodeOf(index);
    if (node == kSearchResultsNode) {
        if (role == Qt::DisplayRole || role == KeyRole)
            return storage::kSearchResultsKey;
        if (role == ImageKeyRole)
            return QStringLiteral("search");
        return role == NodeIndexRole ? QVariant(node) : QVariant();
    }
    if (node < 1 || node > m_tree.count())
        return {};
    const storage::FolderNode& folder = m_tree.node(node);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return folder.text;
    case KeyRole:
        return folder.key;
    case ImageKeyRole:
        return folder.imageKey;
    case NodeIndexRole:
        return node;
    default:
        return {};
    }
}

bool FolderTreeModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    const int node = nodeOf(index);
    if (role != Qt::EditRole || !m_tree.canRename(node) || !m_rename)
        return false;
    const QString text = value.toString();
    if (text == m_tree.node(node).text)
        return false;
    if (!m_rename(node, text))
        return false;
    // Keys below the renamed folder changed too; the structure did not.
    Q_EMIT dataChanged(index, index);
    return true;
}

Qt::ItemFlags FolderTreeModel::flags(const QModelIndex& index) const
{
    const int node = nodeOf(index);
    if (node == kSearchResultsNode)
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (node < 1)
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (m_tree.canRename(node))
        flags |= Qt::ItemIsEditable;
    if ((m_acceptsDrops && storage::FolderTree::isDropTarget(node)) || storage::FolderTree::takesMailFiles(node))
        flags |= Qt::ItemIsDropEnabled;
    return flags;
}

QStringList FolderTreeModel::mimeTypes() const
{
    return {MailTableModel::kRowsMimeType, QStringLiteral("text/uri-list")};
}

QStringList FolderTreeModel::droppedFiles(const QMimeData* data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile())
            return {};
        paths.append(url.toLocalFile());
    }
    return paths;
}

bool FolderTreeModel::canDropMimeData(const QMimeData* data, Qt::DropAction, int row, int,
                                      const QModelIndex& parent) const
{
    // Rows and files are dropped onto a folder, never between folders.
    if (row >= 0 || !data)
        return false;
    if (data->hasFormat(MailTableModel::kRowsMimeType))
        return m_acceptsDrops && storage::FolderTree::isDropTarget(nodeOf(parent));
    return storage::FolderTree::takesMailFiles(nodeOf(parent)) && !droppedFiles(data).isEmpty();
}

bool FolderTreeModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                                   const QModelIndex& parent)
{
    if (!canDropMimeData(data, action, row, column, parent))
        return false;
    const QString key = m_tree.node(nodeOf(parent)).key;
    if (!data->hasFormat(MailTableModel::kRowsMimeType)) {
        if (m_fileDrop)
            m_fileDrop(key, droppedFiles(data));
        return false; // the files stay where they are
    }
    if (!m_drop)
        return false;
    m_drop(key, MailTableModel::rowsFromMimeData(data));
    // The rows were moved by the folder view; the view must not remove anything itself.
    return false;
}

} // namespace fumibako::mainwin
