#pragma once

#include <QIcon>
#include <QIdentityProxyModel>
#include <QTreeView>

namespace fumibako::addressbook {

/** The manager's pictures: "open" (the current folder), "close" (other folders), "file" (an address). */
QIcon addressIcon(const QString& key);

/** Adds the pictures of the core models' image keys (their role ImageKeyRole) as decorations. */
class AddressIconProxy : public QIdentityProxyModel {
    Q_OBJECT
public:
    AddressIconProxy(int imageKeyRole, QObject* parent) : QIdentityProxyModel(parent), m_imageKeyRole(imageKeyRole) {}
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    int m_imageKeyRole;
};

/**
 * @short The folder tree `treAddMain`: F2 edits the label, Delete deletes the folder, a
 * right-button release (or the menu key) asks for the pop-up; folders are dragged and take drops.
 */
class AddressTreeView : public QTreeView {
    Q_OBJECT
public:
    explicit AddressTreeView(QWidget* parent = nullptr);

Q_SIGNALS:
    void deletePressed();
    void popupRequested(const QPoint& globalPos);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
};

/**
 * @short The folder contents `LsvSenAdd`: Enter and double click open, Delete deletes rows,
 * rows are dragged onto the tree.
 *
 * Keeps the item-clicked flag: set by a press on a row, reported and cleared by the following
 * release. The menu key asks for the pop-up as a release on the selected rows would.
 */
class AddressListView : public QTreeView {
    Q_OBJECT
public:
    explicit AddressListView(QWidget* parent = nullptr);

    /** Row numbers of the selected rows, ascending. */
    QList<int> selectedRowNumbers() const;
    /** The selected row that "open" takes: the current one when selected, else the first selected. */
    std::optional<int> focusedSelectedRow() const;

Q_SIGNALS:
    void openRequested();
    void deletePressed();
    /** A mouse release (@p rowClicked: the press was on a row); the pop-up follows for the right button. */
    void released(bool rowClicked, bool rightButton, const QPoint& globalPos);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    bool m_itemClicked = false;
};

} // namespace fumibako::addressbook
