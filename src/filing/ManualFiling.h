#pragma once

#include "filing/FilingEngine.h"
#include "filing/FilingLog.h"
#include "storage/IndexEntry.h"
#include "storage/MailFolderView.h"
#include "storage/Paths.h"

#include <QElapsedTimer>
#include <QList>

#include <vector>

namespace fumibako::storage {
class MailChangeListener;
}

namespace fumibako::filing {

/** What filing by hand did. */
struct ManualFilingResult {
    int messages = 0;  ///< the messages the rules were asked about
    int moved = 0;     ///< filed into another folder
    int changed = 0;   ///< moved, flagged, marked read or copied
    QList<MissingFolder> missingFolders;
    bool written = true; ///< false when the index could not be written (nothing changed then)
};

/**
 * @short "振り分け実行": the account's rules over messages already stored, the same rules with
 * the same results as on receive.
 *
 * A message the rules file elsewhere is moved there; flags are set, copies made; a message no
 * rule files stays where it is. Deciding goes in steps (step()), so that a window can show
 * progress and stop; apply() then writes what was decided, in one write of the index. Rules
 * that read only the sender and the subject are answered from the index entries without
 * opening a message file.
 */
class ManualFiling {
public:
    /** @p engine and @p folderExists must outlive the filing. */
    ManualFiling(const storage::AccountPaths& paths, const FilingEngine& engine, FolderExists folderExists);

    /**
     * Adds the messages of folder @p key: a received-side folder's section; for "受信BOX" every
     * folder but ごみ箱, for "未読メール" their unread messages.
     */
    void addFolder(const QString& key);
    /** Adds the given messages (those of outgoing folders are passed over). */
    void addMessages(const std::vector<storage::FoundMail>& messages);

    int total() const { return int(m_messages.size()); }
    int decided() const { return int(m_next); }

    /** Decides for the next messages until about @p budgetMs have passed; false once all are decided. */
    bool step(int budgetMs);
    /** Writes what was decided so far (the rest stays as it is); @p changes hears of every move and copy. */
    ManualFilingResult apply(storage::MailChangeListener* changes);

private:
    struct Message {
        storage::MailRow row; ///< its tag is the folder it is in
        FilingDecision decision;
    };

    void addSection(const QString& section, bool unreadOnly);
    void writeCopies(Message& message, QList<std::pair<QString, QString>>& stored, ManualFilingResult& result);

    storage::AccountPaths m_paths;
    const FilingEngine& m_engine;
    FolderExists m_folderExists;
    std::vector<Message> m_messages;
    size_t m_next = 0;
    bool m_copiesMade = false;
    QList<FilingLogEntry> m_log;
};

} // namespace fumibako::filing
