#include "storage/AccountSession.h"

#include "platform/UserPrompts.h"
#include "storage/DataDirectory.h"

#include <QFileInfo>

namespace fumibako::storage {

AccountSession::AccountSession(const ProgramPaths& programPaths, platform::UserPrompts& prompts,
                               std::function<bool()> mayProceed)
    : m_programPaths(programPaths), m_prompts(prompts), m_mayProceed(std::move(mayProceed))
{
}

QStringList AccountSession::loadAccountList()
{
    return LoadAccountList(m_programPaths.programDir);
}

void AccountSession::saveClosingAccount()
{
    // An account deleted in the account manager has no file any more; writing its tree or
    // histories would make the file again, a settings file that no registry entry names.
    if (!isOpen() || !QFileInfo::exists(m_paths.userFile))
        return;
    if (m_tree.isChanged())
        saveFolderTree();
    if (m_windowLoaded)
        writeAddressHistories(m_paths.userFile, m_histories);
}

void AccountSession::saveFolderTree()
{
    if (QFileInfo::exists(m_paths.userFile) && m_tree.save(m_paths.userFile))
        m_tree.clearChanged();
}

int AccountSession::addFolder(int selectedIndex)
{
    const int added = m_tree.addFolder(selectedIndex);
    if (added != 0)
        saveFolderTree();
    return added;
}

bool AccountSession::renameFolder(int index, const QString& text)
{
    if (!m_tree.rename(index, text, m_paths.receivedIndexFile, m_prompts))
        return false;
    saveFolderTree();
    return true;
}

int AccountSession::deleteFolder(int index, const QString& mailDir)
{
    const int next = m_tree.deleteFolder(index, m_paths.receivedIndexFile, mailDir, m_prompts);
    if (next != 0)
        saveFolderTree();
    return next;
}

bool AccountSession::OpenAccount(const QString& name, AccountSwitchHost& host)
{
    if (m_mayProceed && !m_mayProceed())
        return false;
    if (name.isEmpty())
        return false;
    saveClosingAccount();
    m_prompts.setStatus(1, QString());

    m_accountName = name;
    m_paths = AccountPaths::make(m_programPaths.programDir, name);
    m_properties = readAccountProperties(m_paths.userFile);
    m_environment = readAccountEnvironment(m_paths.userFile);
    prepareAccountDirs(m_programPaths.programDir, name);

    m_tree.removeUserFolders();
    m_tree.clearChanged();
    m_tree.load(m_paths.userFile, m_prompts);
    // An index section whose folder the list lacks (a run ended before the list was written)
    // gets its folder back, so its mail is not dropped by the next listing. The list is written
    // with the next folder command, account switch or exit.
    m_tree.addFoldersOfIndex(m_paths.receivedIndexFile);
    host.folderTreeReloaded(m_tree.count() > m_tree.firstUserIndex());

    host.setReceiveMethod(m_environment.receiveMethod);
    if (m_windowLoaded) {
        host.setAutoReceiveArmed(true);
        host.showUnreadFolder();
    } else {
        host.setAutoReceiveArmed(false);
    }
    host.setGridLines(m_environment.gridLines);
    m_histories = readAddressHistories(m_paths.userFile);
    return true;
}

bool AccountSession::ExitProgram(const DisplaySettings& display, bool sortChanged)
{
    if (m_mayProceed && !m_mayProceed())
        return false;
    if (isOpen() && m_windowLoaded) {
        writeExitDisplaySettings(m_programPaths.registryFile, display, sortChanged);
        m_tree.save(m_paths.userFile);
        writeAddressHistories(m_paths.userFile, m_histories);
    }
    emptyWorkDir(m_programPaths.workDir);
    return true;
}

} // namespace fumibako::storage
