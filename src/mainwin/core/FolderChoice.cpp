#include "mainwin/core/FolderChoice.h"

#include "storage/MailFolderView.h"

namespace fumibako::mainwin {

using storage::FolderTree;

FolderChoice::FolderChoice(const FolderTree& tree, FilingCommand command, const QString& shownKey,
                           const QString& lastChosenKey)
    : m_tree(tree), m_command(command), m_shownKey(shownKey), m_lastChosenKey(lastChosenKey)
{
}

bool FolderChoice::isOffered(const QString& shownKey, bool hasSelection)
{
    return hasSelection && !shownKey.isEmpty() && !storage::MailFolderView::isOutgoingKey(shownKey);
}

QString FolderChoice::title() const
{
    return m_command == FilingCommand::Move ? QStringLiteral("フォルダへ移動") : QStringLiteral("フォルダへコピー");
}

QString FolderChoice::acceptText() const
{
    return m_command == FilingCommand::Move ? QStringLiteral("移動") : QStringLiteral("コピー");
}

bool FolderChoice::isChoosable(int node) const
{
    if (node < 1 || node > m_tree.count() || !FolderTree::isDropTarget(node) || node == storage::kUnreadNode)
        return false;
    if (m_command == FilingCommand::Copy && node == storage::kTrashNode)
        return false;
    return m_tree.node(node).key != m_shownKey;
}

int FolderChoice::initialNode() const
{
    const int last = m_tree.indexOfKey(m_lastChosenKey);
    if (isChoosable(last))
        return last;
    // A folder of the user's own first, then "標準BOX": the trash is never offered first.
    for (int node = storage::kTrashNode + 1; node <= m_tree.count(); ++node) {
        if (isChoosable(node))
            return node;
    }
    return isChoosable(storage::kStandardNode) ? int(storage::kStandardNode) : 0;
}

std::optional<QString> FolderChoice::chosenKey(int node) const
{
    if (!isChoosable(node))
        return std::nullopt;
    return m_tree.node(node).key;
}

} // namespace fumibako::mainwin
