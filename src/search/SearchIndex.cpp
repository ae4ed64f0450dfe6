#include "search/SearchIndex.h"

#include "search/MailWords.h"
#include "search/SearchQuery.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <memory>

namespace fumibako::search {

namespace {

// Words left behind by messages that went cost space and time; past this share of the words
// of listed messages the index is built anew.
bool isWorn(qint64 dead, qint64 live)
{
    return dead > 1000 && dead > live / 4;
}

// A commit at least this often while building, so searches meanwhile see the progress.
constexpr qint64 kCommitIntervalMs = 1000;

} // namespace

std::optional<SearchResults> readOnlySearch(const QString& file, const SearchQuery& query)
{
    const std::unique_ptr<SearchDatabase> db =
        SearchDatabase::open(file, SearchDatabase::OpenMode::ExistingOnly, nullptr);
    return db ? db->search(query) : std::nullopt;
}

QString buildingIndexText(int done, int total)
{
    return QStringLiteral("検索用の索引を作成中 (%1/%2)").arg(done).arg(total);
}

SearchIndex::SearchIndex(QString file, storage::AccountPaths paths, platform::SerialWorker::Priority readerPriority)
    : m_file(std::move(file)), m_paths(std::move(paths)), m_readerPriority(readerPriority)
{
}

SearchIndex::~SearchIndex() = default;

void SearchIndex::close()
{
    m_db.reset();
}

void SearchIndex::discard()
{
    m_db.reset();
    SearchDatabase::remove(m_file);
}

SearchDatabase* SearchIndex::database(QString* error)
{
    if (!m_db)
        m_db = SearchDatabase::open(m_file, SearchDatabase::OpenMode::CreateOrReplace, error);
    return m_db.get();
}

void SearchIndex::dropIfDamaged()
{
    if (m_db && m_db->isDamaged())
        discard();
}

bool SearchIndex::write(const ReadMessage& read, UpdateReport& report)
{
    if (!read.mail) {
        // Listed without words, so that it is not read again until its file changes.
        ++report.skipped;
        const IndexedMessage unreadable{read.entry.place, read.entry.folder, {}, {}, {}, read.stamp};
        return m_db->add(unreadable, nullptr);
    }
    ++report.indexed;
    return m_db->add(read.mail->message, &read.mail->words);
}

SearchIndex::ReadMessage SearchIndex::read(const CatalogEntry& entry) const
{
    std::optional<IndexedMail> mail = readIndexedMail(m_paths, entry.place, entry.folder);
    QString stamp = mail ? QString() : fileStamp(filePathOf(m_paths, entry.place));
    return {entry, std::move(mail), std::move(stamp)};
}

std::optional<std::vector<const CatalogEntry*>> SearchIndex::reconcile(const std::vector<CatalogEntry>& catalog,
                                                                      UpdateReport& report)
{
    std::optional<QHash<QString, ListedMessage>> listed = m_db->listed();
    if (!listed || !m_db->begin())
        return std::nullopt;
    report.rebuilt = listed->isEmpty() && !catalog.empty();
    std::vector<const CatalogEntry*> toRead;
    QSet<QString> wanted;
    wanted.reserve(qsizetype(catalog.size()));
    bool written = true;
    for (const CatalogEntry& entry : catalog) {
        wanted.insert(entry.place);
        const auto found = listed->constFind(entry.place);
        // Received files never change; drafts and outgoing files are written again in place.
        if (found == listed->cend()
            || (isRewritable(entry.place) && fileStamp(filePathOf(m_paths, entry.place)) != found->stamp))
            toRead.push_back(&entry);
        else if (found->folder != entry.folder)
            written = written && m_db->setFolder(entry.place, entry.folder);
    }
    for (auto it = listed->cbegin(); written && it != listed->cend(); ++it) {
        if (!wanted.contains(it.key())) {
            written = m_db->removePlace(it.key());
            ++report.removed;
        }
    }
    if (!written || !m_db->commit())
        return std::nullopt;
    // The newest first: those are the ones most likely looked for while the rest is read.
    std::stable_sort(toRead.begin(), toRead.end(),
                     [](const CatalogEntry* a, const CatalogEntry* b) { return a->date > b->date; });
    return toRead;
}

std::future<std::vector<SearchIndex::ReadMessage>> SearchIndex::readAhead(platform::SerialWorker& reader,
                                                                          std::span<const CatalogEntry* const> entries) const
{
    auto promise = std::make_shared<std::promise<std::vector<ReadMessage>>>();
    std::future<std::vector<ReadMessage>> future = promise->get_future();
    reader.post([this, entries, promise] {
        std::vector<ReadMessage> messages;
        messages.reserve(entries.size());
        for (const CatalogEntry* entry : entries)
            messages.push_back(read(*entry));
        promise->set_value(std::move(messages));
    });
    return future;
}

bool SearchIndex::readAll(const std::vector<const CatalogEntry*>& toRead, const UpdateProgress& progress,
                          const std::atomic<bool>* cancel, UpdateReport& report)
{
    // Reading and decoding the files (about a third of the work) goes on on a thread of its own,
    // a batch ahead of this one, which writes the index.
    const std::span<const CatalogEntry* const> entries(toRead);
    const int total = int(toRead.size());
    platform::SerialWorker reader(m_readerPriority);
    std::future<std::vector<ReadMessage>> next = readAhead(reader, entries.first(std::min(total, kReadAhead)));
    QElapsedTimer sinceCommit;
    sinceCommit.start();
    bool open = false;
    for (int first = 0; first < total; first += kReadAhead) {
        const std::vector<ReadMessage> batch = next.get();
        if (first + kReadAhead < total)
            next = readAhead(reader, entries.subspan(size_t(first + kReadAhead), size_t(std::min(kReadAhead, total - first - kReadAhead))));
        for (size_t k = 0; k < batch.size(); ++k) {
            if (cancel && cancel->load())
                return !open || m_db->commit(); // what was read is kept
            if ((!open && !(open = m_db->begin())) || !write(batch[k], report))
                return false;
            const int done = first + int(k) + 1;
            if (done % kCommitEvery == 0 || sinceCommit.elapsed() >= kCommitIntervalMs) {
                open = false;
                sinceCommit.restart();
                if (!m_db->commit())
                    return false;
            }
            if (progress)
                progress(done, total);
        }
    }
    report.completed = true;
    return !open || m_db->commit();
}

UpdateReport SearchIndex::update(const std::vector<CatalogEntry>& catalog, const UpdateProgress& progress,
                                 const std::atomic<bool>* cancel)
{
    UpdateReport report;
    // A file found damaged on the way is deleted and built again, once.
    for (int attempt = 0; attempt < 2; ++attempt) {
        report = UpdateReport{};
        if (m_db && !QFileInfo::exists(m_file))
            close(); // deleted behind this connection's back: it would write into the void
        if (!database(&report.error))
            return report;
        if (isWorn(m_db->deadRows(), m_db->liveRows())) {
            discard();
            if (!database(&report.error))
                return report;
        }
        const std::optional<std::vector<const CatalogEntry*>> toRead = reconcile(catalog, report);
        if (toRead && readAll(*toRead, progress, cancel, report))
            return report;
        report.completed = false;
        report.error = m_db->lastError();
        if (!m_db->isDamaged())
            return report;
        dropIfDamaged();
    }
    return report;
}

bool SearchIndex::stored(const QString& folderKey, const QString& fileName)
{
    SearchDatabase* db = database(nullptr);
    UpdateReport report;
    const ReadMessage message = read({placeOf(folderKey, fileName), folderKey, {}});
    const bool done = db && db->begin() && write(message, report) && db->commit();
    dropIfDamaged();
    return done;
}

bool SearchIndex::moved(const QString& fileName, const QString& fromKey, const QString& toKey)
{
    Q_UNUSED(fromKey);
    SearchDatabase* db = database(nullptr);
    if (!db)
        return false;
    // A message not indexed yet is read now, in its new folder.
    const bool done = db->setFolder(placeOf(toKey, fileName), toKey) || (!db->isDamaged() && stored(toKey, fileName));
    dropIfDamaged();
    return done;
}

bool SearchIndex::removed(const QString& folderKey, const QString& fileName)
{
    SearchDatabase* db = database(nullptr);
    const bool done = db && db->removePlace(placeOf(folderKey, fileName));
    dropIfDamaged();
    return done;
}

std::optional<SearchResults> SearchIndex::search(const SearchQuery& query)
{
    SearchDatabase* db = database(nullptr);
    if (!db)
        return std::nullopt;
    std::optional<SearchResults> hits = db->search(query);
    if (!hits)
        dropIfDamaged();
    return hits;
}

} // namespace fumibako::search
