#pragma once

#include "addressbook/AddressBook.h"

#include <QList>
#include <QString>

#include <optional>

/** The decisions of the main window that do not need a window: keys and menus. */
namespace fumibako::mainwin {

/** Sort key and order of the mail list, with the column-click rule. */
struct ListSortState {
    int key = 5;   ///< 0-based column
    int order = 1; ///< 0 ascending, 1 descending
    bool changed = false; ///< a column header was clicked during the run

    /** A click on the 0-based @p column: the same column flips the order, another sorts descending. */
    void columnClicked(int column);
};

/**
 * The account a digit key asks for: 0-based index of account N for the key "1"…"9" when at least
 * N accounts exist; nothing for other keys.
 */
std::optional<int> accountForDigitKey(const QString& keyText, int accountCount);

/** What the Delete key does in the mail list. */
enum class DeleteAction { MoveToTrash, DeletePermanently };
DeleteAction deleteActionFor(const QString& folderKey, bool shift);

/** The folder tree's pop-up for the 1-based node index. */
struct TreePopupEnabling {
    bool shown = false;
    bool addFolder = false;
    bool deleteFolder = false;
};
TreePopupEnabling treePopupFor(int nodeIndex, bool userFolder);

/** The address pane's rows: the entries of the root folder "Root", in book order. */
QList<addressbook::AddressEntry> addressPaneEntries(const QList<addressbook::AddressEntry>& table);

/** "フミ(文)バコ" + space + version: the main window's caption. */
QString mainWindowTitle(const QString& version);

} // namespace fumibako::mainwin
