#include "addressbook/core/AddressDrag.h"

#include <QMimeData>

namespace fumibako::addressbook {

QMimeData* encodeAddressDrag(const AddressDrag& drag)
{
    auto* data = new QMimeData;
    if (drag.source == DragSource::Tree) {
        data->setData(kAddressFolderMimeType, drag.folderKey.toUtf8());
        return data;
    }
    QStringList rows;
    for (int row : drag.rows)
        rows.append(QString::number(row));
    data->setData(kAddressRowsMimeType, rows.join(u' ').toLatin1());
    return data;
}

std::optional<AddressDrag> decodeAddressDrag(const QMimeData* data)
{
    if (!data)
        return std::nullopt;
    if (data->hasFormat(kAddressFolderMimeType))
        return AddressDrag{DragSource::Tree, {}, QString::fromUtf8(data->data(kAddressFolderMimeType))};
    if (!data->hasFormat(kAddressRowsMimeType))
        return std::nullopt;
    AddressDrag drag;
    for (const QByteArray& part : data->data(kAddressRowsMimeType).split(' ')) {
        bool ok = false;
        const int row = part.toInt(&ok);
        if (ok)
            drag.rows.append(row);
    }
    return drag;
}

} // namespace fumibako::addressbook
