#pragma once

#include "addressbook/AddressBook.h"
#include "addressbook/AddressImport.h"
#include "addressbook/core/AddressDrag.h"
#include "addressbook/core/AddressEntryList.h"
#include "addressbook/core/AddressFolderModel.h"
#include "addressbook/core/FolderContentsModel.h"
#include "addressbook/core/NewMailHost.h"

#include <QObject>

#include <optional>

namespace fumibako::platform {
class UserPrompts;
}

namespace fumibako::addressbook {

/** The three boxes of the address dialog. */
struct AddressFields {
    QString name;
    QString address;
    QString comment;
};

/** The address dialog adds an address to the current folder or edits one row. */
enum class AddressDialogMode { New, Edit };

/** What opening a row of the contents list (double click, Enter, "編集") leads to. */
struct OpenRequest {
    enum class Kind { NewAddress, ShowFolder, EditAddress } kind = Kind::NewAddress;
    QString folderKey; ///< ShowFolder
    int row = -1;      ///< EditAddress: the contents row
};

/** What a mouse release on the contents list does. */
struct ListReleaseOutcome {
    bool rowCommandsEnabled = false; ///< "編集", "To", "Cc", "Bcc"
    bool clearSelection = false;
};

/**
 * The release rule: after a click on a row the row commands are enabled; a release elsewhere
 * disables them and, when the list has rows, clears the selection.
 */
ListReleaseOutcome listReleased(bool rowWasClicked, int rowCount);

inline const QString kNestedMoveMessage = QStringLiteral("親は自分、子の中には移動できません");

/**
 * @short The rules of the address book manager (`frmAddMain`): the book being edited, its
 * folder tree, the contents of the current folder, and every command of the window.
 *
 * The window shows folderModel() and contents() and hands the user's commands here. While a
 * manager is loaded, loaded() returns it, so that the read window's quick add reaches the list
 * being edited (QuickAddSender). The entry list changes only here; after each change the
 * contents are filled again, so a contents row always names its entry by row number.
 */
class AddressManager : public QObject {
    Q_OBJECT
public:
    AddressManager(const QString& programDir, platform::UserPrompts& prompts, NewMailHost& newMail,
                   QObject* parent = nullptr);
    ~AddressManager() override;

    AddressFolderModel& folderModel() { return m_folderModel; }
    FolderContentsModel& contents() { return m_contents; }
    const AddressEntryList& entryList() const { return m_entries; }
    const AddressFolderTree& tree() const { return m_tree; }
    const QString& programDir() const { return m_programDir; }

    /** Opening the window: the changed flag cleared, the book loaded, the root folder shown. */
    void load();
    /** The manager that is loaded now (between load() and closing), if any. */
    static AddressManager* loaded();

    /** The changed flag: set by every change of the entry list, cleared by loading and saving. */
    bool Henkou() const { return m_henkou; }
    void setHenkou(bool changed) { m_henkou = changed; }

    /** The folder whose contents are shown (the selected one, with the "open" icon). */
    QString currentFolder() const { return m_tree.selected(); }
    /** Shows folder @p key: its subfolders, then its addresses. */
    void showFolder(const QString& key);
    /** Marks folder @p key as expanded or collapsed, as the view shows it. */
    void setFolderExpanded(const QString& key, bool expanded) { m_tree.setExpanded(key, expanded); }

    /** "フォルダの追加": a new folder "新規フォルダn" below the current one, made current; its key, or nothing when refused. */
    std::optional<QString> newFolder();
    /** The end of a label edit: false when the name is refused (the edit is cancelled). */
    bool renameFolder(const QString& key, const QString& name);
    /** Whether "フォルダの削除" applies to @p key (never to the root folder). */
    static bool canDeleteFolder(const QString& key) { return key != kRootFolder; }
    /** "フォルダの削除" after asking; false when not deleted. */
    bool deleteFolder(const QString& key);

    /** What opening @p row (the selected row, if any) does. */
    OpenRequest openRequest(std::optional<int> row) const;
    /** The dialog's boxes for editing contents row @p row. */
    AddressFields fieldsOf(int row) const;
    /** The dialog's "OK": false (the dialog stays open) when the name or the address is empty. */
    bool acceptAddress(AddressDialogMode mode, int row, const AddressFields& fields);
    /** Delete on the contents list, after asking. */
    void deleteRows(const QList<int>& rows);
    /** "To", "Cc", "Bcc": a new message with the addresses of @p rows, the last row's first. */
    void mailTo(RecipientBox box, const QList<int>& rows);
    /** A drop of @p drag on folder @p target. */
    void drop(const QString& target, const AddressDrag& drag);

    /** The import wizard's "完了": @p rows join the current folder. */
    void importRows(const QList<ImportedAddress>& rows);
    /** "エクスポート(&E)": writes "Exp_Address.csv" and says where. */
    void exportBook();

    /** "保存(&S)": writes the book and hands it to the program's table; false when it could not be written. */
    bool save();
    /**
     * Closing the window: asks to save when something changed. False when the window must stay
     * open (the save failed). Afterwards the manager is no longer loaded.
     */
    bool close();

    /**
     * The read window's quick add put @p entry into the book file (when @p written) while this
     * manager is open: the entry joins the list too, so neither the file nor the list loses it.
     */
    void takeQuickAddedEntry(const AddressEntry& entry, bool written);

Q_SIGNALS:
    /** The current folder changed: the tree view selects it and shows its ancestors expanded. */
    void folderShown(const QString& key);
    /** Saving succeeded: the window closes without asking again. */
    void closeRequested();

private:
    enum class FolderMove { Moved, Empty, Refused };

    void reloadTree();
    void rebuildTreeAfterMove(const QString& select, const QList<AddressEntry>& before, bool changed);
    void dropRows(const QString& target, const QList<int>& rows);
    void dropFolder(const QString& target, const QString& folder);
    FolderMove moveFolder(const QString& folder, const QString& newKey);
    void unload();
    bool writeBook();

    QString m_programDir;
    platform::UserPrompts& m_prompts;
    NewMailHost& m_newMail;
    AddressEntryList m_entries;
    AddressFolderTree m_tree;
    AddressFolderModel m_folderModel;
    FolderContentsModel m_contents;
    bool m_henkou = false;
    bool m_loaded = false;
};

} // namespace fumibako::addressbook
