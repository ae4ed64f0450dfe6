#include "mainwin/core/MainController.h"

#include "compose/core/ComposeCallers.h"
#include "mailview/PreviewRenderer.h"
#include "mainwin/core/MailTableModel.h"
#include "mainwin/core/MainPanes.h"
#include "mainwin/core/FolderTreeModel.h"
#include "mainwin/core/MainWindowRules.h"
#include "platform/FreedMemory.h"
#include "search/IndexLocation.h"
#include "search/MailCatalog.h"
#include "transfer/AutoReceive.h"
#include "transfer/ReceiveUi.h"
#include "transfer/Receiving.h"

#include <QFileInfo>

namespace fumibako::mainwin {

using storage::FlagCommand;

/** Receiving's seam: the window's dialogs, and new mail reported as the controller's signal. */
class MainController::ReceiveRelay : public transfer::ReceiveUi {
public:
    explicit ReceiveRelay(MainController& controller) : m_controller(controller) {}

    std::optional<transfer::PasswordAnswer> askPassword() override { return m_controller.m_dialogs.askPassword(); }
    void showProgress(const transfer::ProgressFigures& figures) override
    {
        m_controller.m_dialogs.showProgress(figures);
    }
    void updateProgress(const transfer::ProgressFigures& figures) override
    {
        m_controller.m_dialogs.updateProgress(figures);
    }
    void closeProgress() override { m_controller.m_dialogs.closeProgress(); }
    void setClipboardText(const QString& text) override { m_controller.m_dialogs.setClipboardText(text); }
    void playNewMailSound(const QString& file) override { m_controller.m_dialogs.playNewMailSound(file); }
    void mailFiled(int junk, int expired) override { m_controller.junkReceived(junk, expired); }
    void showUnreadFolder() override
    {
        m_controller.showUnreadFolder();
        Q_EMIT m_controller.newMailArrived();
    }

private:
    MainController& m_controller;
};

/** The "送信中" notice as two signals the window shows and hides its notice window by. */
class MainController::NoticeRelay : public transfer::SendingNotice {
public:
    explicit NoticeRelay(MainController& controller) : m_controller(controller) {}
    void show(const QString& text) override { Q_EMIT m_controller.sendStarted(text); }
    void close() override { Q_EMIT m_controller.sendEnded(); }

private:
    MainController& m_controller;
};

MainController::MainController(const storage::ProgramPaths& paths, platform::UserPrompts& prompts,
                               ReceivingDialogs& dialogs, QObject* parent)
    : QObject(parent),
      m_prompts(prompts),
      m_dialogs(dialogs),
      m_guard(m_prompts),
      m_session(paths, m_prompts, [this] { return m_guard.confirmIdle(); }),
      m_folder(m_session.folderTree(), m_prompts, m_reader),
      m_receiveRelay(std::make_unique<ReceiveRelay>(*this)),
      m_notice(std::make_unique<NoticeRelay>(*this))
{
    m_mailModel = new MailTableModel(m_folder, this);
    m_mailModel->setUnsureMarks(&m_unsureMarks);
    m_receiver = new transfer::Receiver(m_guard, m_prompts, *m_receiveRelay, m_currentMail, this);
    m_folder.setChangeListener(&m_search);
    m_receiver->setChangeListener(&m_search);
    createFilingRunner();
    m_junk.setProgramDir(paths.programDir);
    // Restarted by every listing, sort and preview, so it runs once the user pauses.
    m_returnFreedMemory.setSingleShot(true);
    m_returnFreedMemory.setInterval(300);
    connect(&m_returnFreedMemory, &QTimer::timeout, this, [] { platform::returnFreedMemory(); });
    connect(&m_timers, &MainTimers::autoReceiveMinute, this, &MainController::autoReceiveMinute);
}

MainController::~MainController()
{
    delete m_receiver; // before the receive seam it calls into
}

const storage::DisplaySettings& MainController::loadDisplaySettings()
{
    m_display = storage::loadDisplaySettings(m_session.programPaths().registryFile, m_display);
    m_splitters = {m_display.splitters.at(0), m_display.splitters.at(1), m_display.splitters.at(2)};
    return m_display;
}

QString MainController::startPage() const
{
    return m_session.programPaths().programDir + QStringLiteral("FBTop.htm");
}

// ---- Accounts

bool MainController::switchAccount(const QString& name)
{
    return m_session.OpenAccount(name, *this);
}

void MainController::folderTreeReloaded(bool expandFirstUserFolder)
{
    m_junk.forgetLast();
    m_folder.setAccount(m_session.paths(), m_session.programPaths().workDir);
    m_mailModel->reload();
    const QString indexFile = search::searchIndexFile(
        search::IndexLocationInputs::fromProcess(m_session.programPaths().programDir, m_session.accountName()));
    m_search.setAccount(indexFile, m_session.paths(), search::receivedFolderKeys(m_session.folderTree()));
    m_junk.moveOldJunk(m_session.paths(), &m_search);
    reloadUnsureMarks();
    Q_EMIT treeReloaded(expandFirstUserFolder ? m_session.folderTree().firstUserIndex() : 0);
}

void MainController::setReceiveMethod(int method)
{
    chooseReceiveMethod(storage::receiveMethodOf(method).value_or(storage::ReceiveMethod::CountOnly));
}

void MainController::chooseReceiveMethod(storage::ReceiveMethod method)
{
    m_receiveMethod = method;
    Q_EMIT receiveMethodChanged(method);
}

void MainController::setAutoReceiveArmed(bool armed)
{
    if (armed)
        m_timers.armAutoReceive(m_session.environment().autoReceive == 1);
    else
        m_timers.disarmAutoReceive();
}

void MainController::showUnreadFolder()
{
    showFolder(storage::FixedFolder::Unread);
}

void MainController::setGridLines(bool shown)
{
    Q_EMIT gridLinesChanged(shown);
}

// ---- Folders

bool MainController::showFolder(const QString& key)
{
    if (key == storage::kSearchResultsKey) {
        showFolder(FolderTreeModel::kSearchResultsNode);
        return true;
    }
    const int node = m_session.folderTree().indexOfKey(key);
    if (node <= 0)
        return false;
    showFolder(node);
    return true;
}

void MainController::showFolder(int node)
{
    const bool results = node == FolderTreeModel::kSearchResultsNode;
    if (!results && (node <= 0 || node > m_session.folderTree().count()))
        return;
    const QString key = results ? storage::kSearchResultsKey : m_session.folderTree().node(node).key;
    listFolder(node, key == m_folder.folderKey() ? Listing::Again : Listing::Another);
}

void MainController::listFolder(int node, Listing listing)
{
    m_timers.stopUnreadTimer();
    m_shownNode = node;
    const QString key = node == FolderTreeModel::kSearchResultsNode ? storage::kSearchResultsKey
                                                                    : m_session.folderTree().node(node).key;
    if (listing != Listing::Again && m_mailModel->filter().isActive())
        m_mailModel->setFilterText({});
    Q_EMIT folderShowing(key, listing);
    const storage::FolderPresentation shown = m_folder.SelectFolder(key);
    m_mailModel->setSenderCaption(shown.senderColumnCaption);
    m_mailModel->reload();
    Q_EMIT folderShown(node, shown);
    previewFollowsList();
    m_returnFreedMemory.start();
    m_guard.refreshStatus();
}

int MainController::addFolder(int selectedNode)
{
    const int node = m_session.addFolder(selectedNode);
    if (node != 0) {
        foldersChanged();
        Q_EMIT treeChanged();
    }
    return node;
}

void MainController::deleteFolder(int node)
{
    if (!treePopupFor(node, m_session.folderTree().isUserFolder(node)).deleteFolder)
        return;
    const int next = m_session.deleteFolder(node, m_folder.currentMailDir());
    if (next == 0)
        return;
    foldersChanged();
    Q_EMIT treeChanged();
    showFolder(next);
}

bool MainController::renameFolder(int node, const QString& text)
{
    const QString oldKey = m_session.folderTree().node(node).key;
    if (!m_session.renameFolder(node, text))
        return false;
    m_folder.foundFolderRenamed(oldKey, m_session.folderTree().node(node).key);
    foldersChanged();
    // The rows of the shown folder carry their section names; after a rename they may name a
    // section that no longer exists, so the shown folder is listed again under its new key.
    showFolder(m_shownNode);
    return true;
}

mailimport::ImportServices MainController::mailboxServices()
{
    return {&m_session, &m_guard, &m_search};
}

void MainController::importFoldersAdded()
{
    foldersChanged();
    Q_EMIT treeChanged();
    // The tree was rebuilt: the folder on show is shown (and selected) again.
    if (m_shownNode > 0)
        showFolder(m_shownNode);
}

void MainController::importEnded()
{
    if (m_shownNode != 0)
        showFolder(m_shownNode);
}

void MainController::foldersChanged()
{
    // The folders whose mail the index holds: a build meanwhile must not forget a new folder's.
    m_search.refresh(search::receivedFolderKeys(m_session.folderTree()));
}

void MainController::showSearchResults(std::vector<storage::FoundMail> found)
{
    m_folder.setFoundMail(std::move(found));
    listFolder(FolderTreeModel::kSearchResultsNode, Listing::NewResults);
}

// ---- The shown list's rows

void MainController::rowsChanged()
{
    m_mailModel->reload();
    previewFollowsList();
    Q_EMIT rowsRemoved();
    m_timers.stopUnreadTimer();
}

void MainController::applyFlag(FlagCommand command, const QList<int>& rows)
{
    m_folder.applyFlag(command, rows);
    m_mailModel->rowsUpdated();
}

void MainController::moveToTrash(const QList<int>& rows)
{
    if (m_folder.rows().isEmpty() || rows.isEmpty())
        return;
    m_folder.moveToTrash(rows);
    rowsChanged();
}

void MainController::takeOut(const QList<int>& rows)
{
    if (m_folder.rows().isEmpty() || rows.isEmpty())
        return;
    m_folder.takeOut(rows);
    rowsChanged();
}

void MainController::deletePermanently(const QList<int>& rows)
{
    if (m_folder.deletePermanently(rows)) {
        rowsChanged();
        if (m_pane)
            m_pane->showBlank();
    }
}

void MainController::deleteKey(bool shift, const QList<int>& rows)
{
    if (deleteActionFor(m_folder.folderKey(), shift) == DeleteAction::DeletePermanently)
        deletePermanently(rows);
    else
        moveToTrash(rows);
}

void MainController::dropRows(const QString& key, const QList<int>& rows)
{
    if (rows.isEmpty())
        return;
    m_junk.learnDrop(key, rows);
    reloadUnsureMarks();
    m_folder.dropOnFolder(key, rows);
    rowsChanged();
}

void MainController::sortByColumn(int column)
{
    m_mailModel->columnClicked(column);
    m_returnFreedMemory.start();
}

void MainController::openMessage(int row)
{
    if (row < 0 || row >= m_folder.rows().size())
        return;
    const QString key = m_folder.rows().at(row).keyString();
    const QString folder = m_folder.rows().at(row).tag; // the search results list every folder's mail
    if (storage::MailFolderView::isOutgoingKey(folder)) {
        if (m_composer)
            compose::openStoredMessage(m_composer(), m_currentMail, m_prompts, folder, m_folder.mailDirOf(folder), key);
        return;
    }
    // Opening marks the message read at once.
    if (m_folder.rows().at(row).unread) {
        m_folder.applyFlag(FlagCommand::MarkRead, {row});
        m_mailModel->rowsUpdated();
    }
    m_timers.stopUnreadTimer();
    Q_EMIT readMessageRequested(m_folder.mailDirOf(folder), key);
}

void MainController::outgoingMailChanged()
{
    if (m_folder.isOutgoingFolder())
        showFolder(m_shownNode);
}

// ---- The preview pane

QString MainController::previewLocationName() const
{
    const QString location = m_pane ? m_pane->location() : QString();
    if (location.isEmpty() || location == mailview::kBlankLocation)
        return location;
    return QFileInfo(location).fileName();
}

void MainController::listPressed()
{
    mailview::listPressed(m_previewState);
}

void MainController::rowClicked(int row)
{
    if (row < 0 || row >= m_folder.rows().size())
        return;
    const QString key = m_folder.rows().at(row).keyString();
    switch (mailview::itemClicked(m_previewState, key, previewLocationName())) {
    case mailview::PreviewAction::Nothing:
        return;
    case mailview::PreviewAction::Blank:
        if (m_pane)
            m_pane->showBlank();
        return;
    case mailview::PreviewAction::Render:
        break;
    }
    markUnreadTimer(row);
    showPreviewOf(key);
}

void MainController::previewFollowsList()
{
    const bool listed = m_folder.rows().containsKey(m_previewState.shownKey);
    if (mailview::listChanged(m_previewState, previewLocationName(), listed) == mailview::PreviewAction::Blank && m_pane)
        m_pane->showBlank();
}

void MainController::markUnreadTimer(int row)
{
    if (m_folder.rows().at(row).unread) {
        m_folder.startUnreadTimer();
        m_timers.startUnreadTimer();
    } else {
        m_timers.stopUnreadTimer();
    }
}

void MainController::showPreviewOf(const QString& key)
{
    const storage::ProgramPaths& paths = m_session.programPaths();
    const int row = m_folder.rows().rowOfKey(key);
    const QString folder = row >= 0 ? m_folder.rows().at(row).tag : m_folder.folderKey(); // the row's own folder
    const transfer::StoredMailKind kind = mailview::previewReadMode(folder);
    // The preview shows the body alone: the attachments are named, not written out. Saved into
    // the work folder (which often lives in memory), every click would add another copy of them.
    const bool read = transfer::ReadStoredMail(m_currentMail, kind, m_folder.mailDirOf(folder), key, QString());
    const QString text = mailview::previewTextAfterRead(read, m_currentMail.body);
    if (mailview::MakePreview(m_prompts, paths.previewFile, text, {m_display.previewFontName, m_display.previewFontSize})
        && m_pane)
        m_pane->showPreviewPage(paths.previewFile);
    m_returnFreedMemory.start();
}

void MainController::treeClicked()
{
    if (m_pane && m_pane->location() != startPage())
        m_pane->showFile(startPage());
}

void MainController::emptySpaceReleased()
{
    if (m_pane && m_pane->location() != mailview::kBlankLocation)
        m_pane->showBlank();
    m_timers.stopUnreadTimer();
}

void MainController::unreadTick(int focusedRow)
{
    if (!m_folder.unreadTimerTick(focusedRow))
        m_timers.stopUnreadTimer();
    if (focusedRow >= 0)
        m_mailModel->rowsUpdated();
}

void MainController::setPreviewFont(const QString& name, const QString& size)
{
    m_display.previewFontName = name;
    m_display.previewFontSize = size;
    // The new font shows at once on the message the pane shows, when it is still listed.
    const QString key = m_previewState.shownKey;
    if (!key.isEmpty() && previewLocationName() == mailview::kPreviewFileName && m_folder.rows().containsKey(key))
        showPreviewOf(key);
}

// ---- Sending: what the controller's own seams give a send

transfer::SendContext MainController::sendContext()
{
    transfer::SendContext context{m_session.properties(), m_session.paths(), m_session.histories(), m_prompts,
                                  m_notice.get()};
    context.askPassword = [this] { return m_dialogs.askPassword(); };
    context.changes = &m_search;
    return context;
}

// ---- The window's layout

void MainController::fitSplitters()
{
    m_splitters = storage::fitSplittersToForm(m_splitters, m_formTwips.width(), m_formTwips.height());
}

bool MainController::moveSplitter(int which, int twips)
{
    bool accepted = false;
    if (which == 0) {
        accepted = storage::acceptsVerticalSplitter(twips, m_formTwips.width());
        if (accepted)
            m_splitters.left = twips;
    } else {
        accepted = storage::acceptsHorizontalSplitter(twips, m_formTwips.height());
        if (accepted)
            (which == 1 ? m_splitters.listBottom : m_splitters.treeBottom) = twips;
    }
    // A refused position puts the splitter back where it was.
    Q_EMIT splittersMoved();
    return accepted;
}

} // namespace fumibako::mainwin
