#include "serverlist/ServerListView.h"

#include "widgets/ListViews.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

namespace fumibako::serverlist {

ServerListView::ServerListView(QWidget* parent) : QTreeView(parent)
{
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(ExtendedSelection);
    setSelectionBehavior(SelectRows);
    setEditTriggers(NoEditTriggers);
    header()->setStretchLastSection(true);
}

QList<int> ServerListView::selectedRowNumbers() const
{
    return widgets::selectedRowNumbersOf(*this);
}

int ServerListView::selectedCurrentRow() const
{
    const QModelIndex current = currentIndex();
    if (!current.isValid() || !selectionModel()->isRowSelected(current.row(), {}))
        return -1;
    return current.row();
}

void ServerListView::keyPressEvent(QKeyEvent* event)
{
    // Delete removes rows from the list whether or not Shift is held.
    const widgets::ListKeyActions actions{[this](bool) { Q_EMIT deletePressed(); }, [this] { Q_EMIT openRequested(); }};
    if (!widgets::handleListKey(*this, *event, actions))
        QTreeView::keyPressEvent(event);
}

void ServerListView::mousePressEvent(QMouseEvent* event)
{
    m_itemClicked = indexAt(event->position().toPoint()).isValid();
    QTreeView::mousePressEvent(event);
}

void ServerListView::mouseReleaseEvent(QMouseEvent* event)
{
    QTreeView::mouseReleaseEvent(event);
    const QModelIndex hit = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton) {
        if (!m_itemClicked && currentIndex().isValid())
            selectionModel()->select(currentIndex(), QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
        m_itemClicked = false;
    } else if (event->button() == Qt::RightButton && hit.isValid() && selectionModel()->isRowSelected(hit.row(), {})) {
        Q_EMIT popupRequested(event->globalPosition().toPoint());
    }
}

void ServerListView::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTreeView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid())
        Q_EMIT openRequested();
}

void ServerListView::contextMenuEvent(QContextMenuEvent* event)
{
    // The mouse's pop-up comes with the button's release; only the context-menu key's is taken here.
    if (event->reason() == QContextMenuEvent::Keyboard)
        Q_EMIT popupRequested(event->globalPos());
}

} // namespace fumibako::serverlist
