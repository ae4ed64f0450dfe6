#pragma once

#include <QTreeView>

namespace fumibako::serverlist {

/**
 * @short One list `lsvList` of the server mail list: its keys and mouse rules.
 *
 * Delete removes rows from the list only, Enter acts as a double click, Ctrl+A selects all, the
 * context-menu key and a right-button release over a selected row ask for the pop-up menu. A
 * left-button release that did not follow a click on an item deselects the current row.
 */
class ServerListView : public QTreeView {
    Q_OBJECT
public:
    explicit ServerListView(QWidget* parent = nullptr);

    /** Row numbers of the selected rows, ascending. */
    QList<int> selectedRowNumbers() const;
    /** The current row when it is selected, else -1. */
    int selectedCurrentRow() const;

Q_SIGNALS:
    void deletePressed();
    void openRequested();
    void popupRequested(const QPoint& globalPos);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    bool m_itemClicked = false;
};

} // namespace fumibako::serverlist
