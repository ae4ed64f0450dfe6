#include "mainwin/FolderIconModel.h"

#include "widgets/Icons.h"

namespace fumibako::mainwin {

QVariant FolderIconModel::data(const QModelIndex& index, int role) const
{
    if (role == Qt::DecorationRole)
        return widgets::themedIcon(FolderTreeModel::data(index, ImageKeyRole).toString());
    return FolderTreeModel::data(index, role);
}

} // namespace fumibako::mainwin
