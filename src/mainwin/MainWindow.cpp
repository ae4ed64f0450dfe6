#include "mainwin/MainWindow.h"

#include "mainwin/FolderIconModel.h"
#include "mainwin/MainViews.h"
#include "mainwin/ReceiveDialogs.h"
#include "mainwin/SendingNoticeWindow.h"
#include "addressbook/AddressTable.h"
#include "compose/ComposeHost.h"
#include "compose/core/AddressBookMail.h"
#include "mainwin/core/MailTableModel.h"
#include "settings/AccountManagerDialog.h"
#include "settings/EnvironmentDialog.h"
#include "storage/MailtoCommandLine.h"
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
      m_dialogs(std::make_unique<WindowReceivingDialogs>(this, [this] { m_controller->cancelReceive(); })),
      m_controller(std::make_unique<MainController>(paths, m_prompts, *m_dialogs))
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(mainWindowTitle(QApplication::applicationVersion()));
    setWindowIcon(widgets::themedIcon(QStringLiteral("program")));
    m_treeModel = new FolderIconModel(m_controller->session().folderTree(), this);
    createWidgets();
    m_sendingNotice = new SendingNoticeWindow(this);
    m_controller->setPreviewPane(m_preview);
    m_controller->setComposeLauncher([this]() -> compose::ComposeLauncher& { return composeLauncher(); });
    createActions();
    wireViews();
    wireReceiving();
    wireSending();
    wireFiling();
    wirePreview();
    createSearch();
}

MainWindow::~MainWindow()
{
    m_compose.reset(); // its window before the account and the guard it uses
}

void MainWindow::wireViews()
{
    MainController* controller = m_controller.get();
    connect(m_accountBox, &QComboBox::currentIndexChanged, this, &MainWindow::accountChosen);
    connect(m_folderTree->selectionModel(), &QItemSelectionModel::currentChanged, this, &MainWindow::folderSelected);
    connect(m_folderTree, &QAbstractItemView::clicked, controller, &MainController::treeClicked);
    connect(m_folderTree, &FolderTreeView::digitTyped, this, &MainWindow::digitTyped);
    connect(m_folderTree, &FolderTreeView::rightReleased, this, &MainWindow::showTreePopup);
    connect(m_mailList, &MailListView::digitTyped, this, &MainWindow::digitTyped);
    connect(m_mailList, &MailListView::deletePressed, this, &MainWindow::deleteKey);
    connect(m_mailList, &MailListView::openRequested, this, &MainWindow::openSelected);
    connect(m_mailList, &QAbstractItemView::doubleClicked, this, &MainWindow::openSelected);
    connect(m_mailList, &MailListView::rightReleased, this, &MainWindow::showListPopup);
    connect(m_mailList, &MailListView::released, this, &MainWindow::listReleased);
    connect(m_addressList, &QTreeWidget::itemDoubleClicked, this, &MainWindow::addressDoubleClicked);
    connect(m_mailList->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
        m_controller->sortByColumn(column);
        m_mailList->horizontalHeader()->setSortIndicator(column, m_controller->mailModel()->sortState().order == 0
                                                                     ? Qt::AscendingOrder
                                                                     : Qt::DescendingOrder);
    });
    connect(controller, &MainController::folderShown, this, &MainWindow::folderShown);
    connect(controller, &MainController::treeReloaded, this, &MainWindow::treeReloaded);
    connect(controller, &MainController::treeChanged, m_treeModel, &FolderTreeModel::reload);
    connect(controller, &MainController::rowsRemoved, this, [this] { m_toolDelete->setEnabled(false); });
    connect(controller, &MainController::gridLinesChanged, m_mailList, &QTableView::setShowGrid);
    connect(controller, &MainController::readMessageRequested, this, &MainWindow::openReadWindow);
    connect(controller, &MainController::splittersMoved, this, &MainWindow::splittersMoved);
    m_treeModel->setRenameHandler(
        [controller](int node, const QString& text) { return controller->renameFolder(node, text); });
    m_treeModel->setDropHandler(
        [controller](const QString& key, const QList<int>& rows) { controller->dropRows(key, rows); });
    m_treeModel->setFileDropHandler(
        [this](const QString& key, const QStringList& paths) { importDroppedFiles(key, paths); });
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
    storage::AccountSession& session = m_controller->session();
    session.setWindowLoaded(false);
    m_preview->showFile(m_controller->startPage());
    m_controller->mailModel()->setSenderCaption(QStringLiteral("送信者"));
    const QStringList accounts = session.loadAccountList();
    fillAccountBox(accounts);
    if (accounts.isEmpty())
        return firstStart();
    accountChosen(0);
    addressbook::RebuildAddressTable(session.programPaths().programDir, m_prompts);
    applyDisplaySettings(m_controller->loadDisplaySettings());
    session.setWindowLoaded(true);
    // Opening the first account before the window counted as loaded left the timer disarmed;
    // without this, automatic receiving would wait for an account switch or a settings dialog.
    m_controller->setAutoReceiveArmed(true);
    resizeLayout();
    return true;
}

