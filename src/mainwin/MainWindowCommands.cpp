// The commands of the menus, the toolbar, the pop-up menus and the list's keys.
#include "mainwin/MainWindow.h"

#include "addressbook/AddressManagerWindow.h"
#include "addressbook/AddressTable.h"
#include "compose/ComposeHost.h"
#include "compose/core/AddressBookMail.h"
#include "compose/core/ComposeCallers.h"
#include "transfer/Sending.h"
#include "mainwin/MainViews.h"
#include "mainwin/core/FolderTreeModel.h"
#include "mainwin/core/MailTableModel.h"
#include "mailview/ReadWindow.h"
#include "search/SearchService.h"
#include "serverlist/ServerListWindow.h"
#include "settings/AccountManagerDialog.h"
#include "settings/EnvironmentDialog.h"
#include "settings/FontChooserDialog.h"
#include "settings/ListOrderDialog.h"

#include <QAction>
#include <QComboBox>
#include <QTreeWidget>

namespace fumibako::mainwin {

using storage::FlagCommand;

compose::ComposeLauncher& MainWindow::composeLauncher()
{
    if (!m_compose) {
        const storage::ProgramPaths& program = m_session.programPaths();
        compose::ComposeServices services{m_session.paths(), m_session.environment(), m_session.histories(), m_prompts,
                                          m_guard, [this] { return sendContext(); }};
        services.changes = m_search;
        // An outgoing folder on show lists what the compose window stored or sent.
        compose::ComposeWindowContext context{m_display.composeWindow, program.programDir, program.registryFile, [this] {
                                                  if (m_folder.isOutgoingFolder())
                                                      showFolder(selectedNode());
                                              }};
        m_compose = std::make_unique<compose::ComposeHost>(services, context, m_currentMail, this);
    }
    return *m_compose;
}

void MainWindow::newMail()
{
    composeLauncher().OpenCompose(compose::ComposeMode::New, QString(), QString(), QString());
}

void MainWindow::environmentSettings()
{
    m_timers.disarmAutoReceive();
    if (m_session.isOpen()) {
        settings::EnvironmentDialog dialog(m_session, *this, m_mailList->showGrid(), m_prompts.scripted(), this);
        dialog.exec();
    }
    setAutoReceiveArmed(true);
}

void MainWindow::addressBook()
{
    if (!m_addressBookMail)
        m_addressBookMail = std::make_unique<compose::AddressBookMail>(composeLauncher());
    addressbook::AddressManagerWindow::showFor(this, m_session.programPaths().programDir, m_prompts.scripted(),
                                               *m_addressBookMail,
                                               m_display.splitters.at(3),
                                               [this](int twips) { m_display.splitters.at(3) = qint16(twips); });
}

void MainWindow::accountManager()
{
    m_timers.disarmAutoReceive();
    m_selectedAccount = m_accountBox->currentText();
    {
        settings::AccountManagerDialog dialog(m_session.programPaths().programDir, m_selectedAccount,
                                              m_prompts.scripted(), this);
        dialog.exec();
        m_selectedAccount = dialog.selectedAccount();
    }
    const QStringList accounts = m_session.loadAccountList();
    fillAccountBox(accounts);
    if (accounts.isEmpty()) {
        // The last account was deleted: the first start again, and the end when nothing is made.
        if (!loadSequence())
            close();
        return;
    }
    // The account is opened again even when it stays the same: its settings may have changed.
    const int index = std::max(0, static_cast<int>(accounts.indexOf(m_selectedAccount)));
    accountChosen(index);
    if (m_session.accountName() != accounts.at(index))
        setAutoReceiveArmed(true); // refused while a transfer runs: the open account receives on
}

void MainWindow::fontChooser()
{
    auto* dialog = findChild<settings::FontChooserDialog*>();
    if (!dialog) {
        dialog = new settings::FontChooserDialog(m_session.programPaths().registryFile, this);
        connect(dialog, &settings::FontChooserDialog::previewFontChosen, this,
                [this](const QString& name, const QString& size) {
                    m_display.previewFontName = name;
                    m_display.previewFontSize = size;
                    showPreviewAgain();
                });
    }
    dialog->reload(m_display.previewFontName, m_display.previewFontSize);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void MainWindow::serverList()
{
    if (!m_session.isOpen())
        return;
    m_timers.disarmAutoReceive();
    m_prompts.setStatus(1, QStringLiteral("メールリストを取得中"));
    setReceiverAccount();
    const auto showReceived = [this](std::function<void()> closed) {
        mailview::ReadWindow::of(this, readWindowContext())->showReceived(std::move(closed));
    };
    serverlist::ServerListWindow::open(this, {*m_receiver, m_guard, m_prompts, m_session.paths().userFile, showReceived},
                                       [this] { setAutoReceiveArmed(true); });
}

void MainWindow::listOrder()
{
    settings::ListOrderDialog dialog(m_session.programPaths().programDir, this);
    dialog.exec();
}

void MainWindow::toggleAddressPane()
{
    // The action's check state already flipped when the menu triggered it.
    const bool show = m_addressPaneAction->isChecked();
    if (show)
        fillAddressPane();
    m_addressList->setVisible(show);
    resizeLayout();
}

void MainWindow::fillAddressPane()
{
    m_addressList->clear();
    for (const addressbook::AddressEntry& entry : addressPaneEntries(addressbook::AddressTable::instance().entries())) {
        auto* item = new QTreeWidgetItem(m_addressList, {entry.name, entry.comment});
        item->setData(0, Qt::UserRole, entry.address);
    }
}

void MainWindow::addressDoubleClicked(QTreeWidgetItem* item)
{
    if (!item || !item->isSelected())
        return;
    compose::ComposeFields fields;
    fields.to = item->data(0, Qt::UserRole).toString();
    composeLauncher().OpenCompose(compose::ComposeMode::New, QString(), QString(), QString(), fields);
}

void MainWindow::applyFlag(int element)
{
    m_folder.applyFlag(static_cast<FlagCommand>(element), m_mailList->selectedRowNumbers());
    m_mailModel->rowsUpdated();
}

void MainWindow::moveToTrash()
{
    const QList<int> rows = m_mailList->selectedRowNumbers();
    if (m_folder.rows().isEmpty() || rows.isEmpty())
        return;
    m_folder.moveToTrash(rows);
    listChanged();
}

void MainWindow::takeOut()
{
    const QList<int> rows = m_mailList->selectedRowNumbers();
    if (m_folder.rows().isEmpty() || rows.isEmpty())
        return;
    m_folder.takeOut(rows);
    listChanged();
}

void MainWindow::deletePermanently()
{
    if (m_folder.deletePermanently(m_mailList->selectedRowNumbers())) {
        listChanged();
        m_preview->showBlank();
    }
}

void MainWindow::deleteKey(bool shift)
{
    if (deleteActionFor(m_folder.folderKey(), shift) == DeleteAction::DeletePermanently)
        deletePermanently();
    else
        moveToTrash();
}

void MainWindow::openSelected()
{
    const int row = m_mailList->focusedSelectedRow();
    if (row < 0)
        return;
    const QString& folder = m_folder.rows().at(row).tag; // the search results list every folder's mail
    if (storage::MailFolderView::isOutgoingKey(folder)) {
        compose::openStoredMessage(composeLauncher(), m_currentMail, m_prompts, folder, m_folder.mailDirOf(folder),
                                   m_folder.rows().at(row).keyString());
        return;
    }
    openReadWindow(row);
}

void MainWindow::openReadWindow(int row)
{
    // Opening marks the message read at once.
    if (m_folder.rows().at(row).unread) {
        m_folder.applyFlag(FlagCommand::MarkRead, {row});
        m_mailModel->rowsUpdated();
    }
    m_timers.stopUnreadTimer();
    mailview::ReadWindow::of(this, readWindowContext())
        ->openStored(m_folder.mailDirOf(m_folder.rows().at(row).tag), m_folder.rows().at(row).keyString());
}

mailview::ReadWindowContext MainWindow::readWindowContext()
{
    return {m_prompts, m_currentMail, composeLauncher(), m_session.programPaths(), m_display.readWindow};
}

void MainWindow::listChanged()
{
    m_mailModel->reload();
    previewFollowsList();
    m_toolDelete->setEnabled(false);
    m_timers.stopUnreadTimer();
}

void MainWindow::dropRows(const QString& key, const QList<int>& rows)
{
    if (rows.isEmpty())
        return;
    m_folder.dropOnFolder(key, rows);
    listChanged();
}

void MainWindow::addFolder()
{
    const int node = m_session.addFolder(selectedNode());
    if (node == 0)
        return;
    searchFoldersChanged();
    m_treeModel->reload();
    const QModelIndex index = m_treeModel->indexOfNode(node);
    m_folderTree->expand(index.parent());
    m_folderTree->setCurrentIndex(index);
    m_folderTree->edit(index);
}

void MainWindow::deleteFolder()
{
    const int node = selectedNode();
    if (!treePopupFor(node).deleteFolder)
        return;
    const int next = m_session.deleteFolder(node, m_folder.currentMailDir());
    if (next == 0)
        return;
    searchFoldersChanged();
    m_treeModel->reload();
    selectFolderNode(next);
}

bool MainWindow::renameFolder(int nodeIndex, const QString& text)
{
    const QString oldKey = m_session.folderTree().node(nodeIndex).key;
    if (!m_session.renameFolder(nodeIndex, text))
        return false;
    m_folder.foundFolderRenamed(oldKey, m_session.folderTree().node(nodeIndex).key);
    searchFoldersChanged();
    // The rows of the shown folder carry their section names; after a rename they may name a
    // section that no longer exists, so the shown folder is listed again under its new key.
    const int shown = selectedNode();
    if (shown > 0)
        showFolder(shown);
    return true;
}

} // namespace fumibako::mainwin
