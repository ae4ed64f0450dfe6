#pragma once

#include "storage/IndexEntry.h"

#include <QAbstractTableModel>
#include <QList>

namespace fumibako::settings {

/** @short The messages a rule would take ("試す"): sender, subject and date, as the mail list shows them. */
class TriedMailModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TriedMailModel(QList<storage::MailRow> rows, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QList<storage::MailRow> m_rows;
};

} // namespace fumibako::settings
