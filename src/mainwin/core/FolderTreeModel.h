#pragma once

#include <QAbstractItemModel>

#include <functional>
#include <vector>

namespace fumibako::storage {
class FolderTree;
}

namespace fumibako::mainwin {

/**
 * @short The mailbox folder tree as an item model; an index's internal id is its node index.
 *
 * Renaming (editing a label) and dropping mail rows are handed to the callbacks the window sets,
 * which run the folder commands; the model only reflects the tree afterwards.
 *
 * Once a search has run, the virtual folder "検索結果" follows the tree's roots as node
 * kSearchResultsNode: no folder of the tree, so no rule of the tree's nodes (renaming, the
 * pop-up menu, dropping) applies to it.
 */
class FolderTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    enum Role { KeyRole = Qt::UserRole + 1, ImageKeyRole, NodeIndexRole };
    /** The node index of "検索結果". */
    static constexpr int kSearchResultsNode = -1;

    /** Renames node @p nodeIndex to @p text; false when refused. */
    using RenameHandler = std::function<bool(int nodeIndex, const QString& text)>;
    /** Mail rows @p rows were dropped on the folder @p key. */
    using DropHandler = std::function<void(const QString& key, const QList<int>& rows)>;
    /** Files (or folders) @p paths were dropped from outside on the folder @p key: they are imported. */
    using FileDropHandler = std::function<void(const QString& key, const QStringList& paths)>;

    explicit FolderTreeModel(storage::FolderTree& tree, QObject* parent = nullptr);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    QStringList mimeTypes() const override;
    Qt::DropActions supportedDropActions() const override { return Qt::MoveAction | Qt::CopyAction; }
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;

    /** The index of node @p nodeIndex (1-based), invalid when there is none. */
    QModelIndex indexOfNode(int nodeIndex) const;
    static int nodeOf(const QModelIndex& index);

    /** The tree's nodes changed (account switch, folder added or deleted). */
    void reload();

    /** Shows or hides the node "検索結果". */
    void setSearchResultsShown(bool shown);
    bool isSearchResultsShown() const { return m_searchResultsShown; }
    /** The folder key of node @p nodeIndex (kSearchResultsNode included); empty for none. */
    QString keyOfNode(int nodeIndex) const;

    void setRenameHandler(RenameHandler handler) { m_rename = std::move(handler); }
    void setDropHandler(DropHandler handler) { m_drop = std::move(handler); }
    void setFileDropHandler(FileDropHandler handler) { m_fileDrop = std::move(handler); }
    /** The local files a drop carries; empty when it carries none or anything else. */
    static QStringList droppedFiles(const QMimeData* data);
    /** Whether the shown folder lets its messages be dropped on the tree. */
    void setAcceptsDrops(bool accepts) { m_acceptsDrops = accepts; }

private:
    void rebuildChildren();
    const QList<int>& childrenOf(int nodeIndex) const { return m_children.at(nodeIndex); }

    storage::FolderTree& m_tree;
    std::vector<QList<int>> m_children; ///< per node index (0 = the invisible root)
    std::vector<int> m_rowInParent;     ///< per node index
    RenameHandler m_rename;
    DropHandler m_drop;
    FileDropHandler m_fileDrop;
    bool m_acceptsDrops = true;
    bool m_searchResultsShown = false;
};

} // namespace fumibako::mainwin
