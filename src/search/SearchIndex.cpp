#include "search/SearchIndex.h"

#include "search/MailWords.h"
#include "search/SearchQuery.h"

#include <QElapsedTimer>
#include <QSet>

#include <algorithm>

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

QString buildingIndexText(int done, int total)
{
    return QStringLiteral("検索用の索引を作成中 (%1/%2)").arg(done).arg(total);
}

SearchIndex::SearchIndex(QString file, storage::AccountPaths paths) : m_file(std::move(file)), m_paths(std::move(paths))
{
}

SearchIndex::~SearchIndex() = default;

void SearchIndex::close()
{
    m_db.reset();
}

SearchDatabase* SearchIndex::database(QString* error)
{
    if (!m_db)
        m_db = SearchDatabase::open(m_file, error);
    return m_db.get();
}

void SearchIndex::dropIfDamaged()
{
    if (m_db && m_db->isDamaged()) {
        m_db.reset();
        SearchDatabase::remove(m_file);
    }
}

bool SearchIndex::indexOne(const CatalogEntry& entry, UpdateReport& report)
{
    const std::optional<IndexedMail> mail = readIndexedMail(m_paths, entry.place, entry.folder);
    if (!mail) {
        // Listed without words, so that it is not read again until its file changes.
        ++report.skipped;
        const IndexedMessage unreadable{entry.place, entry.folder, {}, {}, {}, fileStamp(filePathOf(m_paths, entry.place))};
        return m_db->add(unreadable, nullptr);
    }
    ++report.indexed;
    return m_db->add(mail->message, &mail->words);
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

bool SearchIndex::readAll(const std::vector<const CatalogEntry*>& toRead, const UpdateProgress& progress,
                          const std::atomic<bool>* cancel, UpdateReport& report)
{
    const int total = int(toRead.size());
    QElapsedTimer sinceCommit;
    sinceCommit.start();
    bool open = false;
    for (int i = 0; i < total; ++i) {
        if (cancel && cancel->load())
            return !open || m_db->commit(); // what was read is kept
        if (!open && !(open = m_db->begin()))
            return false;
        if (!indexOne(*toRead[size_t(i)], report))
            return false;
        if ((i + 1) % kCommitEvery == 0 || sinceCommit.elapsed() >= kCommitIntervalMs) {
            open = false;
            sinceCommit.restart();
            if (!m_db->commit())
                return false;
        }
        if (progress)
            progress(i + 1, total);
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
        if (!database(&report.error))
            return report;
        if (isWorn(m_db->deadRows(), m_db->liveRows())) {
            close();
            SearchDatabase::remove(m_file);
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
    const bool done = db && db->begin() && indexOne({placeOf(folderKey, fileName), folderKey, {}}, report) && db->commit();
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

std::optional<std::vector<SearchHit>> SearchIndex::search(const SearchQuery& query)
{
    SearchDatabase* db = database(nullptr);
    if (!db)
        return std::nullopt;
    std::optional<std::vector<SearchHit>> hits = db->search(query);
    if (!hits)
        dropIfDamaged();
    return hits;
}

} // namespace fumibako::search
