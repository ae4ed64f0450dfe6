#include "widgets/ListViews.h"

#include <QAbstractItemView>
#include <QKeyEvent>

#include <algorithm>

namespace fumibako::widgets {

QList<int> selectedRowNumbersOf(const QAbstractItemView& view)
{
    QList<int> rows;
    if (!view.selectionModel())
        return rows;
    for (const QModelIndex& index : view.selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

bool handleListKey(QAbstractItemView& view, const QKeyEvent& event, const ListKeyActions& actions)
{
    if (event.key() == Qt::Key_Delete) {
        actions.deletePressed(event.modifiers() & Qt::ShiftModifier);
        return true;
    }
    if (event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter) {
        actions.openRequested();
        return true;
    }
    if (event.matches(QKeySequence::SelectAll)) {
        view.selectAll();
        return true;
    }
    return false;
}

} // namespace fumibako::widgets
