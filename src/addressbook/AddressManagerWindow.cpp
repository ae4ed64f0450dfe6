#include "addressbook/AddressManagerWindow.h"

#include "addressbook/AddressEditDialog.h"
#include "addressbook/AddressManagerViews.h"
#include "addressbook/ImportWizardDialog.h"
#include "widgets/StoredGeometry.h"

#include <QAction>
#include <QCloseEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>

namespace fumibako::addressbook {

AddressManagerWindow::AddressManagerWindow(const QString& programDir, platform::UserPrompts* scriptedPrompts,
                                           NewMailHost& newMail, int splitterTwips, QWidget* parent)
    : QMainWindow(parent),
      m_prompts(this, scriptedPrompts),
      m_manager(programDir, m_prompts, newMail),
      m_splitterTwips(splitterTwips)
{
    setObjectName(QStringLiteral("frmAddMain"));
    setWindowTitle(QStringLiteral("アドレス帳管理"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(680, 440);
    createViews();
    createMenus();
    createPopups();
    wire();
}

AddressManagerWindow* AddressManagerWindow::showFor(QWidget* owner, const QString& programDir,
                                                    platform::UserPrompts* scriptedPrompts,
                                                    NewMailHost& newMail, int splitterTwips,
                                                    std::function<void(int)> splitterMoved)
{
    for (AddressManagerWindow* open : owner->findChildren<AddressManagerWindow*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (!open->m_closed) {
            open->showNormal();
            open->raise();
            open->activateWindow();
            return open;
        }
    }
    auto* window = new AddressManagerWindow(programDir, scriptedPrompts, newMail, splitterTwips, owner);
    window->setWindowFlag(Qt::Window);
    if (splitterMoved)
        connect(window, &AddressManagerWindow::splitterPositionChanged, owner, std::move(splitterMoved));
    window->m_manager.load();
    window->show();
    return window;
}

bool AddressManagerWindow::closeAll(QWidget* owner)
{
    for (AddressManagerWindow* open : owner->findChildren<AddressManagerWindow*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (!open->m_closed && !open->close())
            return false;
    }
    return true;
}

void AddressManagerWindow::createViews()
{
    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setObjectName(QStringLiteral("imgSpl"));
    m_splitter->setChildrenCollapsible(false);
    m_treeProxy = new AddressIconProxy(AddressFolderModel::ImageKeyRole, this);
    m_treeProxy->setSourceModel(&m_manager.folderModel());
    m_tree = new AddressTreeView(m_splitter);
    m_tree->setObjectName(QStringLiteral("treAddMain"));
    m_tree->setModel(m_treeProxy);
    m_listProxy = new AddressIconProxy(FolderContentsModel::ImageKeyRole, this);
    m_listProxy->setSourceModel(&m_manager.contents());
    m_list = new AddressListView(m_splitter);
    m_list->setObjectName(QStringLiteral("LsvSenAdd"));
    m_list->setModel(m_listProxy);
    m_list->setColumnWidth(FolderContentsModel::NameColumn, 140);
    m_list->setColumnWidth(FolderContentsModel::AddressColumn, 200);
    m_splitter->addWidget(m_tree);
    m_splitter->addWidget(m_list);
    m_splitter->setStretchFactor(1, 1);
    setCentralWidget(m_splitter);
}

QAction* AddressManagerWindow::addAction(QMenu* menu, const QString& objectName, const QString& caption,
                                         void (AddressManagerWindow::*slot)())
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(objectName);
    connect(action, &QAction::triggered, this, slot);
    return action;
}

void AddressManagerWindow::createMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    file->setObjectName(QStringLiteral("mnuFile"));
    addAction(file, QStringLiteral("mnuManual"), QStringLiteral("手入力追加(&M)"), &AddressManagerWindow::newAddress);
    addAction(file, QStringLiteral("mnuIm"), QStringLiteral("インポート(&I)"), &AddressManagerWindow::importBook);
    addAction(file, QStringLiteral("mnuExp"), QStringLiteral("エクスポート(&E)"), &AddressManagerWindow::exportBook);
    addAction(file, QStringLiteral("mnuSave"), QStringLiteral("保存(&S)"), &AddressManagerWindow::save);
    QAction* end = file->addAction(QStringLiteral("終了(&X)"));
    end->setObjectName(QStringLiteral("mnuEnd"));
    connect(end, &QAction::triggered, this, &QWidget::close);
}

void AddressManagerWindow::createPopups()
{
    // Pop-ups only: neither is an entry of the menu bar.
    m_listPopup = new QMenu(this);
    m_listPopup->setObjectName(QStringLiteral("POPUPlstaddmain"));
    addAction(m_listPopup, QStringLiteral("mnuSManualAdd"), QStringLiteral("手入力追加"), &AddressManagerWindow::newAddress);
    m_editAction = addAction(m_listPopup, QStringLiteral("mnuSHen"), QStringLiteral("編集"), &AddressManagerWindow::openSelected);
    const QString captions[] = {QStringLiteral("To"), QStringLiteral("Cc"), QStringLiteral("Bcc")};
    for (int i = 0; i < 3; ++i) {
        m_mailActions[i] = m_listPopup->addAction(captions[i]);
        m_mailActions[i]->setObjectName(QStringLiteral("mnuSTo%1").arg(i));
        connect(m_mailActions[i], &QAction::triggered, this, [this, i] { mailTo(static_cast<RecipientBox>(i)); });
    }
    setRowCommandsEnabled(false);
    m_treePopup = new QMenu(this);
    m_treePopup->setObjectName(QStringLiteral("POPUPtreAddMain"));
    addAction(m_treePopup, QStringLiteral("mnuSAddFolder"), QStringLiteral("フォルダの追加"), &AddressManagerWindow::newFolder);
    m_deleteFolderAction = addAction(m_treePopup, QStringLiteral("mnuSDelFolder"), QStringLiteral("フォルダの削除"),
                                     &AddressManagerWindow::deleteFolder);
}

void AddressManagerWindow::wire()
{
    AddressFolderModel& folders = m_manager.folderModel();
    connect(&folders, &QAbstractItemModel::modelReset, this, &AddressManagerWindow::restoreTree);
    connect(&m_manager, &AddressManager::folderShown, this, &AddressManagerWindow::selectFolderInView);
    connect(&m_manager, &AddressManager::closeRequested, this, &QWidget::close);
    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &AddressManagerWindow::folderActivated);
    connect(m_tree, &QTreeView::expanded, this,
            [this](const QModelIndex& index) { m_manager.setFolderExpanded(AddressFolderModel::keyOf(index), true); });
    connect(m_tree, &QTreeView::collapsed, this,
            [this](const QModelIndex& index) { m_manager.setFolderExpanded(AddressFolderModel::keyOf(index), false); });
    connect(m_tree, &AddressTreeView::deletePressed, this, &AddressManagerWindow::deleteFolder);
    connect(m_tree, &AddressTreeView::popupRequested, this, &AddressManagerWindow::showTreePopup);
    connect(m_list, &AddressListView::openRequested, this, &AddressManagerWindow::openSelected);
    connect(m_list, &QAbstractItemView::doubleClicked, this, &AddressManagerWindow::openSelected);
    connect(m_list, &AddressListView::deletePressed, this, &AddressManagerWindow::deleteRows);
    connect(m_list, &AddressListView::released, this, &AddressManagerWindow::listReleased);
    connect(m_list->header(), &QHeaderView::sectionClicked, this, [this](int column) {
        m_manager.contents().columnClicked(column);
        m_list->header()->setSortIndicator(column, m_manager.contents().descending() ? Qt::DescendingOrder
                                                                                      : Qt::AscendingOrder);
    });
    connect(m_splitter, &QSplitter::splitterMoved, this, &AddressManagerWindow::splitterMoved);
}

