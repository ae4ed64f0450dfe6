// The main window's side of search: the search box above the mail list, the quick filter of the
// shown folder, the search of every folder into "検索結果", and the search index of the open
// account kept in step with everything that changes its mail.
#include "mainwin/MainWindow.h"

#include "mainwin/MainViews.h"
#include "mainwin/SearchBar.h"
#include "mainwin/core/FolderTreeModel.h"
#include "mainwin/core/MailTableModel.h"
#include "search/IndexLocation.h"
#include "search/MailCatalog.h"
#include "search/SearchOutcome.h"
#include "search/SearchService.h"
#include "transfer/Receiving.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QVBoxLayout>

namespace fumibako::mainwin {

QWidget* MainWindow::createListPane()
{
    auto* pane = new QWidget(this);
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_searchBar = new SearchBar(pane);
    layout->addWidget(m_searchBar);
    layout->addWidget(m_mailList, 1);
    // Where a found message lives shows beside its flags, in view however narrow the list is.
    m_mailList->horizontalHeader()->moveSection(kFolderColumn, kFromColumn);
    m_mailList->setColumnHidden(kFolderColumn, true);
    return pane;
}

void MainWindow::createSearch()
{
    MainController* controller = m_controller.get();
    search::SearchService* index = &controller->search();
    MailTableModel* model = controller->mailModel();
    m_indexProgress = new QLabel(statusBar());
    m_indexProgress->setObjectName(QStringLiteral("lblIndexProgress"));
    statusBar()->addPermanentWidget(m_indexProgress);
    connect(index, &search::SearchService::progress, this, [this](int done, int total) {
        m_indexProgress->setText(search::buildingIndexText(done, total));
    });
    connect(index, &search::SearchService::updated, this, [this](const search::UpdateReport& report) {
        const bool failed = !report.completed && !report.error.isEmpty();
        m_indexProgress->setText(failed ? QStringLiteral("検索用の索引を作成できませんでした") : QString());
        m_indexProgress->setToolTip(failed ? report.error : QString());
    });

    connect(m_searchBar, &SearchBar::filterEdited, this, &MainWindow::filterList);
    connect(m_searchBar, &SearchBar::searchRequested, this, &MainWindow::searchAllFolders);
    connect(m_searchBar, &SearchBar::leaveRequested, this, [this, model] {
        m_mailList->setFocus(Qt::OtherFocusReason);
        if (m_mailList->selectedRowNumbers().isEmpty() && model->rowCount() > 0) {
            m_mailList->selectRow(0); // as a click on the first row
            m_controller->rowClicked(model->folderRow(0));
            listReleased();
        }
    });
    connect(controller, &MainController::folderShowing, this, &MainWindow::searchFolderShowing);
    // The rows' texts are made ready while the user is about to type.
    connect(m_searchBar, &SearchBar::boxFocused, model, &MailTableModel::setPreparingFilter);
    // A listing or a command shows the rows anew: the count tells what the filter leaves.
    connect(model, &QAbstractItemModel::modelReset, this, [this, model] {
        if (model->filter().isActive())
            showFilterCount();
    });

    auto* find = new QAction(QStringLiteral("検索(&S)"), this);
    find->setObjectName(QStringLiteral("mnuSearch"));
    find->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    connect(find, &QAction::triggered, m_searchBar, &SearchBar::focusBox);
    if (auto* edit = menuBar()->findChild<QMenu*>(QStringLiteral("mnuEdit")))
        edit->addAction(find);
    addAction(find);
}

void MainWindow::searchAccountOpened()
{
    m_indexProgress->clear();
    m_treeModel->setSearchResultsShown(false);
    m_controller->mailModel()->setFilterText({});
    m_searchBar->clearText();
    m_searchBar->setNote({});
}

void MainWindow::searchFolderShowing(const QString& key, MainController::Listing listing)
{
    m_mailList->setColumnHidden(kFolderColumn, key != storage::kSearchResultsKey);
    if (m_mailList->columnWidth(kFolderColumn) < 40)
        m_mailList->setColumnWidth(kFolderColumn, m_mailList->fontMetrics().horizontalAdvance(QStringLiteral("受信BOX\\フォルダ")));
    // New results keep the text they were searched with; another folder starts with an empty box.
    if (listing == MainController::Listing::Another) {
        m_searchBar->clearText();
        m_searchBar->setNote({});
    }
}

void MainWindow::filterList(const QString& text)
{
    MailTableModel* model = m_controller->mailModel();
    if (const QList<int> chooseAgain = model->setFilterText(text, m_mailList->selectedRowNumbers()); !chooseAgain.isEmpty()) {
        const QItemSelection selection = model->selectionOf(chooseAgain);
        m_mailList->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
        if (!selection.isEmpty())
            m_mailList->selectionModel()->setCurrentIndex(selection.first().topLeft(), QItemSelectionModel::NoUpdate);
    }
    if (m_mailList->currentIndex().isValid())
        m_mailList->scrollTo(m_mailList->currentIndex());
    m_searchBar->setNote(model->filter().note());
    showFilterCount();
    m_toolDelete->setEnabled(!m_mailList->selectedRowNumbers().isEmpty());
}

void MainWindow::showFilterCount()
{
    MailTableModel* model = m_controller->mailModel();
    storage::MailFolderView& folder = m_controller->folderView();
    if (model->filter().isActive())
        m_prompts.setStatus(2, MailListFilter::countText(model->rowCount(), folder.rows().size()));
    else if (m_controller->session().isOpen())
        folder.showCount();
}

void MainWindow::searchAllFolders(const QString& text)
{
    if (!m_controller->session().isOpen())
        return;
    search::SearchOutcome outcome = search::searchEveryFolder(m_controller->search(), text);
    if (!outcome.searched) {
        m_searchBar->setNote(outcome.note);
        return;
    }
    m_treeModel->setSearchResultsShown(true);
    m_controller->showSearchResults(std::move(outcome.found));
    m_searchBar->setNote(search::foundNote(text, m_controller->folderView().rows().size(), outcome.indexing));
}

} // namespace fumibako::mainwin
