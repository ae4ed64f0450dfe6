// The main window's junk commands: learning from the user's judgement, and its undo.
#include "mainwin/core/MainController.h"

namespace fumibako::mainwin {

void MainController::junkApplied(const JunkCommands::Outcome& outcome)
{
    if (outcome.junkFolderAdded) {
        foldersChanged();
        Q_EMIT treeChanged();
    }
    if (outcome.changed)
        rowsChanged();
}

void MainController::junkReceived(int junk, int expired)
{
    junkApplied(m_junk.junkReceived(junk));
    // Old junk went into ごみ箱: a list of either folder shows it where it is now.
    const QString shown = m_folder.folderKey();
    if (expired > 0 && (shown == storage::FixedFolder::Junk || shown == storage::FixedFolder::Trash))
        showFolder(m_shownNode);
}

void MainController::markJunk(const QList<int>& rows)
{
    if (!rows.isEmpty())
        junkApplied(m_junk.markJunk(rows));
}

void MainController::markNotJunk(const QList<int>& rows)
{
    if (!rows.isEmpty())
        junkApplied(m_junk.markNotJunk(rows));
}

void MainController::judgeShownMessage(const QString& name, bool junk)
{
    for (int row = 0; row < m_folder.rows().size(); ++row) {
        if (m_folder.rows().at(row).keyString() == name) {
            junk ? markJunk({row}) : markNotJunk({row});
            return;
        }
    }
}

void MainController::undoJunk()
{
    if (m_junk.undo())
        rowsChanged();
}

} // namespace fumibako::mainwin
