#include "serverlist/core/SearchWordsModel.h"

#include "transfer/ServerList.h"

namespace fumibako::serverlist {

SearchWordsModel::SearchWordsModel(const QStringList& words, QObject* parent) : QStringListModel(words, parent)
{
}

bool SearchWordsModel::addWord(const QString& text)
{
    if (text.isEmpty())
        return false;
    const int row = rowCount();
    insertRows(row, 1);
    setData(index(row), text);
    return true;
}

void SearchWordsModel::removeWord(int row)
{
    if (row >= 0 && row < rowCount())
        removeRows(row, 1);
}

bool SearchWordsModel::saveTo(transfer::ServerList& list, const QString& userFile) const
{
    return list.saveSearchWords(userFile, stringList());
}

std::array<QString, 3> editorRowFields(const transfer::ServerList& list, int current)
{
    const QList<transfer::ServerListRow>& rows = list.visibleRows();
    if (rows.isEmpty())
        return {};
    const transfer::ServerListRow& row = rows.at(current >= 0 && current < rows.size() ? current : 0);
    return {row.subject, row.from, row.date};
}

} // namespace fumibako::serverlist
