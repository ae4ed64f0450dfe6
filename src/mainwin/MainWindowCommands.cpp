// The commands of the menus, the toolbar, the pop-up menus and the list's keys.
#include "mainwin/MainWindow.h"

#include "addressbook/AddressManagerWindow.h"
#include "addressbook/AddressTable.h"
#include "compose/ComposeHost.h"
#include "compose/core/AddressBookMail.h"
#include "compose/core/ComposeCallers.h"
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
        MainController* controller = m_controller.get();
        storage::AccountSession& session = controller->session();
        const storage::ProgramPaths& program = session.programPaths();
        compose::ComposeServices services{session.paths(),     session.environment(),
                                          session.histories(), m_prompts,
                                          controller->guard(), [controller] { return controller->sendContext(); }};
        services.changes = &controller->search();
        // An outgoing folder on show lists what the compose window stored or sent.
        compose::ComposeWindowContext context{controller->display().composeWindow, program.programDir,
                                              program.registryFile,
                                              [controller] { controller->outgoingMailChanged(); }};
        m_compose = std::make_unique<compose::ComposeHost>(services, context, controller->currentMail(), this);
    }
    return *m_compose;
}

void MainWindow::newMail()
{
    composeLauncher().OpenCompose(compose::ComposeMode::New, QString(), QString(), QString());
}

void MainWindow::environmentSettings()
{
    m_controller->setAutoReceiveArmed(false);
    if (m_controller->session().isOpen()) {
        settings::EnvironmentDialog dialog(m_controller->session(), *m_controller, m_mailList->showGrid(),
                                           m_prompts.scripted(), this);
        dialog.exec();
    }
    m_controller->setAutoReceiveArmed(true);
}

void MainWindow::addressBook()
{
    if (!m_addressBookMail)
        m_addressBookMail = std::make_unique<compose::AddressBookMail>(composeLauncher());
    storage::DisplaySettings& display = m_controller->display();
    addressbook::AddressManagerWindow::showFor(this, m_controller->session().programPaths().programDir,
                                               m_prompts.scripted(), *m_addressBookMail, display.splitters.at(3),
                                               [&display](int twips) { display.splitters.at(3) = qint16(twips); });
}

void MainWindow::accountManager()
{
    storage::AccountSession& session = m_controller->session();
    m_controller->setAutoReceiveArmed(false);
    m_selectedAccount = m_accountBox->currentText();
    {
        settings::AccountManagerDialog dialog(session.programPaths().programDir, m_selectedAccount,
                                              m_prompts.scripted(), this);
        dialog.exec();
        m_selectedAccount = dialog.selectedAccount();
    }
    const QStringList accounts = session.loadAccountList();
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
    if (session.accountName() != accounts.at(index))
        m_controller->setAutoReceiveArmed(true); // refused while a transfer runs: the open account receives on
}

void MainWindow::fontChooser()
{
    auto* dialog = findChild<settings::FontChooserDialog*>();
    if (!dialog) {
        dialog = new settings::FontChooserDialog(m_controller->session().programPaths().registryFile, this);
        connect(dialog, &settings::FontChooserDialog::previewFontChosen, m_controller.get(),
                &MainController::setPreviewFont);
    }
    dialog->reload(m_controller->display().previewFontName, m_controller->display().previewFontSize);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void MainWindow::serverList()
{
    MainController& controller = *m_controller;
    if (!controller.session().isOpen())
        return;
    controller.setAutoReceiveArmed(false);
    m_prompts.setStatus(1, QStringLiteral("メールリストを取得中"));
    controller.prepareReceiver();
    const auto showReceived = [this](std::function<void()> closed) {
        mailview::ReadWindow::of(this, readWindowContext())->showReceived(std::move(closed));
    };
    const serverlist::ServerListContext context{controller.receiver(), controller.guard(), m_prompts,
                                                controller.session().paths().userFile, showReceived};
    serverlist::ServerListWindow::open(this, context, [&controller] { controller.setAutoReceiveArmed(true); });
}

void MainWindow::listOrder()
{
    settings::ListOrderDialog dialog(m_controller->session().programPaths().programDir, this);
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
    m_controller->applyFlag(static_cast<FlagCommand>(element), m_mailList->selectedRowNumbers());
}

void MainWindow::moveToTrash()
{
    m_controller->moveToTrash(m_mailList->selectedRowNumbers());
}

void MainWindow::takeOut()
{
    m_controller->takeOut(m_mailList->selectedRowNumbers());
}

void MainWindow::markJunk()
{
    m_controller->markJunk(m_mailList->selectedRowNumbers());
}

void MainWindow::markNotJunk()
{
    m_controller->markNotJunk(m_mailList->selectedRowNumbers());
}

void MainWindow::deletePermanently()
{
    m_controller->deletePermanently(m_mailList->selectedRowNumbers());
}

void MainWindow::deleteKey(bool shift)
{
    m_controller->deleteKey(shift, m_mailList->selectedRowNumbers());
}

void MainWindow::openSelected()
{
    m_controller->openMessage(m_mailList->focusedSelectedRow());
}

void MainWindow::openReadWindow(const QString& folder, const QString& name)
{
    mailview::ReadWindow::of(this, readWindowContext())->openStored(folder, name);
}

mailview::ReadWindowContext MainWindow::readWindowContext()
{
    MainController* controller = m_controller.get();
    return {m_prompts, m_controller->currentMail(), composeLauncher(), m_controller->session().programPaths(),
            m_controller->display().readWindow,
            [controller](const QString& name, bool junk) { controller->judgeShownMessage(name, junk); }};
}

void MainWindow::addFolder()
{
    const int node = m_controller->addFolder(selectedNode());
    if (node == 0)
        return;
    const QModelIndex index = m_treeModel->indexOfNode(node);
    m_folderTree->expand(index.parent());
    m_folderTree->setCurrentIndex(index);
    m_folderTree->edit(index);
}

void MainWindow::deleteFolder()
{
    m_controller->deleteFolder(selectedNode());
}

} // namespace fumibako::mainwin
