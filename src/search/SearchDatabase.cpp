#include "search/SearchDatabase.h"

#include "search/SearchQuery.h"
#include "platform/SqliteSupport.h"
#include "platform/TextRules.h"

#include <QFile>

#include <sqlite3.h>

// Why SQLite FTS5 with a tokenizer of our own. Measured here (two shared cores, load about 5) on
// 10,000 generated Japanese bodies of 2,600 characters (73 MB of UTF-8), each engine indexing
// with positions and committing every 2,000 messages, then a search of two kanji words:
//
//   engine                                   index time (processor)  size    2-term search  rules met
//   Xapian 1.4, TermGenerator FLAG_CJK_NGRAM    126 s (80 s)          269 MB  12.6 ms        yes (*)
//   FTS5, trigram tokenizer                      43 s (20 s)          109 MB  -              no (**)
//   FTS5, Japanese pairs and words (this)        19 s (9 s)            66 MB   2.4 ms        yes
//
// (*) its n-gram queries are an AND of the pairs, so a phrase of single characters is needed to
// keep "東京と京都" from matching "東京都"; (**) no term of fewer than three characters is found
// at all, and most Japanese words have two. At 100,000 messages Xapian would need some thirteen
// minutes of processor time, where two are allowed.
namespace fumibako::search {

namespace {

// Bump when the tables or the tokens change: an index of another version is built anew.
constexpr char kVersion[] = "1";

// How the words table is written, tuned on building 100,000 messages of 8 KB from scratch
// (a segment is written at least at each commit; see SearchIndex::kCommitEvery):
// - the words of pending messages that FTS5 holds in memory before it writes them as a segment:
//   32 MB is more than one commit gathers, so a commit writes one segment, not several;
// - segments are merged when 16 of a size have gathered rather than 4 (each word is rewritten
//   fewer times; a search looks through a few more segments, still in a few milliseconds), and
//   pages of 8 KB rather than 4 KB. Together: 63 s of processor time instead of 150 s, 7 GB
//   written instead of 17 GB, the peak memory unchanged.
constexpr int kPendingWordsBytes = 32 * 1024 * 1024;
constexpr int kMergeSegments = 16;
constexpr int kPageBytes = 8192;
constexpr int kWordsPageBytes = kPageBytes - 92; // FTS5's leaves fill a page but for its header

const char* const kSchema =
    "CREATE TABLE IF NOT EXISTS meta(key TEXT PRIMARY KEY, value TEXT NOT NULL);"
    "CREATE TABLE IF NOT EXISTS messages(id INTEGER PRIMARY KEY AUTOINCREMENT, place TEXT NOT NULL UNIQUE,"
    " folder TEXT NOT NULL, sender TEXT NOT NULL, subject TEXT NOT NULL, date TEXT NOT NULL,"
    " stamp TEXT NOT NULL, readable INTEGER NOT NULL);"
    // No copy of the text (content=''), no column sizes (nothing is ranked): the index holds
    // the tokens and their positions only. Row ids are never reused (AUTOINCREMENT above), so
    // the words a gone message left behind never come back with another.
    "CREATE VIRTUAL TABLE IF NOT EXISTS words USING fts5(subject, sender, recipients, body, attachments,"
    " tokenize='fumibako', content='', columnsize=0);";

// The statements, prepared once per connection.
enum Statement {
    kSelectPlace,
    kDeleteMessage,
    kInsertMessage,
    kInsertWords,
    kSetFolder,
    kSelectAll,
    kSearch,
    kAddDead,
    kCount
};

// --- The tokenizer: the rules of SearchText.h for the text, the query's own tokens as they are.

int createTokenizer(void*, const char**, int, Fts5Tokenizer** tokenizer)
{
    static int instance;
    *tokenizer = reinterpret_cast<Fts5Tokenizer*>(&instance);
    return SQLITE_OK;
}

void deleteTokenizer(Fts5Tokenizer*) {}

int tokenize(Fts5Tokenizer*, void* context, int flags, const char* text, int size,
             int (*token)(void*, int, const char*, int, int, int))
{
    // SearchQuery builds its expressions from single tokens (queryTokens()).
    if (flags & FTS5_TOKENIZE_QUERY)
        return size > 0 ? token(context, 0, text, size, 0, size) : SQLITE_OK;
    int result = SQLITE_OK;
    textrules::forEachIndexToken(std::string_view(text, size_t(size)), [&](size_t begin, size_t end) {
        result = token(context, 0, text + begin, int(end - begin), int(begin), int(end));
        return result == SQLITE_OK;
    });
    return result;
}

bool registerTokenizer(sqlite3* db)
{
    fts5_api* api = nullptr;
    sqlite3_stmt* query = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT fts5(?1)", -1, &query, nullptr) == SQLITE_OK) {
        sqlite3_bind_pointer(query, 1, &api, "fts5_api_ptr", nullptr);
        sqlite3_step(query);
    }
    sqlite3_finalize(query);
    if (!api)
        return false;
    static fts5_tokenizer tokenizer{createTokenizer, deleteTokenizer, tokenize};
    return api->xCreateTokenizer(api, "fumibako", nullptr, &tokenizer, nullptr) == SQLITE_OK;
}

bool isDamageCode(int code)
{
    return (code & 0xFF) == SQLITE_CORRUPT || (code & 0xFF) == SQLITE_NOTADB;
}

void bindText(sqlite3_stmt* statement, int index, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(statement, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

QString columnText(sqlite3_stmt* statement, int column)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return QString::fromUtf8(text, sqlite3_column_bytes(statement, column));
}

using Reset = platform::sqlite::StatementReset;
using platform::sqlite::createPrivateFile;

} // namespace

SearchDatabase::SearchDatabase(sqlite3* db) : m_db(db), m_statements(kCount, nullptr) {}

SearchDatabase::~SearchDatabase()
{
    for (sqlite3_stmt* statement : m_statements)
        sqlite3_finalize(statement);
    sqlite3_close(m_db);
}

void SearchDatabase::remove(const QString& file)
{
    platform::sqlite::removeDatabaseFiles(file, true);
}

std::unique_ptr<SearchDatabase> SearchDatabase::open(const QString& file, OpenMode mode, QString* error)
{
    if (mode == OpenMode::ExistingOnly) {
        sqlite3* db = nullptr;
        const int opened = sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        std::unique_ptr<SearchDatabase> index(new SearchDatabase(db));
        if (opened == SQLITE_OK && registerTokenizer(db) && index->prepareSchema(false))
            return index;
        if (error)
            *error = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
        return nullptr;
    }
    for (int attempt = 0; attempt < 2; ++attempt) {
        createPrivateFile(file);
        sqlite3* db = nullptr;
        const int opened = sqlite3_open_v2(QFile::encodeName(file).constData(), &db,
                                           SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        std::unique_ptr<SearchDatabase> index(new SearchDatabase(db));
        if (opened == SQLITE_OK && registerTokenizer(db) && index->prepareSchema(true))
            return index;
        if (error)
            *error = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
        index.reset();
        // Not an index of ours, or damaged beyond opening: it is only a cache.
        remove(file);
    }
    return nullptr;
}

bool SearchDatabase::prepareSchema(bool createMissing)
{
    sqlite3_busy_timeout(m_db, 10000);
    // The page size of a new file; it must be set before the log is.
    const QByteArray pageSize = "PRAGMA page_size=" + QByteArray::number(kPageBytes);
    if (createMissing && !exec(pageSize.constData()))
        return false;
    if (!exec(createMissing ? "PRAGMA journal_mode=WAL" : "PRAGMA query_only=1") || !exec("PRAGMA synchronous=NORMAL"))
        return false;
    sqlite3_stmt* version = nullptr;
    if (sqlite3_prepare_v2(m_db, "SELECT value FROM meta WHERE key='version'", -1, &version, nullptr) == SQLITE_OK) {
        const int step = sqlite3_step(version);
        const QString found = step == SQLITE_ROW ? columnText(version, 0) : QString();
        sqlite3_finalize(version);
        return step == SQLITE_ROW && found == QLatin1String(kVersion);
    }
    sqlite3_finalize(version);
    if (!createMissing)
        return false;
    // No meta table: a new, empty file (anything else fails here and is replaced).
    const QByteArray create = QByteArray("BEGIN IMMEDIATE;") + kSchema
        + "INSERT OR IGNORE INTO meta VALUES('dead', '0');"
          "INSERT INTO words(words, rank) VALUES('hashsize', " + QByteArray::number(kPendingWordsBytes) + ");"
          "INSERT INTO words(words, rank) VALUES('automerge', " + QByteArray::number(kMergeSegments) + ");"
          "INSERT INTO words(words, rank) VALUES('pgsz', " + QByteArray::number(kWordsPageBytes) + ");"
          "INSERT OR REPLACE INTO meta VALUES('version', '" + kVersion + "');"
          "COMMIT;";
    if (exec(create.constData()))
        return true;
    exec("ROLLBACK");
    return false;
}

bool SearchDatabase::check(int code)
{
    if (code == SQLITE_OK || code == SQLITE_DONE || code == SQLITE_ROW)
        return true;
    m_damaged = m_damaged || isDamageCode(code);
    m_lastError = QString::fromUtf8(sqlite3_errmsg(m_db));
    return false;
}

bool SearchDatabase::exec(const char* sql)
{
    return check(sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr));
}

sqlite3_stmt* SearchDatabase::statement(int which, const char* sql)
{
    sqlite3_stmt*& prepared = m_statements[size_t(which)];
    if (!prepared && !check(sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, &prepared, nullptr)))
        return nullptr;
    return prepared;
}

