#pragma once

#include "storage/AccountSettings.h"
#include "storage/AddressHistory.h"
#include "storage/FolderTree.h"
#include "storage/Paths.h"
#include "storage/RegistrySettings.h"

#include <QStringList>

#include <functional>

namespace fumibako::platform {
class UserPrompts;
}

namespace fumibako::storage {

/** The main window's part of an account switch: what it shows of the newly opened account. */
class AccountSwitchHost {
public:
    virtual ~AccountSwitchHost() = default;
    /** The user folders were reloaded; expand node 8 when @p expandFirstUserFolder. */
    virtual void folderTreeReloaded(bool expandFirstUserFolder) = 0;
    /** Check the receive method's menu item (0 count only, 1 receive, 2 receive and delete). */
    virtual void setReceiveMethod(int method) = 0;
    /** Arm (after start-up) or disarm (during start-up) automatic receiving. */
    virtual void setAutoReceiveArmed(bool armed) = 0;
    /** Select the node "未読メール" and show it. */
    virtual void showUnreadFolder() = 0;
    virtual void setGridLines(bool shown) = 0;
};

/**
 * @short The open account: its settings, paths, folder tree and address histories, and the
 * steps of switching accounts and of closing the program.
 */
class AccountSession {
public:
    /** @p mayProceed asks the operation guard whether no transfer runs (showing its refusal). */
    AccountSession(const ProgramPaths& programPaths, platform::UserPrompts& prompts, std::function<bool()> mayProceed);

    const ProgramPaths& programPaths() const { return m_programPaths; }
    /** The usable accounts; writes the first-start defaults when there is none. */
    QStringList loadAccountList();

    /**
     * Closes the open account (saving its changed folder tree and, after start-up, its histories)
     * and opens @p name. False, with the old account still open, when a transfer runs.
     */
    bool OpenAccount(const QString& name, AccountSwitchHost& host);

    bool isOpen() const { return !m_accountName.isEmpty(); }
    const QString& accountName() const { return m_accountName; }
    const AccountPaths& paths() const { return m_paths; }
    const AccountProperties& properties() const { return m_properties; }
    AccountProperties& properties() { return m_properties; }
    const AccountEnvironment& environment() const { return m_environment; }
    /** The environment settings dialog keeps these in step with the file it writes. */
    AccountEnvironment& environment() { return m_environment; }
    AddressHistories& histories() { return m_histories; }
    FolderTree& folderTree() { return m_tree; }

    /**
     * The folder commands of the open account. Each writes the folder list at once, so that a
     * folder and the mail filed into it outlive a crash or a kill; they return what the
     * FolderTree command of the same name returns.
     */
    int addFolder(int selectedIndex);
    bool renameFolder(int index, const QString& text);
    int deleteFolder(int index, const QString& mailDir);
    /**
     * Adds the user folders @p keys with the folders above them (see FolderTree::addFolderPath)
     * and writes the folder list; the keys that could be made.
     */
    QStringList addFolderPaths(const QStringList& keys);

    /** The main window finished (or restarted) its load sequence. */
    void setWindowLoaded(bool loaded) { m_windowLoaded = loaded; }
    bool isWindowLoaded() const { return m_windowLoaded; }

    /**
     * The writing half of closing the program: refused (false) while a transfer runs; otherwise
     * writes the display settings, the folder tree and the histories, and empties the working folder.
     */
    bool ExitProgram(const DisplaySettings& display, bool sortChanged);

private:
    void saveClosingAccount();
    void saveFolderTree();

    ProgramPaths m_programPaths;
    platform::UserPrompts& m_prompts;
    std::function<bool()> m_mayProceed;
    QString m_accountName;
    AccountPaths m_paths;
    AccountProperties m_properties;
    AccountEnvironment m_environment;
    AddressHistories m_histories;
    FolderTree m_tree;
    bool m_windowLoaded = false;
};

} // namespace fumibako::storage
