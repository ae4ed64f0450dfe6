#pragma once

#include "mainwin/core/FolderTreeModel.h"

namespace fumibako::mainwin {

/** The folder tree model with the pictures of its image keys. */
class FolderIconModel : public FolderTreeModel {
    Q_OBJECT
public:
    using FolderTreeModel::FolderTreeModel;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
};

} // namespace fumibako::mainwin
