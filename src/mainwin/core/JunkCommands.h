#pragma once

#include "filing/JunkFilter.h"
#include "storage/FolderTree.h"
#include "storage/MailFolderView.h"

#include <QList>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace fumibako::platform {
class UserPrompts;
}

namespace fumibako::mainwin {

/**
 * @short "迷惑メールにする", "迷惑メールではない" and their undo, on the rows of the shown folder.
 *
 * Each command learns the messages and moves them: junk into 迷惑メール (made when first
 * needed), good mail out of 迷惑メール into 標準BOX. Moving mail out of 迷惑メール by hand learns
 * it as good, onto 迷惑メール as junk. The last command can be taken back whole: every message
 * learnt as it was before and put back into the folder it came from.
 */
class JunkCommands {
public:
    JunkCommands(storage::MailFolderView& folder, storage::FolderTree& tree, platform::UserPrompts& prompts);
    ~JunkCommands();

    /** The data directory whose token store the commands learn into. */
    void setProgramDir(const QString& programDir);
    /** The data directory's filter; null before setProgramDir(). */
    filing::JunkFilter* filter() { return m_filter.get(); }

    struct Outcome {
        bool changed = false;         ///< something was learnt or moved
        bool junkFolderAdded = false; ///< the tree gained "迷惑メール"
    };
    Outcome markJunk(const QList<int>& rows);
    /** A receive filed @p junk messages into 迷惑メール: the folder is made when needed, a notice of the store shown. */
    Outcome junkReceived(int junk);
    Outcome markNotJunk(const QList<int>& rows);
    /** Rows about to be dropped on folder @p target by hand: learnt when they leave or enter 迷惑メール. */
    void learnDrop(const QString& target, const QList<int>& rows);

    /**
     * Moves what has lain in 迷惑メール longer than the account's settings allow into ごみ箱 (never
     * deleted for good); how long by the time the file was received. Returns how many went.
     */
    int moveOldJunk(const QString& userFile, const QString& inputDir);

    bool canUndo() const { return !m_last.empty(); }
    /** Takes back the last command; true when anything was put back. */
    bool undo();
    /** Another account or folder set: the last command can no longer be taken back. */
    void forgetLast() { m_last.clear(); }

private:
    /** One message a command learnt and perhaps moved. */
    struct Change {
        QString name;
        QString from; ///< the folder it was in
        QString to;   ///< the folder the command put it in (from, when it stayed)
        std::optional<filing::JunkKind> learntBefore;
    };

    std::vector<Change> learn(filing::JunkKind kind, const QList<int>& rows, const QString& movedTo);
    void showNotice();

    storage::MailFolderView& m_folder;
    storage::FolderTree& m_tree;
    platform::UserPrompts& m_prompts;
    std::unique_ptr<filing::JunkFilter> m_filter;
    std::vector<Change> m_last;
};

} // namespace fumibako::mainwin
