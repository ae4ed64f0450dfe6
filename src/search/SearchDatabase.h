#pragma once

#include "search/SearchResults.h"

#include <QHash>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace fumibako::search {

class SearchQuery;

/** A message as the index lists it, beside its words. */
struct IndexedMessage {
    QString place;   ///< which file: see MailCatalog.h
    QString folder;  ///< the folder key of its index section
    QString sender;  ///< received: the sender; outgoing: the recipients
    QString subject;
    QString date;    ///< "yyyy/MM/dd HH:mm:ss"
    QString stamp;   ///< the file's size and time when it was read: a changed file is read again
};

/** The words of a message, one text per column of the index, folded (see foldText()). */
struct MessageWords {
    QString subject;
    QString sender;
    QString recipients;
    QString body;
    QString attachments;
};

/** What the index knows of a message it lists. */
struct ListedMessage {
    QString folder;
    QString stamp;
};


/**
 * @short The search index of one account: an SQLite database with an FTS5 table of the messages'
 * words (tokenized by the rules of SearchText.h) and a table of what a result shows.
 *
 * The index is a cache of the mail files: whatever goes wrong with it, it can be built again.
 * A file that is not an index of this version is replaced by an empty one when opened; an
 * operation that meets a damaged file reports it (isDamaged()), and the owner deletes and builds
 * it anew. The words table keeps no copy of the text: a message that goes leaves its words
 * behind, unreachable (deadRows()), until the index is built again.
 *
 * One object per thread; several may have the same file open (SQLite's write-ahead log lets
 * searches go on while another connection writes).
 */
class SearchDatabase {
public:
    ~SearchDatabase();
    SearchDatabase(const SearchDatabase&) = delete;
    SearchDatabase& operator=(const SearchDatabase&) = delete;

    /** Whether open() may make the file: only the index's writer does. */
    enum class OpenMode {
        CreateOrReplace, ///< creates a missing file (mode 0600), replaces one that is no usable index
        ExistingOnly,    ///< fails unless a usable index is there; never writes
    };

    /** Opens the index in @p file. Nothing, with @p error, when no index can be had there. */
    static std::unique_ptr<SearchDatabase> open(const QString& file, OpenMode mode, QString* error);

    /** Deletes the index files (the database, its log and its shared memory). */
    static void remove(const QString& file);

    bool begin();
    bool commit();

    /** Every message the index lists, by place. */
    std::optional<QHash<QString, ListedMessage>> listed();

    /** Lists @p message with its @p words, or as unreadable (no words). Replaces an older listing. */
    bool add(const IndexedMessage& message, const MessageWords* words);
    /** Forgets the message at @p place; true also when it was not listed. */
    bool removePlace(const QString& place);
    /** The message at @p place is now in folder @p folder; false when it is not listed. */
    bool setFolder(const QString& place, const QString& folder);

    /** The messages that hold every term of @p query, newest first. */
    std::optional<SearchResults> search(const SearchQuery& query);

    /** Words of messages that are gone, and the messages listed with words. */
    qint64 deadRows();
    qint64 liveRows();

    /** An operation met a damaged file: the index should be deleted and built again. */
    bool isDamaged() const { return m_damaged; }
    /** SQLite's text of the last failure. */
    QString lastError() const { return m_lastError; }

private:
    explicit SearchDatabase(sqlite3* db);

    bool prepareSchema(bool create);
    bool exec(const char* sql);
    sqlite3_stmt* statement(int which, const char* sql);
    bool check(int code);
    bool addDead(qint64 count);
    /** The integer in the first column of the first row @p sql gives; -1 when there is none. */
    qint64 singleInteger(const char* sql);

    sqlite3* m_db;
    std::vector<sqlite3_stmt*> m_statements;
    bool m_damaged = false;
    QString m_lastError;
};

} // namespace fumibako::search
