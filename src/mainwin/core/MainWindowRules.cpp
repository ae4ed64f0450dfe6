#include "mainwin/core/MainWindowRules.h"

#include "platform/UserPrompts.h"
#include "storage/FolderTree.h"

namespace fumibako::mainwin {

using storage::FixedFolder::Drafts;
using storage::FixedFolder::Outbox;
using storage::FixedFolder::SentBox;
using storage::FixedFolder::Trash;

void ListSortState::columnClicked(int column)
{
    if (column == key) {
        order = order == 0 ? 1 : 0;
    } else {
        key = column;
        order = 1;
    }
    changed = true;
}

std::optional<int> accountForDigitKey(const QString& keyText, int accountCount)
{
    if (keyText.size() != 1)
        return std::nullopt;
    const QChar c = keyText.at(0);
    if (c < QLatin1Char('1') || c > QLatin1Char('9'))
        return std::nullopt;
    const int n = c.unicode() - '0';
    if (n > accountCount)
        return std::nullopt;
    return n - 1;
}

DeleteAction deleteActionFor(const QString& folderKey, bool shift)
{
    if (shift || folderKey == Trash || folderKey == Drafts || folderKey == Outbox || folderKey == SentBox)
        return DeleteAction::DeletePermanently;
    return DeleteAction::MoveToTrash;
}

TreePopupEnabling treePopupFor(int nodeIndex, bool userFolder)
{
    using namespace storage;
    if (nodeIndex < kInboxNode || (nodeIndex >= kOutboxNode && nodeIndex <= kDraftsNode))
        return {};
    return {true, true, userFolder};
}

QString mainWindowTitle(const QString& version)
{
    return platform::kProgramTitle + QLatin1Char(' ') + version;
}

QList<addressbook::AddressEntry> addressPaneEntries(const QList<addressbook::AddressEntry>& table)
{
    QList<addressbook::AddressEntry> rows;
    for (const addressbook::AddressEntry& entry : table) {
        if (entry.path == QLatin1String("Root"))
            rows.append(entry);
    }
    return rows;
}

} // namespace fumibako::mainwin
