#pragma once

#include "addressbook/core/AddressManager.h"
#include "widgets/WindowPrompts.h"

#include <QMainWindow>

#include <array>
#include <functional>

class QAction;
class QMenu;
class QSplitter;

namespace fumibako::addressbook {

class AddressIconProxy;
class AddressListView;
class AddressTreeView;

/**
 * @short `frmAddMain` ("アドレス帳管理"): the folder tree, the contents of the chosen folder, and
 * the commands that edit, import, export and save the address book.
 *
 * Presents and wires; the rules are AddressManager's. There is one manager window at a time:
 * showFor() brings the open one to the front. Closing it asks to save when something changed.
 */
class AddressManagerWindow : public QMainWindow {
    Q_OBJECT
public:
    /**
     * @p scriptedPrompts answers the message boxes instead of the user (tests); @p newMail starts
     * the mails the "To", "Cc" and "Bcc" commands ask for; @p splitterTwips is the kept
     * "Splitter3" position.
     */
    AddressManagerWindow(const QString& programDir, platform::UserPrompts* scriptedPrompts,
                         NewMailHost& newMail, int splitterTwips, QWidget* parent = nullptr);

    /**
     * Shows the manager without blocking, as a window of its own owned by @p owner: the open one
     * if there is one, else a new one that loads the book. @p splitterMoved is told every new
     * "Splitter3" position.
     */
    static AddressManagerWindow* showFor(QWidget* owner, const QString& programDir, platform::UserPrompts* scriptedPrompts,
                                         NewMailHost& newMail, int splitterTwips,
                                         std::function<void(int twips)> splitterMoved);

    /** Closes the manager owned by @p owner, if one is open; false when it stays open (its save failed). */
    static bool closeAll(QWidget* owner);

Q_SIGNALS:
    /** The splitter moved to an accepted position (twips from the window's left edge). */
    void splitterPositionChanged(int twips);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void createViews();
    void createMenus();
    void createPopups();
    void wire();
    QAction* addAction(QMenu* menu, const QString& objectName, const QString& caption, void (AddressManagerWindow::*slot)());

    // Tree
    void folderActivated(const QModelIndex& index);
    void selectFolderInView(const QString& key);
    void restoreTree();
    void showTreePopup(const QPoint& globalPos);
    void newFolder();
    void deleteFolder();

    // List
    void listReleased(bool rowClicked, bool rightButton, const QPoint& globalPos);
    void setRowCommandsEnabled(bool enabled);
    void openSelected();
    void newAddress();
    void deleteRows();
    void mailTo(RecipientBox box);

    // File menu
    void importBook();
    void exportBook();
    void save();

    // Splitter
    void splitterMoved(int position);
    void placeSplitter();

    widgets::WindowPrompts m_prompts;
    AddressManager m_manager;
    int m_splitterTwips;
    bool m_closed = false;
    AddressIconProxy* m_treeProxy = nullptr;
    AddressIconProxy* m_listProxy = nullptr;
    QSplitter* m_splitter = nullptr;
    AddressTreeView* m_tree = nullptr;
    AddressListView* m_list = nullptr;
    QMenu* m_listPopup = nullptr;
    QMenu* m_treePopup = nullptr;
    QAction* m_editAction = nullptr;
    std::array<QAction*, 3> m_mailActions{};
    QAction* m_deleteFolderAction = nullptr;
};

} // namespace fumibako::addressbook