bool SearchDatabase::begin()
{
    return exec("BEGIN IMMEDIATE");
}

bool SearchDatabase::commit()
{
    if (exec("COMMIT"))
        return true;
    sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    return false;
}

std::optional<QHash<QString, ListedMessage>> SearchDatabase::listed()
{
    sqlite3_stmt* select = statement(kSelectAll, "SELECT place, folder, stamp FROM messages");
    if (!select)
        return std::nullopt;
    const Reset reset{select};
    QHash<QString, ListedMessage> messages;
    int step;
    while ((step = sqlite3_step(select)) == SQLITE_ROW)
        messages.insert(columnText(select, 0), {columnText(select, 1), columnText(select, 2)});
    if (!check(step))
        return std::nullopt;
    return messages;
}

bool SearchDatabase::removePlace(const QString& place)
{
    sqlite3_stmt* select = statement(kSelectPlace, "SELECT id, readable FROM messages WHERE place=?1");
    sqlite3_stmt* remove = statement(kDeleteMessage, "DELETE FROM messages WHERE id=?1");
    if (!select || !remove)
        return false;
    qint64 id = -1;
    bool readable = false;
    {
        const Reset reset{select};
        bindText(select, 1, place);
        const int step = sqlite3_step(select);
        if (step == SQLITE_ROW) {
            id = sqlite3_column_int64(select, 0);
            readable = sqlite3_column_int(select, 1) != 0;
        } else if (!check(step)) {
            return false;
        }
    }
    if (id < 0)
        return true;
    const Reset reset{remove};
    sqlite3_bind_int64(remove, 1, id);
    return check(sqlite3_step(remove)) && (!readable || addDead(1));
}

