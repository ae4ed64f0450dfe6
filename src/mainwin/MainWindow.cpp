#include "mainwin/MainWindow.h"

#include "mainwin/FolderIconModel.h"
#include "mainwin/MainViews.h"
#include "mainwin/ReceiveDialogs.h"
#include "mainwin/SendingNoticeWindow.h"
#include "addressbook/AddressTable.h"
#include "compose/ComposeHost.h"
#include "compose/core/AddressBookMail.h"
#include "mainwin/core/MailTableModel.h"
#include "platform/FreedMemory.h"
#include "settings/AccountManagerDialog.h"
#include "settings/EnvironmentDialog.h"
#include "storage/MailtoCommandLine.h"
#include "transfer/Receiving.h"
#include "widgets/Icons.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTreeWidget>

namespace fumibako::mainwin {

using storage::FixedFolder::Unread;

MainWindow::MainWindow(const storage::ProgramPaths& paths, platform::UserPrompts* scriptedPrompts, QWidget* parent)
    : QMainWindow(parent),
      m_prompts(this, scriptedPrompts),
      m_guard(m_prompts),
      m_session(paths, m_prompts, [this] { return m_guard.confirmIdle(); }),
      m_folder(m_session.folderTree(), m_prompts, m_reader)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(mainWindowTitle(QApplication::applicationVersion()));
    setWindowIcon(widgets::themedIcon(QStringLiteral("program")));
    m_mailModel = new MailTableModel(m_folder, this);
    m_treeModel = new FolderIconModel(m_session.folderTree(), this);
    // Restarted by every listing, sort and preview, so it runs once the user pauses.
    m_returnFreedMemory.setSingleShot(true);
    m_returnFreedMemory.setInterval(300);
    connect(&m_returnFreedMemory, &QTimer::timeout, this, [] { platform::returnFreedMemory(); });
    createWidgets();
    m_sendingNotice = new SendingNoticeWindow(this);
    createReceiver();
    createActions();
    wireViews();
    createSearch();
}

MainWindow::~MainWindow()
{
    delete m_receiver; // before the receive seam it calls into
    m_compose.reset(); // its window before the account and the guard it uses
}