void AddressManagerWindow::folderActivated(const QModelIndex& index)
{
    const QString key = AddressFolderModel::keyOf(index);
    if (!key.isEmpty() && key != m_manager.currentFolder())
        m_manager.showFolder(key);
}

void AddressManagerWindow::selectFolderInView(const QString& key)
{
    const QModelIndex index = m_treeProxy->mapFromSource(m_manager.folderModel().indexOfKey(key));
    if (!index.isValid())
        return;
    if (m_tree->currentIndex() != index)
        m_tree->setCurrentIndex(index);
    m_tree->scrollTo(index);
    setRowCommandsEnabled(false);
}

// After the tree was built again: the folders that were open are opened again, and the current
// folder is selected.
void AddressManagerWindow::restoreTree()
{
    const std::function<void(const QModelIndex&)> expandOpen = [&](const QModelIndex& parent) {
        for (int row = 0; row < m_treeProxy->rowCount(parent); ++row) {
            const QModelIndex index = m_treeProxy->index(row, 0, parent);
            if (index.data(AddressFolderModel::ExpandedRole).toBool())
                m_tree->expand(index);
            expandOpen(index);
        }
    };
    expandOpen(QModelIndex());
    selectFolderInView(m_manager.currentFolder());
}

void AddressManagerWindow::showTreePopup(const QPoint& globalPos)
{
    m_deleteFolderAction->setEnabled(AddressManager::canDeleteFolder(m_manager.currentFolder()));
    m_treePopup->popup(globalPos);
}

