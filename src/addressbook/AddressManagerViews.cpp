#include "addressbook/AddressManagerViews.h"

#include "widgets/Icons.h"
#include "widgets/ListViews.h"

#include <QContextMenuEvent>
#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPolygonF>

#include <functional>

namespace fumibako::addressbook {

namespace {

/** A picture of 32 × 32 pixels drawn by @p draw on a transparent ground. */
QIcon drawnIcon(const std::function<void(QPainter&)>& draw)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
    p.end();
    return QIcon(pixmap);
}

// An address card: a white card with a head and shoulders on it.
void drawCard(QPainter& p)
{
    p.setPen(QPen(QColor(90, 90, 90), 1.5));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(3, 6, 26, 20), 3, 3);
    p.setBrush(QColor(120, 160, 220));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(8, 9, 7, 7));
    p.drawRoundedRect(QRectF(6, 17, 11, 6), 3, 3);
    p.setPen(QPen(QColor(140, 140, 140), 1.5));
    p.drawLine(QPointF(19, 12), QPointF(26, 12));
    p.drawLine(QPointF(19, 17), QPointF(26, 17));
}

// An open folder: the back standing, the front tilted forward in a lighter colour.
void drawOpenFolder(QPainter& p)
{
    p.setPen(QPen(QColor(150, 110, 30), 1.2));
    p.setBrush(QColor(220, 170, 60));
    p.drawPolygon(QPolygonF({QPointF(3, 8), QPointF(12, 8), QPointF(14, 11), QPointF(27, 11), QPointF(27, 26),
                             QPointF(3, 26)}));
    p.setBrush(QColor(255, 220, 120));
    p.drawPolygon(QPolygonF({QPointF(7, 15), QPointF(31, 15), QPointF(27, 26), QPointF(3, 26)}));
}

} // namespace

QIcon addressIcon(const QString& key)
{
    static QHash<QString, QIcon> cache;
    if (const auto found = cache.constFind(key); found != cache.cend())
        return *found;
    QIcon icon;
    if (key == QLatin1String("open"))
        icon = QIcon::fromTheme(QStringLiteral("folder-open"), drawnIcon(drawOpenFolder));
    else if (key == QLatin1String("file"))
        icon = QIcon::fromTheme(QStringLiteral("x-office-contact"), drawnIcon(drawCard));
    else
        icon = widgets::themedIcon(QStringLiteral("folder"));
    cache.insert(key, icon);
    return icon;
}

QVariant AddressIconProxy::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DecorationRole)
        return QIdentityProxyModel::data(index, role);
    const QString key = QIdentityProxyModel::data(index, m_imageKeyRole).toString();
    return key.isEmpty() ? QVariant() : QVariant(addressIcon(key));
}

AddressTreeView::AddressTreeView(QWidget* parent) : QTreeView(parent)
{
    setHeaderHidden(true);
    setEditTriggers(EditKeyPressed);
    setSelectionMode(SingleSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(DragDrop);
    setDefaultDropAction(Qt::MoveAction);
}

void AddressTreeView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Delete && state() != EditingState) {
        Q_EMIT deletePressed();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void AddressTreeView::mouseReleaseEvent(QMouseEvent* event)
{
    QTreeView::mouseReleaseEvent(event);
    if (event->button() == Qt::RightButton)
        Q_EMIT popupRequested(event->globalPosition().toPoint());
}

void AddressTreeView::contextMenuEvent(QContextMenuEvent* event)
{
    // The mouse asks on its release; the menu key asks here.
    if (event->reason() == QContextMenuEvent::Keyboard)
        Q_EMIT popupRequested(viewport()->mapToGlobal(visualRect(currentIndex()).bottomLeft()));
}

AddressListView::AddressListView(QWidget* parent) : QTreeView(parent)
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(SelectRows);
    setSelectionMode(ExtendedSelection);
    setEditTriggers(NoEditTriggers);
    setDragEnabled(true);
    setDragDropMode(DragOnly);
    setDefaultDropAction(Qt::MoveAction);
    header()->setSectionsClickable(true);
    header()->setSortIndicatorShown(true);
    header()->setSortIndicator(-1, Qt::AscendingOrder);
}

QList<int> AddressListView::selectedRowNumbers() const
{
    return widgets::selectedRowNumbersOf(*this);
}

std::optional<int> AddressListView::focusedSelectedRow() const
{
    const QList<int> rows = selectedRowNumbers();
    if (rows.isEmpty())
        return std::nullopt;
    const QModelIndex current = currentIndex();
    if (current.isValid() && rows.contains(current.row()))
        return current.row();
    return rows.first();
}

void AddressListView::keyPressEvent(QKeyEvent* event)
{
    const widgets::ListKeyActions actions{[this](bool) { Q_EMIT deletePressed(); }, [this] { Q_EMIT openRequested(); }};
    if (!widgets::handleListKey(*this, *event, actions))
        QTreeView::keyPressEvent(event);
}

void AddressListView::mousePressEvent(QMouseEvent* event)
{
    m_itemClicked = indexAt(event->position().toPoint()).isValid();
    QTreeView::mousePressEvent(event);
}

void AddressListView::mouseReleaseEvent(QMouseEvent* event)
{
    QTreeView::mouseReleaseEvent(event);
    const bool clicked = m_itemClicked;
    m_itemClicked = false;
    Q_EMIT released(clicked, event->button() == Qt::RightButton, event->globalPosition().toPoint());
}

void AddressListView::contextMenuEvent(QContextMenuEvent* event)
{
    if (event->reason() != QContextMenuEvent::Keyboard)
        return;
    const QModelIndex current = currentIndex();
    const QPoint where = current.isValid() ? visualRect(current).bottomLeft() : QPoint(0, 0);
    Q_EMIT released(!selectedRowNumbers().isEmpty(), true, viewport()->mapToGlobal(where));
}

} // namespace fumibako::addressbook
