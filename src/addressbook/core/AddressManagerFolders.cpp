// The manager's folder commands (new, rename, delete) and the moves by drag and drop.
#include "addressbook/core/AddressManager.h"

#include "platform/UserPrompts.h"

namespace fumibako::addressbook {

using platform::Answer;
using platform::Buttons;
using platform::Icon;

namespace {

const QString kNewFolderLabel = QStringLiteral("新規フォルダ");
const QString kBadCharacterMessage = QStringLiteral("使ってはいけない文字が含まれています");

QString tooDeepText()
{
    return QStringLiteral("フォルダは Root の下に %1 階層までしか作れません。").arg(kMaxFolderLevels);
}

} // namespace

std::optional<QString> AddressManager::newFolder()
{
    const QString parent = currentFolder();
    // A twelfth level would make the saved book unreadable.
    if (folderLevels(parent) >= kMaxFolderLevels) {
        m_prompts.message(tooDeepText(), QString(), Icon::Exclamation, Buttons::Ok);
        return std::nullopt;
    }
    int n = 1;
    while (m_tree.contains(parent + u'\\' + kNewFolderLabel + QString::number(n)))
        ++n;
    const QString label = kNewFolderLabel + QString::number(n);
    const QString key = parent + u'\\' + label;
    m_tree.add(key, label, parent);
    m_tree.setExpanded(parent, true);
    reloadTree();
    showFolder(key);
    return key;
}

bool AddressManager::renameFolder(const QString& key, const QString& name)
{
    const AddressFolder* folder = m_tree.folder(key);
    if (name.isEmpty() || !folder || folder->parentKey.isEmpty())
        return false;
    const QString refused = name.contains(u'\\') ? QStringLiteral("\\")
        : name.contains(QLatin1String("root"), Qt::CaseInsensitive) ? QStringLiteral("Root")
                                                                     : QString();
    if (!refused.isEmpty()) {
        m_prompts.message(kBadCharacterMessage + QStringLiteral("\r\n") + refused, QStringLiteral("フミバコ"), Icon::None,
                          Buttons::Ok);
        return false;
    }
    const QString newKey = folder->parentKey + u'\\' + name;
    if (m_tree.contains(newKey)) {
        m_prompts.message(QStringLiteral("その名前はすでに存在します"), QStringLiteral("フォルダの追加"), Icon::None, Buttons::Ok);
        return false;
    }
    m_tree.renameSubtree(key, newKey, name);
    m_entries.replaceFolderStart(key, newKey);
    m_henkou = true;
    reloadTree();
    showFolder(isWithinFolder(currentFolder(), newKey) ? currentFolder() : newKey);
    return true;
}

bool AddressManager::deleteFolder(const QString& key)
{
    const AddressFolder* folder = m_tree.folder(key);
    if (!canDeleteFolder(key) || !folder)
        return false;
    const QString question = QStringLiteral("このフォルダに含まれるフォルダ、およびアドレスをすべて削除します") + QStringLiteral("\r\n")
        + QStringLiteral("よろしいですか？");
    if (m_prompts.message(question, QStringLiteral("削除の確認"), Icon::Exclamation, Buttons::YesNo) != Answer::Yes)
        return false;
    const QString parent = folder->parentKey;
    m_entries.removeWithin(key);
    m_tree.removeSubtree(key);
    m_henkou = true;
    reloadTree();
    // The parent is shown, not the rows of the folder that is gone.
    showFolder(parent);
    return true;
}

void AddressManager::drop(const QString& target, const AddressDrag& drag)
{
    if (!m_tree.contains(target))
        return;
    if (drag.source == DragSource::List)
        dropRows(target, drag.rows);
    else
        dropFolder(target, drag.folderKey);
}

AddressManager::FolderMove AddressManager::moveFolder(const QString& folder, const QString& newKey)
{
    const int deepest = m_entries.deepestLevelWithin(folder);
    if (deepest < 0)
        return FolderMove::Empty;
    if (deepest - folderLevels(folder) + folderLevels(newKey) > kMaxFolderLevels) {
        m_prompts.message(tooDeepText(), QString(), Icon::Exclamation, Buttons::Ok);
        return FolderMove::Refused;
    }
    m_entries.replaceFolderStart(folder, newKey);
    return FolderMove::Moved;
}

void AddressManager::dropRows(const QString& target, const QList<int>& rows)
{
    const QString source = currentFolder();
    if (target == source)
        return;
    const QList<AddressEntry> before = m_entries.entries();
    QList<int> entryRows;
    QStringList folders;
    for (int row : rows) {
        if (row < 0 || row >= m_contents.count())
            continue;
        const ContentRow& shown = m_contents.at(row);
        if (shown.isFolder())
            folders.append(shown.folderKey);
        else
            entryRows.append(shown.entryRow);
    }
    bool moved = !entryRows.isEmpty();
    bool rebuild = moved;
    // Addresses first: their row numbers hold only until the list is sorted again.
    if (moved)
        m_entries.setPath(entryRows, target);
    for (const QString& folder : folders) {
        if (isWithinFolder(target, folder)) {
            m_prompts.message(kNestedMoveMessage, QString(), Icon::None, Buttons::Ok);
            continue;
        }
        const FolderMove result = moveFolder(folder, target + folder.mid(source.size()));
        moved = moved || result == FolderMove::Moved;
        rebuild = rebuild || result != FolderMove::Refused;
    }
    if (rebuild)
        rebuildTreeAfterMove(source, before, moved);
}

void AddressManager::dropFolder(const QString& target, const QString& folder)
{
    const AddressFolder* dragged = m_tree.folder(folder);
    if (target == folder || !dragged || dragged->parentKey.isEmpty())
        return;
    if (isWithinFolder(target, folder)) {
        if (m_entries.hasEntriesWithin(folder))
            m_prompts.message(kNestedMoveMessage, QString(), Icon::None, Buttons::Ok);
        return;
    }
    const QList<AddressEntry> before = m_entries.entries();
    const FolderMove result = moveFolder(folder, target + folder.mid(dragged->parentKey.size()));
    if (result != FolderMove::Refused)
        rebuildTreeAfterMove(target, before, result == FolderMove::Moved);
}

// The tree is built again from the entries, so folders that hold no entry are gone afterwards.
void AddressManager::rebuildTreeAfterMove(const QString& select, const QList<AddressEntry>& before, bool changed)
{
    AddressFolderTree rebuilt;
    if (!BuildFolderTree(rebuilt, m_entries.entries(), select)) {
        m_entries.setEntries(before); // a tree that cannot be built would make the saved book unreadable
        return;
    }
    m_tree = std::move(rebuilt);
    m_henkou = m_henkou || changed;
    reloadTree();
    showFolder(select);
}

} // namespace fumibako::addressbook