void AddressManagerWindow::newFolder()
{
    const std::optional<QString> key = m_manager.newFolder();
    if (!key)
        return;
    const QModelIndex index = m_treeProxy->mapFromSource(m_manager.folderModel().indexOfKey(*key));
    m_tree->setFocus();
    m_tree->edit(index);
}

void AddressManagerWindow::deleteFolder()
{
    m_manager.deleteFolder(m_manager.currentFolder());
}

void AddressManagerWindow::listReleased(bool rowClicked, bool rightButton, const QPoint& globalPos)
{
    const ListReleaseOutcome outcome = addressbook::listReleased(rowClicked, m_manager.contents().count());
    setRowCommandsEnabled(outcome.rowCommandsEnabled);
    if (outcome.clearSelection)
        m_list->clearSelection();
    if (rightButton)
        m_listPopup->popup(globalPos);
}

void AddressManagerWindow::setRowCommandsEnabled(bool enabled)
{
    m_editAction->setEnabled(enabled);
    for (QAction* action : m_mailActions)
        action->setEnabled(enabled);
}

void AddressManagerWindow::openSelected()
{
    const OpenRequest request = m_manager.openRequest(m_list->focusedSelectedRow());
    switch (request.kind) {
    case OpenRequest::Kind::NewAddress:
        newAddress();
        return;
    case OpenRequest::Kind::ShowFolder:
        m_manager.showFolder(request.folderKey);
        return;
    case OpenRequest::Kind::EditAddress:
        break;
    }
    const int row = request.row;
    AddressEditDialog dialog(AddressDialogMode::Edit, m_manager.fieldsOf(row),
                             [this, row](const AddressFields& fields) {
                                 return m_manager.acceptAddress(AddressDialogMode::Edit, row, fields);
                             },
                             this);
    dialog.exec();
}

void AddressManagerWindow::newAddress()
{
    AddressEditDialog dialog(AddressDialogMode::New, {},
                             [this](const AddressFields& fields) {
                                 return m_manager.acceptAddress(AddressDialogMode::New, -1, fields);
                             },
                             this);
    dialog.exec();
    m_manager.showFolder(m_manager.currentFolder());
}

void AddressManagerWindow::deleteRows()
{
    m_manager.deleteRows(m_list->selectedRowNumbers());
}

void AddressManagerWindow::mailTo(RecipientBox box)
{
    m_manager.mailTo(box, m_list->selectedRowNumbers());
}

void AddressManagerWindow::importBook()
{
    ImportWizardDialog wizard(m_prompts, this);
    if (wizard.exec() == QDialog::Accepted)
        m_manager.importRows(wizard.rowsToImport());
    m_manager.showFolder(m_manager.currentFolder());
}

void AddressManagerWindow::exportBook()
{
    m_manager.exportBook();
}

void AddressManagerWindow::save()
{
    m_manager.save();
}

void AddressManagerWindow::closeEvent(QCloseEvent* event)
{
    if (!m_manager.close()) {
        event->ignore();
        return;
    }
    m_closed = true;
    event->accept();
}

void AddressManagerWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    placeSplitter();
}

void AddressManagerWindow::placeSplitter()
{
    const int offset = m_splitter->mapTo(this, QPoint(0, 0)).x();
    const QList<int> sizes = m_splitter->sizes();
    const int total = sizes.value(0) + sizes.value(1);
    if (total <= 0)
        return;
    const int first = std::clamp(widgets::pixelsAcross(*this, m_splitterTwips) - offset, 1, std::max(1, total - 1));
    m_splitter->setSizes({first, total - first});
}

void AddressManagerWindow::splitterMoved(int position)
{
    const int offset = m_splitter->mapTo(this, QPoint(0, 0)).x();
    const int twips = widgets::twipsAcross(*this, offset + position);
    const int widthTwips = widgets::twipsAcross(*this, width());
    if (!storage::acceptsVerticalSplitter(twips, widthTwips)) {
        placeSplitter(); // a refused position puts the splitter back
        return;
    }
    m_splitterTwips = twips;
    Q_EMIT splitterPositionChanged(twips);
}

} // namespace fumibako::addressbook
