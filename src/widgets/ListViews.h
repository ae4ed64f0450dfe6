#pragma once

#include <QList>

#include <functional>

class QAbstractItemView;
class QKeyEvent;

/** What the program's list views share. */
namespace fumibako::widgets {

/** Row numbers of the rows selected in @p view, ascending. */
QList<int> selectedRowNumbersOf(const QAbstractItemView& view);

/** What a list does with the keys every list reads the same way. */
struct ListKeyActions {
    std::function<void(bool shift)> deletePressed; ///< Delete, told whether Shift is held
    std::function<void()> openRequested;           ///< Enter or Return: as a double click
};

/**
 * The keys the program's lists share: Delete and Enter go to @p actions, Ctrl+A selects every row
 * of @p view. True when @p event was one of them and is handled; other keys are the view's own.
 */
bool handleListKey(QAbstractItemView& view, const QKeyEvent& event, const ListKeyActions& actions);

} // namespace fumibako::widgets