void MainWindow::wireViews()
{
    connect(m_accountBox, &QComboBox::currentIndexChanged, this, &MainWindow::accountChosen);
    connect(m_folderTree->selectionModel(), &QItemSelectionModel::currentChanged, this, &MainWindow::folderSelected);
    connect(m_folderTree, &QAbstractItemView::clicked, this, &MainWindow::treeClicked);
    connect(m_folderTree, &FolderTreeView::digitTyped, this, &MainWindow::digitTyped);
    connect(m_folderTree, &FolderTreeView::rightReleased, this, &MainWindow::showTreePopup);
    connect(m_mailList, &MailListView::digitTyped, this, &MainWindow::digitTyped);
    connect(m_mailList, &MailListView::deletePressed, this, &MainWindow::deleteKey);
    connect(m_mailList, &MailListView::openRequested, this, &MainWindow::openSelected);
    connect(m_mailList, &QAbstractItemView::doubleClicked, this, &MainWindow::openSelected);
    connect(m_mailList, &MailListView::rightReleased, this, &MainWindow::showListPopup);
    connect(m_mailList, &MailListView::released, this, &MainWindow::listReleased);
    connect(m_mailList, &MailListView::emptySpaceReleased, this, &MainWindow::emptySpaceReleased);
    connect(m_mailList, &MailListView::listPressed, this, &MainWindow::listPressed);
    connect(m_mailList, &MailListView::rowClicked, this, &MainWindow::mailRowClicked);
    connect(m_addressList, &QTreeWidget::itemDoubleClicked, this, &MainWindow::addressDoubleClicked);
    connect(m_mailList->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
        m_mailModel->columnClicked(column);
        m_returnFreedMemory.start();
        m_mailList->horizontalHeader()->setSortIndicator(column, m_mailModel->sortState().order == 0
                                                                     ? Qt::AscendingOrder
                                                                     : Qt::DescendingOrder);
    });
    connect(m_preview, &PreviewBrowser::linkActivated, this, &MainWindow::openLink);
    connect(&m_timers, &MainTimers::unreadTick, this, &MainWindow::unreadTick);
    connect(&m_timers, &MainTimers::autoReceiveMinute, this, &MainWindow::autoReceiveMinute);
    m_treeModel->setRenameHandler([this](int node, const QString& text) { return renameFolder(node, text); });
    m_treeModel->setDropHandler([this](const QString& key, const QList<int>& rows) { dropRows(key, rows); });
    m_accountBox->installEventFilter(this);
    m_addressList->installEventFilter(this);
    connect(&addressbook::AddressTable::notifier(), &addressbook::AddressTableNotifier::changed, this, [this] {
        if (m_addressPaneAction->isChecked())
            fillAddressPane();
    });
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && (watched == m_accountBox || watched == m_addressList)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (accountForDigitKey(key->text(), m_accountBox->count())) {
            digitTyped(key->text());
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

bool MainWindow::loadSequence()
{
    m_session.setWindowLoaded(false);
    m_preview->showFile(m_session.programPaths().programDir + QStringLiteral("FBTop.htm"));
    m_mailModel->setSenderCaption(QStringLiteral("送信者"));
    const QStringList accounts = m_session.loadAccountList();
    fillAccountBox(accounts);
    if (accounts.isEmpty())
        return firstStart();
    accountChosen(0);
    addressbook::RebuildAddressTable(m_session.programPaths().programDir, m_prompts);
    m_display = storage::loadDisplaySettings(m_session.programPaths().registryFile, m_display);
    applyDisplaySettings(m_display);
    m_session.setWindowLoaded(true);
    // Opening the first account before the window counted as loaded left the timer disarmed;
    // without this, automatic receiving would wait for an account switch or a settings dialog.
    setAutoReceiveArmed(true);
    resizeLayout();
    return true;
}

bool MainWindow::firstStart()
{
    // No account yet: the account manager, then the new account's environment settings, then the
    // whole load sequence again. Nothing made: the program ends without a word.
    {
        settings::AccountManagerDialog accounts(m_session.programPaths().programDir, QString(), m_prompts.scripted(),
                                                this);
        accounts.exec();
    }
    const QStringList names = m_session.loadAccountList();
    fillAccountBox(names);
    if (names.isEmpty())
        return false;
    accountChosen(0);
    if (m_session.isOpen()) {
        settings::EnvironmentDialog environment(m_session, *this, m_mailList->showGrid(), m_prompts.scripted(), this);
        environment.exec();
    }
    return loadSequence();
}

void MainWindow::afterShown(const QString& commandLine)
{
    composeLauncher().addMailtoAddresses(storage::ParseMailtoCommandLine(commandLine));
    if (storage::readReceiveAtStart(m_session.paths().userFile))
        receive();
    showUnreadFolder();
}

void MainWindow::activateFromAnotherStart(const QString& commandLine)
{
    // The running window comes back to its normal size, in front, with its open dialog on top.
    showNormal();
    raise();
    activateWindow();
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->raise();
        modal->activateWindow();
    }
    composeLauncher().addMailtoAddresses(storage::ParseMailtoCommandLine(commandLine));
}

void MainWindow::fillAccountBox(const QStringList& accounts)
{
    m_accountBox->blockSignals(true);
    m_accountBox->clear();
    m_accountBox->addItems(accounts);
    m_accountBox->setCurrentIndex(-1);
    m_accountBox->blockSignals(false);
}

void MainWindow::accountChosen(int index)
{
    if (index < 0 || index >= m_accountBox->count())
        return;
    const QString name = m_accountBox->itemText(index);
    if (!m_session.OpenAccount(name, *this)) {
        // Refused while a transfer runs: the list goes back to the account that stays open.
        m_accountBox->blockSignals(true);
        m_accountBox->setCurrentIndex(m_accountBox->findText(m_session.accountName()));
        m_accountBox->blockSignals(false);
        return;
    }
    if (m_accountBox->currentIndex() != index) {
        m_accountBox->blockSignals(true);
        m_accountBox->setCurrentIndex(index);
        m_accountBox->blockSignals(false);
    }
}

