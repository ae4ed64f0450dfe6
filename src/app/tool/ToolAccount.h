#pragma once

#include "app/tool/ConsolePrompts.h"
#include "storage/FolderTree.h"
#include "storage/Paths.h"

#include <QString>

#include <memory>

namespace fumibako::tool {

/** An account of the data directory as a command works on it: its paths and its folders. */
struct ToolAccount {
    QString programDir;
    storage::AccountPaths paths;
    ConsolePrompts prompts;
    /** Its user folders, with those its index names and its folder list lacks. */
    storage::FolderTree tree;
};

/**
 * Opens the account @p name of the data directory that @p dataDirOption (or the environment)
 * names; nothing, after "アカウントがありません" on stderr, when there is no such account.
 */
std::unique_ptr<ToolAccount> openToolAccount(const QString& dataDirOption, const QString& name);

} // namespace fumibako::tool