bool SearchDatabase::addDead(qint64 count)
{
    sqlite3_stmt* update = statement(kAddDead, "UPDATE meta SET value = CAST(value AS INTEGER) + ?1 WHERE key='dead'");
    if (!update)
        return false;
    const Reset reset{update};
    sqlite3_bind_int64(update, 1, count);
    return check(sqlite3_step(update));
}

bool SearchDatabase::add(const IndexedMessage& message, const MessageWords* words)
{
    if (!removePlace(message.place))
        return false;
    sqlite3_stmt* insert = statement(kInsertMessage,
                                     "INSERT INTO messages(place, folder, sender, subject, date, stamp, readable)"
                                     " VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7)");
    if (!insert)
        return false;
    {
        const Reset reset{insert};
        bindText(insert, 1, message.place);
        bindText(insert, 2, message.folder);
        bindText(insert, 3, message.sender);
        bindText(insert, 4, message.subject);
        bindText(insert, 5, message.date);
        bindText(insert, 6, message.stamp);
        sqlite3_bind_int(insert, 7, words ? 1 : 0);
        if (!check(sqlite3_step(insert)))
            return false;
    }
    if (!words)
        return true;
    sqlite3_stmt* text = statement(kInsertWords, "INSERT INTO words(rowid, subject, sender, recipients, body,"
                                                 " attachments) VALUES(?1, ?2, ?3, ?4, ?5, ?6)");
    if (!text)
        return false;
    const Reset reset{text};
    sqlite3_bind_int64(text, 1, sqlite3_last_insert_rowid(m_db));
    bindText(text, 2, words->subject);
    bindText(text, 3, words->sender);
    bindText(text, 4, words->recipients);
    bindText(text, 5, words->body);
    bindText(text, 6, words->attachments);
    return check(sqlite3_step(text));
}

