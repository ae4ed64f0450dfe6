#pragma once

#include "filing/FilingEngine.h"
#include "storage/Paths.h"

namespace fumibako::storage {
class FolderTree;
}

namespace fumibako::filing {

/**
 * The received-side folders of the account as its files have them (the folder list of its
 * settings file, with the folders its index names), for filing without a window: the tool, and
 * receiving when no window hands its folder tree in.
 */
FolderExists storedFolders(const storage::AccountPaths& paths);

/** Whether mail can be filed into the folder @p key of @p tree: 標準BOX, ごみ箱 or a user folder. */
bool takesFiledMail(const storage::FolderTree& tree, const QString& key);

/** The folders mail can be filed into, as a folder chooser lists them: 標準BOX, ごみ箱, then the user folders. */
QStringList filingFolderChoices(const storage::FolderTree& tree);

} // namespace fumibako::filing
