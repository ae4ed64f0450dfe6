#pragma once

#include "filing/JunkClassifier.h"

#include <QHash>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace fumibako::filing {

/** What a message was learnt as. */
enum class JunkKind { Spam = 1, Ham = 2 };

/**
 * @short The junk classifier's token counts: an SQLite database, one per data directory.
 *
 * It holds how many trained messages of each kind had each token, the number of messages
 * trained of each kind, and which messages were trained as what (by a key made from the
 * message's bytes), so that training a message twice counts once and a message retrained the
 * other way moves its counts over. Unlike the search index this is the user's own work and is
 * never thrown away: a later version adds to its tables. Only a file that SQLite cannot read is
 * set aside (beside it, ".damaged") and replaced by an empty store.
 *
 * One object per thread; the program and the tool may have it open at once (SQLite's
 * write-ahead log): counts() notices what another connection wrote.
 */
class JunkStore {
public:
    ~JunkStore();
    JunkStore(const JunkStore&) = delete;
    JunkStore& operator=(const JunkStore&) = delete;

    /** The store's file in the data directory @p programDir. */
    static QString fileIn(const QString& programDir);

    /** An opened store; @p rebuilt when a damaged file was set aside for an empty one. */
    struct Opened {
        std::unique_ptr<JunkStore> store; ///< nothing when no store can be had there
        bool rebuilt = false;
        QString error;                    ///< SQLite's text, when store is nothing or rebuilt
    };

    /** Opens (or makes, mode 0600) the store in @p file. */
    static Opened open(const QString& file);

    /** Replaces the damaged store in @p file by an empty one, keeping the old file as file + ".damaged". */
    static Opened rebuild(const QString& file);

    TrainingTotals totals();
    /** The counts of each of @p ids, in their order. */
    std::vector<TokenCounts> counts(const std::vector<qint64>& ids);

    enum class Learning { Learnt, AlreadyLearnt, Relearnt, Failed };
    /**
     * Learns the message @p messageKey, whose tokens are @p ids, as @p kind. A message learnt as
     * the other kind is unlearnt first (Relearnt); one learnt as this kind already stays as it
     * is (AlreadyLearnt).
     */
    Learning learn(qint64 messageKey, const std::vector<qint64>& ids, JunkKind kind);
    /** Takes back the learning of @p messageKey; true also when it was never learnt. */
    bool forget(qint64 messageKey, const std::vector<qint64>& ids);
    /** What @p messageKey was learnt as, nothing when it was not. */
    std::optional<JunkKind> learntAs(qint64 messageKey);

    /** Groups the next writes into one transaction, up to commit(). */
    bool begin();
    bool commit();

    /**
     * Keeps the store small: when it holds more than @p maxTokens tokens, forgets tokens seen in
     * one message only that no message learnt since the last @p keepRecent did. Returns how many went.
     */
    qint64 prune(qint64 maxTokens, qint64 keepRecent);
    qint64 tokenCount();

    /** An operation met a damaged file: the store should be rebuilt. */
    bool isDamaged() const { return m_damaged; }
    QString lastError() const { return m_lastError; }

private:
    explicit JunkStore(sqlite3* db);

    bool prepare();
    bool exec(const char* sql);
    sqlite3_stmt* statement(int which, const char* sql);
    bool check(int code);
    qint64 integer(const char* sql);
    bool addTotals(JunkKind kind, qint64 change);
    bool changeTokens(const std::vector<qint64>& ids, JunkKind kind, int change);
    void dropCacheIfChanged();

    sqlite3* m_db;
    std::vector<sqlite3_stmt*> m_statements;
    QHash<qint64, TokenCounts> m_cache; // counts read since the store last changed
    qint64 m_dataVersion = -1;
    bool m_damaged = false;
    QString m_lastError;
};

/** The key the store knows a message file by: 63 bits of the SHA-1 of its bytes; nothing when unreadable. */
std::optional<qint64> junkMessageKey(const QString& file);

} // namespace fumibako::filing