void MainWindow::digitTyped(const QString& text)
{
    if (const std::optional<int> account = accountForDigitKey(text, m_accountBox->count()))
        m_accountBox->setCurrentIndex(*account);
}

void MainWindow::folderTreeReloaded(bool expandFirstUserFolder)
{
    m_folder.setAccount(m_session.paths(), m_session.programPaths().workDir);
    m_mailModel->reload();
    m_treeModel->reload();
    // The fixed folders below the inbox stay in view; of the user folders only the first shows
    // what it holds.
    m_folderTree->expand(m_treeModel->indexOfNode(storage::kInboxNode));
    if (expandFirstUserFolder)
        m_folderTree->expand(m_treeModel->indexOfNode(storage::kTrashNode + 1));
    searchAccountOpened();
}

void MainWindow::setReceiveMethod(int method)
{
    m_receiveMethod = storage::receiveMethodOf(method).value_or(storage::ReceiveMethod::CountOnly);
    m_methodActions.at(int(m_receiveMethod))->setChecked(true);
}

void MainWindow::setAutoReceiveArmed(bool armed)
{
    const storage::AccountEnvironment& env = m_session.environment();
    if (armed)
        m_timers.armAutoReceive(env.autoReceive == 1);
    else
        m_timers.disarmAutoReceive();
}

void MainWindow::showUnreadFolder()
{
    selectFolderNode(m_session.folderTree().indexOfKey(Unread));
}

void MainWindow::setGridLines(bool shown)
{
    m_mailList->setShowGrid(shown);
}

int MainWindow::selectedNode() const
{
    return FolderTreeModel::nodeOf(m_folderTree->currentIndex());
}

void MainWindow::selectFolderNode(int nodeIndex)
{
    const QModelIndex index = m_treeModel->indexOfNode(nodeIndex);
    if (!index.isValid())
        return;
    if (m_folderTree->currentIndex() == index)
        showFolder(nodeIndex);
    else
        m_folderTree->setCurrentIndex(index); // runs showFolder through currentChanged
}

void MainWindow::folderSelected(const QModelIndex& index)
{
    if (index.isValid() && m_session.isOpen())
        showFolder(FolderTreeModel::nodeOf(index));
}

void MainWindow::showFolder(int nodeIndex)
{
    m_timers.stopUnreadTimer();
    const QString key = m_treeModel->keyOfNode(nodeIndex);
    searchFolderShowing(key);
    const storage::FolderPresentation shown = m_folder.SelectFolder(key);
    m_mailModel->setSenderCaption(shown.senderColumnCaption);
    m_treeModel->setAcceptsDrops(shown.acceptsDrops);
    m_mailModel->reload();
    m_mailList->clearSelection();
    previewFollowsList();
    m_toolDelete->setEnabled(false);
    m_returnFreedMemory.start();
    m_guard.refreshStatus();
}

void MainWindow::treeClicked()
{
    const QString startPage = m_session.programPaths().programDir + QStringLiteral("FBTop.htm");
    if (m_preview->location() != startPage)
        m_preview->showFile(startPage);
}

void MainWindow::unreadTick()
{
    const int row = m_mailList->focusedSelectedRow();
    if (!m_folder.unreadTimerTick(row))
        m_timers.stopUnreadTimer();
    if (row >= 0)
        m_mailModel->rowsUpdated();
}

void MainWindow::listReleased()
{
    m_toolDelete->setEnabled(!m_mailList->selectedRowNumbers().isEmpty());
}

void MainWindow::emptySpaceReleased()
{
    if (m_preview->location() != QLatin1String("about:blank"))
        m_preview->showBlank();
    m_timers.stopUnreadTimer();
}

} // namespace fumibako::mainwin
