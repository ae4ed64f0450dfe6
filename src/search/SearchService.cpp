#include "search/SearchService.h"

#include "search/IndexLocation.h"
#include "search/MailCatalog.h"
#include "search/SearchQuery.h"

#include <QElapsedTimer>
#include <QMetaObject>
#include <QPointer>

namespace fumibako::search {

SearchService::SearchService(QObject* parent)
    : QObject(parent), m_worker(std::make_unique<platform::SerialWorker>(platform::SerialWorker::Priority::Idle))
{
}

SearchService::~SearchService()
{
    m_cancel->store(true);
    m_worker.reset();
}

void SearchService::setAccount(const QString& indexFile, const storage::AccountPaths& paths,
                               const QStringList& receivedFolders)
{
    // The old account's jobs are of no use now; a running build stops at its next message.
    m_worker->clear();
    m_cancel->store(true);
    m_cancel = std::make_shared<std::atomic<bool>>(false);
    m_pendingUpdates = 0;
    ++m_account;
    m_indexFile = indexFile;
    m_index = std::make_shared<SearchIndex>(indexFile, paths, platform::SerialWorker::Priority::Idle);
    prepareIndexFolder(indexFile);
    postUpdate(receivedFolders);
}

void SearchService::refresh(const QStringList& receivedFolders)
{
    if (m_index)
        postUpdate(receivedFolders);
}

void SearchService::post(std::function<void(SearchIndex&)> job)
{
    if (!m_index)
        return;
    m_worker->post([index = m_index, job = std::move(job)] { job(*index); });
}

void SearchService::postUpdate(const QStringList& receivedFolders)
{
    m_receivedFolders = receivedFolders;
    ++m_pendingUpdates;
    const QPointer<SearchService> self(this);
    post([self, cancel = m_cancel, account = m_account, receivedFolders](SearchIndex& index) {
        if (cancel->load())
            return; // the account changed: its count of pending updates went with it
        // The folders are read here, on the writer's thread: the profile store serialises its calls.
        const std::vector<CatalogEntry> catalog = readCatalog(index.paths(), receivedFolders);
        QElapsedTimer sinceReport;
        sinceReport.start();
        const UpdateReport outcome = index.update(catalog, [&](int done, int total) {
            if (done != total && sinceReport.elapsed() < kProgressIntervalMs)
                return;
            sinceReport.restart();
            QMetaObject::invokeMethod(self.data(), [self, done, total] {
                if (self)
                    Q_EMIT self->progress(done, total);
            }, Qt::QueuedConnection);
        }, cancel.get());
        if (cancel->load())
            return; // the account changed meanwhile
        QMetaObject::invokeMethod(self.data(), [self, account, outcome] {
            if (!self || self->m_account != account)
                return; // reported after the account changed
            --self->m_pendingUpdates;
            Q_EMIT self->updated(outcome);
        }, Qt::QueuedConnection);
    });
}

std::optional<SearchResults> SearchService::search(const SearchQuery& query)
{
    if (m_indexFile.isEmpty())
        return std::nullopt;
    std::optional<SearchResults> hits = readOnlySearch(m_indexFile, query);
    if (!hits && m_pendingUpdates == 0) {
        // Deleted or damaged behind the writer's back (a build under way sees to it itself).
        // Only the writer deletes the file; it then builds it anew.
        post([](SearchIndex& index) { index.discard(); });
        postUpdate(m_receivedFolders);
    }
    return hits;
}

bool SearchService::isBusy()
{
    return !m_worker->isIdle();
}

void SearchService::waitUntilIdle()
{
    m_worker->waitUntilIdle();
}

void SearchService::mailStored(const QString& folderKey, const QString& fileName)
{
    post([folderKey, fileName](SearchIndex& index) { index.stored(folderKey, fileName); });
}

void SearchService::mailMoved(const QString& fileName, const QString& fromKey, const QString& toKey)
{
    post([fileName, fromKey, toKey](SearchIndex& index) { index.moved(fileName, fromKey, toKey); });
}

void SearchService::mailRemoved(const QString& folderKey, const QString& fileName)
{
    post([folderKey, fileName](SearchIndex& index) { index.removed(folderKey, fileName); });
}

} // namespace fumibako::search
