#include "settings/core/FilingLogModel.h"

#include "storage/FolderTree.h"

namespace fumibako::settings {

FilingLogModel::FilingLogModel(const QString& logFile, QObject* parent) : QAbstractTableModel(parent), m_file(logFile)
{
    reload();
}

void FilingLogModel::reload()
{
    beginResetModel();
    m_entries = filing::readFilingLog(m_file);
    endResetModel();
}

int FilingLogModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

int FilingLogModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant FilingLogModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    const filing::FilingLogEntry& entry = m_entries.at(index.row());
    switch (index.column()) {
    case WhenColumn: return entry.when.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
    case HowColumn: return entry.how;
    case RuleColumn: return entry.rules;
    case FolderColumn:
        if (!entry.folder.isEmpty())
            return entry.folder;
        return entry.how == filing::kFiledAtServer ? QStringLiteral("（受信していません）") : QStringLiteral("（移動なし）");
    case FromColumn: return entry.from;
    case SubjectColumn: return entry.subject;
    case DateColumn: return entry.date;
    case DoneColumn: return entry.done;
    default: return {};
    }
}

QVariant FilingLogModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const QStringList captions{QStringLiteral("日時"), QStringLiteral("方法"), QStringLiteral("ルール"),
                                      QStringLiteral("フォルダ"), QStringLiteral("差出人"), QStringLiteral("件名"),
                                      QStringLiteral("メールの日付"), QStringLiteral("ほかにしたこと")};
    return captions.value(section);
}

} // namespace fumibako::settings
