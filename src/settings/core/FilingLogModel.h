#pragma once

#include "filing/FilingLog.h"

#include <QAbstractTableModel>

namespace fumibako::settings {

/** @short "振り分けログ": which rule filed which message where, and when, newest first. */
class FilingLogModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { WhenColumn, HowColumn, RuleColumn, FolderColumn, FromColumn, SubjectColumn, DateColumn, DoneColumn, ColumnCount };

    explicit FilingLogModel(const QString& logFile, QObject* parent = nullptr);
    /** Reads the log again. */
    void reload();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QString m_file;
    QList<filing::FilingLogEntry> m_entries;
};

} // namespace fumibako::settings
