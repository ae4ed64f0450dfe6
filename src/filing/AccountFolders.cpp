#include "filing/AccountFolders.h"

#include "platform/UserPrompts.h"
#include "storage/FolderTree.h"

#include <memory>

namespace fumibako::filing {

namespace {

// A damaged folder list is the window's to report, when it loads the tree.
class QuietPrompts : public platform::UserPrompts {
public:
    platform::Answer message(const QString&, const QString&, platform::Icon, platform::Buttons) override
    {
        return platform::Answer::Ok;
    }
    void setStatus(int, const QString&) override {}
};

} // namespace

bool takesFiledMail(const storage::FolderTree& tree, const QString& key)
{
    const int node = tree.indexOfKey(key);
    return node == storage::kStandardNode || node == storage::kTrashNode || node > storage::kTrashNode;
}

QStringList filingFolderChoices(const storage::FolderTree& tree)
{
    QStringList choices;
    for (int node = storage::kStandardNode; node <= tree.count(); ++node)
        choices.append(tree.node(node).key);
    return choices;
}

FolderExists storedFolders(const storage::AccountPaths& paths)
{
    auto tree = std::make_shared<storage::FolderTree>();
    QuietPrompts prompts;
    tree->load(paths.userFile, prompts);
    tree->addFoldersOfIndex(paths.receivedIndexFile);
    return [tree](const QString& key) { return takesFiledMail(*tree, key); };
}

} // namespace fumibako::filing