bool MainWindow::firstStart()
{
    // No account yet: the account manager, then the new account's environment settings, then the
    // whole load sequence again. Nothing made: the program ends without a word.
    {
        settings::AccountManagerDialog accounts(m_controller->session().programPaths().programDir, QString(),
                                                m_prompts.scripted(), this);
        accounts.exec();
    }
    storage::AccountSession& session = m_controller->session();
    const QStringList names = session.loadAccountList();
    fillAccountBox(names);
    if (names.isEmpty())
        return false;
    accountChosen(0);
    if (session.isOpen()) {
        settings::EnvironmentDialog environment(session, *m_controller, m_mailList->showGrid(), m_prompts.scripted(),
                                                this);
        environment.exec();
    }
    return loadSequence();
}

void MainWindow::afterShown(const QString& commandLine)
{
    composeLauncher().addMailtoAddresses(storage::ParseMailtoCommandLine(commandLine));
    if (storage::readReceiveAtStart(m_controller->session().paths().userFile))
        m_controller->receive();
    m_controller->showUnreadFolder();
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
    if (!m_controller->switchAccount(name)) {
        // Refused while a transfer runs: the list goes back to the account that stays open.
        m_accountBox->blockSignals(true);
        m_accountBox->setCurrentIndex(m_accountBox->findText(m_controller->session().accountName()));
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

void MainWindow::treeReloaded(int expandNode)
{
    m_treeModel->reload();
    // The fixed folders below the inbox stay in view; of the user folders only the first shows
    // what it holds.
    m_folderTree->expand(m_treeModel->indexOfNode(storage::kInboxNode));
    if (expandNode != 0)
        m_folderTree->expand(m_treeModel->indexOfNode(expandNode));
    searchAccountOpened();
}

int MainWindow::selectedNode() const
{
    return FolderTreeModel::nodeOf(m_folderTree->currentIndex());
}

void MainWindow::folderSelected(const QModelIndex& index)
{
    if (!m_followingController && index.isValid() && m_controller->session().isOpen())
        m_controller->showFolder(FolderTreeModel::nodeOf(index));
}

void MainWindow::folderShown(int node, const storage::FolderPresentation& shown)
{
    const QModelIndex index = m_treeModel->indexOfNode(node);
    if (index.isValid() && m_folderTree->currentIndex() != index) {
        m_followingController = true;
        m_folderTree->setCurrentIndex(index);
        m_followingController = false;
    }
    m_treeModel->setAcceptsDrops(shown.acceptsDrops);
    m_mailList->clearSelection();
    m_toolDelete->setEnabled(false);
}

void MainWindow::listReleased()
{
    m_toolDelete->setEnabled(!m_mailList->selectedRowNumbers().isEmpty());
}

} // namespace fumibako::mainwin
