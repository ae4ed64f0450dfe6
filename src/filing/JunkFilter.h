#pragma once

#include "filing/FilingEngine.h"
#include "filing/JunkClassifier.h"
#include "filing/JunkInput.h"
#include "filing/JunkSettings.h"
#include "filing/JunkStore.h"
#include "storage/FolderTree.h"

#include <QString>

#include <memory>
#include <optional>

namespace fumibako::filing {

/** Until it has learnt this many messages of each kind, the filter moves nothing. */
constexpr qint64 kMinimumLearnt = 20;

/**
 * The store is kept below this many tokens: beyond it, tokens seen in one message only that
 * none of the last kPruneKeepRecent learnt messages had are forgotten (names, numbers, one-off
 * hosts: most of a store, and of no use to a score).
 */
constexpr qint64 kMaxStoredTokens = 1500000;
constexpr qint64 kPruneKeepRecent = 10000;

/** The folder junk is filed into: a section of the received-mail index, listed with the fixed folders. */
inline const QString& kJunkFolder = storage::FixedFolder::Junk;

/** Why a message was judged as it was. */
enum class JunkReason {
    Classifier,   ///< the token counts
    ProviderMark, ///< the provider's mark, trusted by the account's settings
    KnownSender,  ///< the sender is in the address book
    NotLearnt,    ///< fewer than kMinimumLearnt of a kind learnt: the score is only shown
    Off,          ///< the account's filter is off
};

/** What the filter makes of a message. */
struct JunkJudgement {
    JunkVerdict verdict = JunkVerdict::Ham; ///< what is done: Spam goes to 迷惑メール, Unsure is marked
    double score = 0.5;                     ///< the classifier's score (1 for a provider mark, 0 for a known sender)
    JunkReason reason = JunkReason::Classifier;
    JunkVerdict scoreVerdict = JunkVerdict::Unsure; ///< the score's own verdict, whatever was done
};

/**
 * @short The junk filter of a data directory: judges received mail and learns from the user.
 *
 * Owns the token store, opened on first use. A store found damaged is rebuilt empty; notice()
 * then has the message that tells the user so, once. Used on one thread.
 */
class JunkFilter {
public:
    explicit JunkFilter(const QString& programDir);
    ~JunkFilter();

    /** Judges @p input by the account's @p settings; @p addressBook may be null. */
    JunkJudgement judge(const JunkInput& input, const JunkSettings& settings, const AddressBookLookup* addressBook = nullptr);
    /** Judges the message file @p file; a file that cannot be opened is good mail. */
    JunkJudgement judgeFile(const QString& file, const JunkSettings& settings, const AddressBookLookup* addressBook = nullptr);

    /** One token of a message with its counts and probability, for telling why it was judged so. */
    struct TokenClue {
        QString token;
        TokenCounts counts;
        double probability = 0.5;
    };
    /** The tokens of @p file, the most telling first. */
    std::vector<TokenClue> explainFile(const QString& file);

    /** Learns the message file @p file as @p kind. */
    JunkStore::Learning learnFile(const QString& file, JunkKind kind);
    /** Takes back what @p file was learnt as; true also when it was not learnt. */
    bool forgetFile(const QString& file);
    /** What @p file was learnt as. */
    std::optional<JunkKind> learntAs(const QString& file);

    /** Groups many learnings into one write; commit() keeps the store small (kMaxStoredTokens). */
    bool begin();
    bool commit();

    TrainingTotals totals();
    /** Whether enough of both kinds were learnt for the filter to move mail. */
    bool hasLearntEnough();

    /** The message for the user about the store, once (a damaged store rebuilt); "" when none. */
    QString takeNotice();

private:
    JunkStore* store();
    void checkDamage();

    QString m_file;
    std::unique_ptr<JunkStore> m_store;
    bool m_unavailable = false;
    QString m_notice;
};

/** Whether @p subject carries one of @p tags (letter case ignored). */
bool hasProviderTag(const QString& subject, const QStringList& tags);

/** The text a damaged store's rebuilding shows. */
QString junkStoreRebuiltText(const QString& file);

} // namespace fumibako::filing