bool SearchDatabase::setFolder(const QString& place, const QString& folder)
{
    sqlite3_stmt* update = statement(kSetFolder, "UPDATE messages SET folder=?2 WHERE place=?1");
    if (!update)
        return false;
    const Reset reset{update};
    bindText(update, 1, place);
    bindText(update, 2, folder);
    return check(sqlite3_step(update)) && sqlite3_changes(m_db) > 0;
}

std::optional<SearchResults> SearchDatabase::search(const SearchQuery& query)
{
    // From the words to the messages (CROSS JOIN keeps that order); sorted afterwards, which
    // takes half the time SQLite's sorting of whole rows takes.
    sqlite3_stmt* select = statement(kSearch, "SELECT m.id, m.folder, m.place, m.sender, m.subject, m.date"
                                              " FROM words CROSS JOIN messages AS m ON m.id = words.rowid"
                                              " WHERE words MATCH ?1");
    if (!select)
        return std::nullopt;
    const Reset reset{select};
    bindText(select, 1, query.ftsExpression());
    SearchResults results;
    const auto bytes = [select](int column) {
        return QByteArrayView(static_cast<const char*>(sqlite3_column_blob(select, column)),
                              sqlite3_column_bytes(select, column));
    };
    int step;
    while ((step = sqlite3_step(select)) == SQLITE_ROW)
        results.append(sqlite3_column_int64(select, 0), bytes(1), bytes(2), bytes(3), bytes(4), bytes(5));
    if (!check(step))
        return std::nullopt;
    results.sortNewestFirst();
    return results;
}

qint64 SearchDatabase::deadRows()
{
    return singleInteger("SELECT CAST(value AS INTEGER) FROM meta WHERE key='dead'");
}

qint64 SearchDatabase::liveRows()
{
    return singleInteger("SELECT count(*) FROM messages WHERE readable=1");
}

qint64 SearchDatabase::singleInteger(const char* sql)
{
    sqlite3_stmt* select = nullptr;
    qint64 value = -1;
    if (check(sqlite3_prepare_v2(m_db, sql, -1, &select, nullptr)) && sqlite3_step(select) == SQLITE_ROW)
        value = sqlite3_column_int64(select, 0);
    sqlite3_finalize(select);
    return value;
}

} // namespace fumibako::search
