#pragma once

#include "platform/SerialWorker.h"
#include "search/MailCatalog.h"
#include "search/MailWords.h"
#include "search/SearchDatabase.h"
#include "storage/Paths.h"

#include <QString>

#include <atomic>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace fumibako::search {

class SearchQuery;

/** The status-bar text while the index is built: @p done of @p total messages read. */
QString buildingIndexText(int done, int total);

/** How bringing the index up to date went. */
struct UpdateReport {
    bool completed = false; ///< false: cancelled, or the index could not be written (see error)
    bool rebuilt = false;   ///< the index was missing, damaged or worn and was built from scratch
    int indexed = 0;        ///< messages read into the index
    int skipped = 0;        ///< message files that could not be read as mail (not in the index)
    int removed = 0;        ///< messages the index no longer lists
    QString error;
};

/**
 * Searches the index in @p file without writing to it, while its writer (SearchIndex) may be
 * building it: nothing when there is no usable index there (missing, damaged, of another version).
 */
std::optional<SearchResults> readOnlySearch(const QString& file, const SearchQuery& query);

/** Called with the messages read so far and how many are to be read. */
using UpdateProgress = std::function<void(int done, int total)>;

/**
 * @short The search index of one account, as its one writer: brought up to date with the
 * folders, told of single changes, searched.
 *
 * Everything it holds comes from the mail files and the index files, so it is a cache: a missing,
 * damaged or outdated index file is built anew, and nothing is lost. Building reads the newest
 * messages first and commits as it goes (every kCommitEvery messages), so a search made meanwhile
 * already finds what was read. Blocking; one object per thread (see SearchService for the
 * background).
 */
class SearchIndex {
public:
    static constexpr int kCommitEvery = 500;
    /** Messages read ahead in one go while the ones before are written. */
    static constexpr int kReadAhead = 32;

    /**
     * The index in @p file of the account of @p paths; opened at the first use. Files are read
     * on a thread of @p readerPriority.
     */
    SearchIndex(QString file, storage::AccountPaths paths,
                platform::SerialWorker::Priority readerPriority = platform::SerialWorker::Priority::Normal);
    ~SearchIndex();

    const QString& file() const { return m_file; }
    const storage::AccountPaths& paths() const { return m_paths; }

    /**
     * Brings the index in line with @p catalog (readCatalog()): reads the messages it lacks or
     * whose file changed, moves the ones that changed folder and forgets the ones that are gone.
     * Stops early when @p cancel becomes true.
     */
    UpdateReport update(const std::vector<CatalogEntry>& catalog, const UpdateProgress& progress = {},
                        const std::atomic<bool>* cancel = nullptr);

    /**
     * Single changes (see storage::MailChangeListener). Each returns false when the index could
     * not be changed (then update() puts it right).
     */
    bool stored(const QString& folderKey, const QString& fileName);
    bool moved(const QString& fileName, const QString& fromKey, const QString& toKey);
    bool removed(const QString& folderKey, const QString& fileName);

    /**
     * The messages that hold every term of @p query, newest first; nothing when the index could
     * not be read (a damaged index is deleted: the next update() builds it again).
     */
    std::optional<SearchResults> search(const SearchQuery& query);

    /** Closes the database; the next use opens it again. */
    void close();
    /** Deletes the index file: the next update() builds it from scratch. */
    void discard();

private:
    SearchDatabase* database(QString* error);
    /** After a failure: a damaged file is deleted, so the next use starts afresh. */
    void dropIfDamaged();
    /** A message read for the index: nothing when it cannot be read (then its file's stamp). */
    struct ReadMessage {
        CatalogEntry entry;
        std::optional<IndexedMail> mail;
        QString stamp;
    };

    ReadMessage read(const CatalogEntry& entry) const;
    bool write(const ReadMessage& message, UpdateReport& report);
    std::future<std::vector<ReadMessage>> readAhead(platform::SerialWorker& reader,
                                                    std::span<const CatalogEntry* const> entries) const;
    /** Moves and forgets in one transaction; the messages to read, newest first. */
    std::optional<std::vector<const CatalogEntry*>> reconcile(const std::vector<CatalogEntry>& catalog,
                                                              UpdateReport& report);
    bool readAll(const std::vector<const CatalogEntry*>& toRead, const UpdateProgress& progress,
                 const std::atomic<bool>* cancel, UpdateReport& report);

    QString m_file;
    storage::AccountPaths m_paths;
    std::unique_ptr<SearchDatabase> m_db;
    platform::SerialWorker::Priority m_readerPriority;
};

} // namespace fumibako::search
