#pragma once

#include <QList>
#include <QString>

#include <optional>

class QMimeData;

namespace fumibako::addressbook {

/** Where a drag in the manager began. */
enum class DragSource { List, Tree };

/** What is dragged: rows of the folder contents list, or one folder of the tree. */
struct AddressDrag {
    DragSource source = DragSource::List;
    QList<int> rows;   ///< contents rows (source List)
    QString folderKey; ///< the dragged folder (source Tree)
};

/** The data formats of the two drags. */
inline const QString kAddressRowsMimeType = QStringLiteral("application/x-fumibako-address-rows");
inline const QString kAddressFolderMimeType = QStringLiteral("application/x-fumibako-address-folder");

/** Mime data for @p drag (owned by the caller, as Qt's mimeData() hands it on). */
QMimeData* encodeAddressDrag(const AddressDrag& drag);

/** The drag held by @p data, if it is one of the manager's. */
std::optional<AddressDrag> decodeAddressDrag(const QMimeData* data);

} // namespace fumibako::addressbook
