#include "filing/JunkStore.h"

#include "platform/SqliteSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include <sqlite3.h>

namespace fumibako::filing {

namespace {

// The first layout. A later version may add tables and columns, never take these away, so any
// version from this one on can read a store that a later one wrote.
constexpr char kVersion[] = "1";

const char* const kSchema =
    "CREATE TABLE meta(key TEXT PRIMARY KEY, value NOT NULL);"
    // seen: the learning clock when a message with the token was last learnt (see prune()).
    "CREATE TABLE tokens(id INTEGER PRIMARY KEY, spam INTEGER NOT NULL, ham INTEGER NOT NULL, seen INTEGER NOT NULL);"
    "CREATE TABLE messages(key INTEGER PRIMARY KEY, kind INTEGER NOT NULL);"
    "INSERT INTO meta VALUES('spam', 0), ('ham', 0), ('clock', 0);";

// A read cache of this many tokens at most (some 40 bytes each).
constexpr qsizetype kMaxCached = 400000;

enum Statement {
    kSelectToken,
    kAddToken,
    kSubtractSpam,
    kSubtractHam,
    kDeleteEmptyToken,
    kSelectMessage,
    kSetMessage,
    kDeleteMessage,
    kAddTotal,
    kSelectMeta,
    kCount
};

bool isDamageCode(int code)
{
    return (code & 0xFF) == SQLITE_CORRUPT || (code & 0xFF) == SQLITE_NOTADB;
}

const char* metaKey(JunkKind kind)
{
    return kind == JunkKind::Spam ? "spam" : "ham";
}

using Reset = platform::sqlite::StatementReset;
using platform::sqlite::createPrivateFile;

} // namespace

JunkStore::JunkStore(sqlite3* db) : m_db(db), m_statements(kCount, nullptr) {}

JunkStore::~JunkStore()
{
    for (sqlite3_stmt* statement : m_statements)
        sqlite3_finalize(statement);
    sqlite3_close(m_db);
}

QString JunkStore::fileIn(const QString& programDir)
{
    return QDir(programDir).filePath(QStringLiteral("JunkTokens.db"));
}

JunkStore::Opened JunkStore::open(const QString& file)
{
    createPrivateFile(file);
    sqlite3* db = nullptr;
    const int opened = sqlite3_open_v2(QFile::encodeName(file).constData(), &db,
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    std::unique_ptr<JunkStore> store(new JunkStore(db));
    if (opened == SQLITE_OK && store->prepare())
        return {std::move(store), false, QString()};
    const bool damaged = store->m_damaged || isDamageCode(opened);
    Opened failed{nullptr, false, db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory")};
    store.reset();
    if (!damaged)
        return failed; // locked, no room, no permission: the file is left as it is
    Opened fresh = rebuild(file);
    if (fresh.store)
        fresh.error = failed.error;
    return fresh;
}

JunkStore::Opened JunkStore::rebuild(const QString& file)
{
    const QString aside = file + QStringLiteral(".damaged");
    QFile::remove(aside);
    if (!QFile::rename(file, aside))
        QFile::remove(file);
    platform::sqlite::removeDatabaseFiles(file, false);
    createPrivateFile(file);
    sqlite3* db = nullptr;
    const int opened = sqlite3_open_v2(QFile::encodeName(file).constData(), &db,
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    std::unique_ptr<JunkStore> store(new JunkStore(db));
    if (opened == SQLITE_OK && store->prepare())
        return {std::move(store), true, QString()};
    return {nullptr, true, db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory")};
}

bool JunkStore::prepare()
{
    sqlite3_busy_timeout(m_db, 10000);
    // Only reads until the file is known to be a store: another program's database is left as it was.
    const qint64 tables = integer("SELECT count(*) FROM sqlite_master");
    if (tables < 0)
        return false;
    if (tables == 0) {
        const QByteArray create = QByteArray("BEGIN IMMEDIATE;") + kSchema + "INSERT INTO meta VALUES('version', '"
            + kVersion + "');COMMIT;";
        if (!exec(create.constData())) {
            exec("ROLLBACK");
            return false;
        }
    } else if (integer("SELECT count(*) FROM sqlite_master WHERE name IN ('meta', 'tokens', 'messages')") != 3
               || integer("SELECT count(*) FROM meta WHERE key = 'version'") != 1) {
        m_damaged = true; // set aside, not used
        return false;
    }
    return exec("PRAGMA journal_mode=WAL") && exec("PRAGMA synchronous=NORMAL");
}

bool JunkStore::check(int code)
{
    if (code == SQLITE_OK || code == SQLITE_DONE || code == SQLITE_ROW)
        return true;
    m_damaged = m_damaged || isDamageCode(code);
    m_lastError = QString::fromUtf8(sqlite3_errmsg(m_db));
    return false;
}

bool JunkStore::exec(const char* sql)
{
    return check(sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr));
}

sqlite3_stmt* JunkStore::statement(int which, const char* sql)
{
    sqlite3_stmt*& prepared = m_statements[size_t(which)];
    if (!prepared && !check(sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, &prepared, nullptr)))
        return nullptr;
    return prepared;
}

qint64 JunkStore::integer(const char* sql)
{
    sqlite3_stmt* query = nullptr;
    if (!check(sqlite3_prepare_v2(m_db, sql, -1, &query, nullptr)))
        return -1;
    const int step = sqlite3_step(query);
    const qint64 value = step == SQLITE_ROW ? sqlite3_column_int64(query, 0) : -1;
    if (step != SQLITE_ROW)
        check(step);
    sqlite3_finalize(query);
    return value;
}

bool JunkStore::begin()
{
    return exec("BEGIN IMMEDIATE");
}

bool JunkStore::commit()
{
    return exec("COMMIT");
}

TrainingTotals JunkStore::totals()
{
    TrainingTotals totals;
    sqlite3_stmt* query = statement(kSelectMeta, "SELECT value FROM meta WHERE key = ?1");
    if (!query)
        return totals;
    for (JunkKind kind : {JunkKind::Spam, JunkKind::Ham}) {
        const Reset reset{query};
        sqlite3_bind_text(query, 1, metaKey(kind), -1, SQLITE_STATIC);
        const int step = sqlite3_step(query);
        const qint64 value = step == SQLITE_ROW ? sqlite3_column_int64(query, 0) : 0;
        check(step);
        (kind == JunkKind::Spam ? totals.spam : totals.ham) = std::max<qint64>(value, 0);
    }
    return totals;
}

void JunkStore::dropCacheIfChanged()
{
    // data_version changes when another connection (the tool, the program) committed.
    const qint64 version = integer("PRAGMA data_version");
    if (version != m_dataVersion || m_cache.size() > kMaxCached)
        m_cache.clear();
    m_dataVersion = version;
}

std::vector<TokenCounts> JunkStore::counts(const std::vector<qint64>& ids)
{
    dropCacheIfChanged();
    std::vector<TokenCounts> result(ids.size());
    sqlite3_stmt* query = statement(kSelectToken, "SELECT spam, ham FROM tokens WHERE id = ?1");
    if (!query)
        return result;
    for (size_t i = 0; i < ids.size(); ++i) {
        if (const auto cached = m_cache.constFind(ids[i]); cached != m_cache.constEnd()) {
            result[i] = *cached;
            continue;
        }
        const Reset reset{query};
        sqlite3_bind_int64(query, 1, ids[i]);
        const int step = sqlite3_step(query);
        if (step == SQLITE_ROW)
            result[i] = {sqlite3_column_int64(query, 0), sqlite3_column_int64(query, 1)};
        else if (!check(step))
            return result;
        m_cache.insert(ids[i], result[i]);
    }
    return result;
}

std::optional<JunkKind> JunkStore::learntAs(qint64 messageKey)
{
    sqlite3_stmt* query = statement(kSelectMessage, "SELECT kind FROM messages WHERE key = ?1");
    if (!query)
        return std::nullopt;
    const Reset reset{query};
    sqlite3_bind_int64(query, 1, messageKey);
    const int step = sqlite3_step(query);
    check(step);
    if (step != SQLITE_ROW)
        return std::nullopt;
    const int kind = sqlite3_column_int(query, 0);
    if (kind == int(JunkKind::Spam) || kind == int(JunkKind::Ham))
        return JunkKind(kind);
    return std::nullopt;
}

bool JunkStore::addTotals(JunkKind kind, qint64 change)
{
    sqlite3_stmt* update = statement(kAddTotal, "UPDATE meta SET value = max(value + ?2, 0) WHERE key = ?1");
    if (!update)
        return false;
    const Reset reset{update};
    sqlite3_bind_text(update, 1, metaKey(kind), -1, SQLITE_STATIC);
    sqlite3_bind_int64(update, 2, change);
    return check(sqlite3_step(update));
}

bool JunkStore::changeTokens(const std::vector<qint64>& ids, JunkKind kind, int change)
{
    const bool spam = kind == JunkKind::Spam;
    if (change > 0) {
        const qint64 clock = integer("SELECT value FROM meta WHERE key = 'clock'");
        sqlite3_stmt* add = statement(kAddToken,
                                      "INSERT INTO tokens(id, spam, ham, seen) VALUES(?1, ?2, ?3, ?4) ON CONFLICT(id) DO "
                                      "UPDATE SET spam = spam + excluded.spam, ham = ham + excluded.ham, seen = excluded.seen");
        if (!add || clock < 0)
            return false;
        for (const qint64 id : ids) {
            const Reset reset{add};
            sqlite3_bind_int64(add, 1, id);
            sqlite3_bind_int(add, 2, spam ? 1 : 0);
            sqlite3_bind_int(add, 3, spam ? 0 : 1);
            sqlite3_bind_int64(add, 4, clock);
            if (!check(sqlite3_step(add)))
                return false;
        }
        return exec("UPDATE meta SET value = value + 1 WHERE key = 'clock'");
    }
    sqlite3_stmt* subtract = spam ? statement(kSubtractSpam, "UPDATE tokens SET spam = max(spam - 1, 0) WHERE id = ?1")
                                  : statement(kSubtractHam, "UPDATE tokens SET ham = max(ham - 1, 0) WHERE id = ?1");
    sqlite3_stmt* drop = statement(kDeleteEmptyToken, "DELETE FROM tokens WHERE id = ?1 AND spam = 0 AND ham = 0");
    if (!subtract || !drop)
        return false;
    for (const qint64 id : ids) {
        const Reset resetSubtract{subtract};
        const Reset resetDrop{drop};
        sqlite3_bind_int64(subtract, 1, id);
        sqlite3_bind_int64(drop, 1, id);
        if (!check(sqlite3_step(subtract)) || !check(sqlite3_step(drop)))
            return false;
    }
    return true;
}

JunkStore::Learning JunkStore::learn(qint64 messageKey, const std::vector<qint64>& ids, JunkKind kind)
{
    const std::optional<JunkKind> before = learntAs(messageKey);
    if (before == kind)
        return Learning::AlreadyLearnt;
    m_cache.clear();
    if (!exec("SAVEPOINT learn"))
        return Learning::Failed;
    sqlite3_stmt* set = statement(kSetMessage, "INSERT OR REPLACE INTO messages(key, kind) VALUES(?1, ?2)");
    bool done = set && (!before || forget(messageKey, ids)) && changeTokens(ids, kind, 1) && addTotals(kind, 1);
    if (done) {
        const Reset reset{set};
        sqlite3_bind_int64(set, 1, messageKey);
        sqlite3_bind_int(set, 2, int(kind));
        done = check(sqlite3_step(set));
    }
    if (!done) {
        exec("ROLLBACK TO learn");
        exec("RELEASE learn");
        return Learning::Failed;
    }
    exec("RELEASE learn");
    return before ? Learning::Relearnt : Learning::Learnt;
}

bool JunkStore::forget(qint64 messageKey, const std::vector<qint64>& ids)
{
    const std::optional<JunkKind> before = learntAs(messageKey);
    if (!before)
        return !m_damaged;
    m_cache.clear();
    if (!exec("SAVEPOINT forget"))
        return false;
    sqlite3_stmt* remove = statement(kDeleteMessage, "DELETE FROM messages WHERE key = ?1");
    bool done = remove && changeTokens(ids, *before, -1) && addTotals(*before, -1);
    if (done) {
        const Reset reset{remove};
        sqlite3_bind_int64(remove, 1, messageKey);
        done = check(sqlite3_step(remove));
    }
    if (!done) {
        exec("ROLLBACK TO forget");
        exec("RELEASE forget");
        return false;
    }
    return exec("RELEASE forget");
}

qint64 JunkStore::tokenCount()
{
    return integer("SELECT count(*) FROM tokens");
}

qint64 JunkStore::prune(qint64 maxTokens, qint64 keepRecent)
{
    if (tokenCount() <= maxTokens)
        return 0;
    const qint64 clock = integer("SELECT value FROM meta WHERE key = 'clock'");
    sqlite3_stmt* query = nullptr;
    if (clock < 0 || !check(sqlite3_prepare_v2(m_db, "DELETE FROM tokens WHERE spam + ham <= 1 AND seen < ?1", -1,
                                               &query, nullptr)))
        return 0;
    sqlite3_bind_int64(query, 1, clock - keepRecent);
    const bool done = check(sqlite3_step(query));
    sqlite3_finalize(query);
    const qint64 removed = done ? sqlite3_changes64(m_db) : 0;
    m_cache.clear();
    exec("PRAGMA wal_checkpoint(TRUNCATE)"); // the log of a large delete goes at once
    return removed;
}

std::optional<qint64> junkMessageKey(const QString& file)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return std::nullopt;
    QCryptographicHash hash(QCryptographicHash::Sha1);
    if (!hash.addData(&in))
        return std::nullopt;
    const QByteArray digest = hash.result();
    quint64 key = 0;
    for (int i = 0; i < 8; ++i)
        key = (key << 8) | quint8(digest[i]);
    return qint64(key >> 1);
}

} // namespace fumibako::filing
