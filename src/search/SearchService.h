#pragma once

#include "platform/SerialWorker.h"
#include "search/SearchIndex.h"
#include "storage/MailChangeListener.h"
#include "storage/Paths.h"

#include <QObject>
#include <QStringList>

#include <atomic>
#include <memory>
#include <optional>
#include <vector>

namespace fumibako::search {

class SearchQuery;

/**
 * @short The search index of the open account, kept up to date in the background.
 *
 * Lives on the user-interface thread. The index's one writer (SearchIndex) works on a thread of
 * its own at idle priority (SerialWorker), one job after the other: bringing the index in line
 * with the folders (at setAccount() and refresh()), and each change it is told of as the
 * account's MailChangeListener. Telling it costs the caller a queued job, nothing more, so
 * receiving and moving never wait for the index.
 *
 * search() runs on the calling thread with a connection of its own and finds what the writer has
 * committed so far: the index is searchable while it is built. Progress and the end of a build
 * arrive as signals on this object's thread.
 */
class SearchService : public QObject, public storage::MailChangeListener {
    Q_OBJECT

public:
    explicit SearchService(QObject* parent = nullptr);
    /** Stops a build where it is (what was read is kept) and waits for the writer. */
    ~SearchService() override;

    /**
     * The account whose mail is searched from now on, its index in @p indexFile; brings the index
     * up to date with the folders @p receivedFolders (see receivedFolderKeys()) and the outgoing
     * ones. Work queued for the previous account is dropped; a running build stops.
     */
    void setAccount(const QString& indexFile, const storage::AccountPaths& paths, const QStringList& receivedFolders);

    /** Brings the index in line with the folders again (after folders were renamed or deleted). */
    void refresh(const QStringList& receivedFolders);

    /**
     * The messages of the account that hold every term of @p query, newest first, as far as the
     * index is built; nothing when there is no usable index (one deleted or damaged meanwhile is
     * then built anew).
     */
    std::optional<SearchResults> search(const SearchQuery& query);

    /** Whether the writer has work queued or running. */
    bool isBusy();
    /** Waits until the writer has no work left (the tool and tests). */
    void waitUntilIdle();

    void mailStored(const QString& folderKey, const QString& fileName) override;
    void mailMoved(const QString& fileName, const QString& fromKey, const QString& toKey) override;
    void mailRemoved(const QString& folderKey, const QString& fileName) override;

    /** How often a running build reports its progress at most. */
    static constexpr int kProgressIntervalMs = 100;

Q_SIGNALS:
    /** A build has read @p done of @p total messages (buildingIndexText() says it for the status bar). */
    void progress(int done, int total);
    /** A build ended. */
    void updated(const fumibako::search::UpdateReport& report);

private:
    /** Runs @p job with the writer of the current account on the worker thread. */
    void post(std::function<void(SearchIndex&)> job);
    void postUpdate(const QStringList& receivedFolders);

    std::shared_ptr<SearchIndex> m_index; // used on the worker thread only
    QString m_indexFile;
    QStringList m_receivedFolders;
    int m_pendingUpdates = 0; // posted and not yet ended
    quint64 m_account = 0;    // counts setAccount(): what a late report belongs to
    std::shared_ptr<std::atomic<bool>> m_cancel = std::make_shared<std::atomic<bool>>(false);
    // Declared last: destroyed first, so no job outlives what it uses.
    std::unique_ptr<platform::SerialWorker> m_worker;
};

} // namespace fumibako::search
