#pragma once

#include "storage/FolderTree.h"

#include <QString>

#include <optional>

namespace fumibako::mainwin {

/** Filing the selected messages into a folder chosen from the tree. */
enum class FilingCommand { Move, Copy };

/**
 * @short The rules of the folder choice "フォルダへ移動…" / "フォルダへコピー…": which folders of
 * the tree may take the selected messages, which one is chosen first, and the dialog's texts.
 *
 * A move goes where a drag and drop may go ("標準BOX", "ごみ箱" and the user folders), a copy
 * into "標準BOX" and the user folders; never into the folder shown (the messages are there) nor
 * into "未読メール", which is a view. Outgoing mail is not filed this way.
 */
class FolderChoice {
public:
    /** @p lastChosenKey is chosen first when it may be chosen again (the last folder filed into). */
    FolderChoice(const storage::FolderTree& tree, FilingCommand command, const QString& shownKey,
                 const QString& lastChosenKey = {});

    /** Whether the commands are offered for the folder @p shownKey with @p hasSelection. */
    static bool isOffered(const QString& shownKey, bool hasSelection);

    FilingCommand command() const { return m_command; }
    /** "フォルダへ移動" or "フォルダへコピー". */
    QString title() const;
    /** "移動" or "コピー": the caption of the button that files. */
    QString acceptText() const;

    const storage::FolderTree& tree() const { return m_tree; }
    /** Whether node @p node (1-based) may take the messages. */
    bool isChoosable(int node) const;
    /**
     * The node chosen when the dialog opens: the last folder filed into, else the first user
     * folder, else "標準BOX"; 0 for none (the trash is never chosen for the user).
     */
    int initialNode() const;
    /** The folder key of node @p node, when it may be chosen. */
    std::optional<QString> chosenKey(int node) const;

private:
    const storage::FolderTree& m_tree;
    FilingCommand m_command;
    QString m_shownKey;
    QString m_lastChosenKey;
};

} // namespace fumibako::mainwin
