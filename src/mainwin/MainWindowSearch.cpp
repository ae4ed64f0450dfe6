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
    // The index hears of every message stored, moved or removed, whoever does it.
    m_search = new search::SearchService(this);
    m_folder.setChangeListener(m_search);
    m_receiver->setChangeListener(m_search);

    m_indexProgress = new QLabel(statusBar());
    m_indexProgress->setObjectName(QStringLiteral("lblIndexProgress"));
    statusBar()->addPermanentWidget(m_indexProgress);
    connect(m_search, &search::SearchService::progress, this, [this](int done, int total) {
        m_indexProgress->setText(search::buildingIndexText(done, total));
    });
    connect(m_search, &search::SearchService::updated, this, [this](const search::UpdateReport& report) {
        const bool failed = !report.completed && !report.error.isEmpty();
        m_indexProgress->setText(failed ? QStringLiteral("検索用の索引を作成できませんでした") : QString());
        m_indexProgress->setToolTip(failed ? report.error : QString());
    });

    connect(m_searchBar, &SearchBar::filterEdited, this, &MainWindow::filterList);
    connect(m_searchBar, &SearchBar::searchRequested, this, &MainWindow::searchAllFolders);
    connect(m_searchBar, &SearchBar::leaveRequested, this, [this] {
        m_mailList->setFocus(Qt::OtherFocusReason);
        if (m_mailList->selectedRowNumbers().isEmpty() && m_mailModel->rowCount() > 0) {
            m_mailList->selectRow(0); // as a click on the first row
            mailRowClicked(m_mailModel->folderRow(0));
            listReleased();
        }
    });
    // The rows' texts are made ready while the user is about to type.
    connect(m_searchBar, &SearchBar::boxFocused, m_mailModel, &MailTableModel::setPreparingFilter);
    // A listing or a command shows the rows anew: the count tells what the filter leaves.
    connect(m_mailModel, &QAbstractItemModel::modelReset, this, [this] {
        if (m_mailModel->filter().isActive())
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
    const storage::ProgramPaths& program = m_session.programPaths();
    const QString indexFile =
        search::searchIndexFile(search::IndexLocationInputs::fromProcess(program.programDir, m_session.accountName()));
    m_indexProgress->clear();
    m_search->setAccount(indexFile, m_session.paths(), search::receivedFolderKeys(m_session.folderTree()));
    m_treeModel->setSearchResultsShown(false);
    m_mailModel->setFilterText({});
    m_unfilteredSelection.clear();
    m_searchBar->clearText();
    m_searchBar->setNote({});
}

void MainWindow::searchFoldersChanged()
{
    // The folders whose mail the index holds: a build meanwhile must not forget a new folder's.
    m_search->refresh(search::receivedFolderKeys(m_session.folderTree()));
}

void MainWindow::searchFolderShowing(const QString& key)
{
    m_mailList->setColumnHidden(kFolderColumn, key != storage::kSearchResultsKey);
    if (m_mailList->columnWidth(kFolderColumn) < 40)
        m_mailList->setColumnWidth(kFolderColumn, m_mailList->fontMetrics().horizontalAdvance(QStringLiteral("受信BOX\\フォルダ")));
    // The same folder listed again keeps its filter; another one (and new results) starts unfiltered.
    if (key == m_folder.folderKey() && !m_showingSearchResults)
        return;
    if (m_mailModel->filter().isActive())
        m_mailModel->setFilterText({});
    m_unfilteredSelection.clear();
    if (!m_showingSearchResults) {
        m_searchBar->clearText();
        m_searchBar->setNote({});
    }
}

void MainWindow::filterList(const QString& text)
{
    const bool wasActive = m_mailModel->filter().isActive();
    if (!wasActive) {
        m_unfilteredSelection.clear();
        for (int row : m_mailList->selectedRowNumbers())
            m_unfilteredSelection.append(m_folder.rows().at(row).keyString());
    }
    m_mailModel->setFilterText(text);
    if (wasActive && !m_mailModel->filter().isActive() && m_mailList->selectedRowNumbers().isEmpty()) {
        // Nothing chosen while filtered: the rows chosen before come back.
        QList<int> rows;
        for (const QString& key : std::as_const(m_unfilteredSelection)) {
            if (const int row = m_folder.rows().rowOfKey(key); row >= 0)
                rows.append(row);
        }
        const QItemSelection selection = m_mailModel->selectionOf(rows);
        m_mailList->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
        if (!selection.isEmpty())
            m_mailList->selectionModel()->setCurrentIndex(selection.first().topLeft(), QItemSelectionModel::NoUpdate);
    }
    if (!m_mailModel->filter().isActive())
        m_unfilteredSelection.clear();
    if (m_mailList->currentIndex().isValid())
        m_mailList->scrollTo(m_mailList->currentIndex());
    m_searchBar->setNote(m_mailModel->filter().note());
    showFilterCount();
    m_toolDelete->setEnabled(!m_mailList->selectedRowNumbers().isEmpty());
}

void MainWindow::showFilterCount()
{
    if (m_mailModel->filter().isActive())
        m_prompts.setStatus(2, MailListFilter::countText(m_mailModel->rowCount(), m_folder.rows().size()));
    else if (m_session.isOpen())
        m_folder.showCount();
}

void MainWindow::searchAllFolders(const QString& text)
{
    if (!m_session.isOpen())
        return;
    search::SearchOutcome outcome = search::searchEveryFolder(*m_search, text);
    if (!outcome.searched) {
        m_searchBar->setNote(outcome.note);
        return;
    }
    m_folder.setFoundMail(std::move(outcome.found));
    m_treeModel->setSearchResultsShown(true);
    m_showingSearchResults = true;
    selectFolderNode(FolderTreeModel::kSearchResultsNode);
    m_showingSearchResults = false;
    m_searchBar->setNote(search::foundNote(text, m_folder.rows().size(), outcome.indexing));
}

} // namespace fumibako::mainwin
