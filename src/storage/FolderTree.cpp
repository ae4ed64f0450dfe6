#include "storage/FolderTree.h"

#include "platform/UserPrompts.h"
#include "storage/IndexEntry.h"
#include "storage/ProfileStore.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace fumibako::storage {

using platform::Answer;
using platform::Buttons;
using platform::Icon;

namespace {

const QString kFolderSection = QStringLiteral("Folder");
const QString kNewFolderName = QStringLiteral("新規フォルダ");
const QChar kSeparator = QLatin1Char('\\');

// Stored paths are read with a buffer far beyond the historical 70 bytes, so that a deep folder
// path (which adding and renaming never refused) is not cut when it is read back.
constexpr int kPathBuffer = 4096;

bool isBelow(const QString& path, const QString& ancestor)
{
    return path.size() > ancestor.size() + 1 && path.startsWith(ancestor) && path.at(ancestor.size()) == kSeparator;
}

const QString kForbiddenCharacters = QStringLiteral("\\/?:*\"<>|[]=");

bool hasForbiddenCharacter(const QString& name)
{
    return std::any_of(kForbiddenCharacters.cbegin(), kForbiddenCharacters.cend(),
                       [&name](QChar c) { return name.contains(c); });
}

bool hasOuterSpace(const QString& name)
{
    return name.startsWith(QLatin1Char(' ')) || name.endsWith(QLatin1Char(' '));
}

} // namespace

FolderTree::FolderTree()
{
    addNode(FixedFolder::Inbox, FixedFolder::Inbox, QStringLiteral("folder"), 0);
    addNode(FixedFolder::Outbox, FixedFolder::Outbox, QStringLiteral("folder"), 0);
    addNode(FixedFolder::SentBox, FixedFolder::SentBox, QStringLiteral("folder"), 0);
    addNode(FixedFolder::Drafts, FixedFolder::Drafts, QStringLiteral("folder"), 0);
    addNode(FixedFolder::Unread, FixedFolder::Unread, QStringLiteral("mailclose"), kInboxNode);
    addNode(FixedFolder::Standard, FixedFolder::Standard, QStringLiteral("mailopen"), kInboxNode);
    addNode(FixedFolder::Trash, FixedFolder::Trash, QStringLiteral("trush"), kInboxNode);
}

int FolderTree::addNode(const QString& key, const QString& text, const QString& imageKey, int parent)
{
    m_nodes.push_back({key, text, imageKey, parent});
    m_indexByKey.insert(key, count());
    return count();
}

void FolderTree::reindex()
{
    m_indexByKey.clear();
    for (int i = 1; i <= count(); ++i)
        m_indexByKey.insert(node(i).key, i);
}

QString FolderTree::fullPath(int index) const
{
    const FolderNode& n = node(index);
    return n.parent == 0 ? n.text : fullPath(n.parent) + kSeparator + n.text;
}

QList<int> FolderTree::children(int index) const
{
    QList<int> result;
    for (int i = 1; i <= count(); ++i) {
        if (node(i).parent == index)
            result.append(i);
    }
    return result;
}

void FolderTree::removeUserFolders()
{
    m_nodes.resize(kTrashNode);
    reindex();
}

int FolderTree::ensureJunkFolder()
{
    if (hasJunkFolder())
        return indexOfKey(FixedFolder::Junk);
    // In at node 8: the user folders move one down, and so do their parents.
    const int junk = kTrashNode + 1;
    for (FolderNode& n : m_nodes) {
        if (n.parent >= junk)
            ++n.parent;
    }
    m_nodes.insert(m_nodes.begin() + (junk - 1), {FixedFolder::Junk, FixedFolder::Junk, QStringLiteral("junk"), kInboxNode});
    reindex();
    return junk;
}

bool FolderTree::loadEntry(const QString& path)
{
    const qsizetype cut = path.lastIndexOf(kSeparator);
    if (cut < 0 || hasKey(path))
        return false;
    const int parent = indexOfKey(path.left(cut));
    if (parent == 0)
        return false;
    addNode(path, path.mid(cut + 1), QStringLiteral("user"), parent);
    return true;
}

void FolderTree::load(const QString& userFile, platform::UserPrompts& prompts)
{
    const QString countText = IniGetString(kFolderSection, QStringLiteral("Count"), 10, userFile);
    if (countText.isEmpty())
        return;
    bool ok = false;
    const int stored = countText.trimmed().toInt(&ok);
    for (int i = 0; ok && i < stored; ++i)
        ok = loadEntry(IniGetString(kFolderSection, QString::number(i), kPathBuffer, userFile));
    if (!ok) {
        prompts.message(QStringLiteral("ツリー情報が壊れています\r\n受信BOXでメールを移動させてください"),
                        QStringLiteral("読み込みエラー"), Icon::Information, Buttons::Ok);
    }
}

bool FolderTree::save(const QString& userFile) const
{
    QStringList paths;
    for (int i = firstUserIndex(); i <= count(); ++i)
        paths.append(fullPath(i));
    return writeOrderedList(kFolderSection, userFile, paths);
}

bool FolderTree::isUsableName(const QString& name)
{
    return !name.isEmpty() && !hasForbiddenCharacter(name) && !hasOuterSpace(name);
}

bool FolderTree::addFolderPath(const QString& key)
{
    if (!isBelow(key, FixedFolder::Inbox))
        return false;
    const int before = count();
    addPath(key);
    if (count() > before)
        m_changed = true;
    return hasKey(key);
}

void FolderTree::addPath(const QString& path)
{
    const QStringList names = path.split(kSeparator);
    if (!std::all_of(names.cbegin() + 1, names.cend(), isUsableName))
        return;
    QString parentKey = names.first();
    for (qsizetype i = 1; i < names.size(); ++i) {
        const QString key = parentKey + kSeparator + names.at(i);
        if (!hasKey(key))
            addNode(key, names.at(i), QStringLiteral("user"), indexOfKey(parentKey));
        parentKey = key;
    }
}

int FolderTree::addFoldersOfIndex(const QString& receivedIndexFile)
{
    QStringList sections;
    IniGetSectionNames(receivedIndexFile, sections);
    const int before = count();
    if (sections.contains(FixedFolder::Junk))
        ensureJunkFolder(); // not in the stored list: no change to write
    const int users = count();
    for (const QString& section : std::as_const(sections)) {
        if (!hasKey(section) && isBelow(section, FixedFolder::Inbox))
            addPath(section);
    }
    if (count() > users)
        m_changed = true;
    return count() - before;
}

int FolderTree::addFolder(int selectedIndex)
{
    int parent = selectedIndex;
    if (parent == kInboxNode || parent == kUnreadNode || parent == kStandardNode || parent == kTrashNode
        || (parent == kTrashNode + 1 && hasJunkFolder()))
        parent = kInboxNode;
    else if (parent < kInboxNode || parent > count() || parent <= kDraftsNode)
        return 0; // the outgoing folders offer no folder commands
    const QString parentKey = node(parent).key;
    int n = 1;
    while (hasKey(parentKey + kSeparator + kNewFolderName + QString::number(n)))
        ++n;
    const QString text = kNewFolderName + QString::number(n);
    // A new folder counts as a change even if its name is never edited, or switching accounts
    // would drop it (and strand the mail moved into it).
    m_changed = true;
    return addNode(parentKey + kSeparator + text, text, QStringLiteral("user"), parent);
}

bool FolderTree::rename(int index, const QString& newText, const QString& receivedIndexFile,
                        platform::UserPrompts& prompts)
{
    if (!canRename(index))
        return false;
    if (newText.isEmpty()) {
        prompts.message(QStringLiteral("文字を入力してください"), QString(), Icon::None, Buttons::Ok);
        return false;
    }
    if (!CheckName(true, newText, prompts))
        return false;
    const QString oldKey = fullPath(index);
    const QString newKey = fullPath(node(index).parent) + kSeparator + newText;
    if (hasKey(newKey)) {
        prompts.message(QStringLiteral("すでにその名前は使われております"), QString(), Icon::None, Buttons::Ok);
        return false;
    }
    m_nodes[index - 1].text = newText;
    for (FolderNode& n : m_nodes) {
        if (n.key == oldKey)
            n.key = newKey;
        else if (isBelow(n.key, oldKey))
            n.key = newKey + n.key.mid(oldKey.size());
    }
    reindex();

    ProfileWriteBatch batch;
    QStringList sections;
    IniGetSectionNames(receivedIndexFile, sections);
    for (const QString& section : std::as_const(sections)) {
        if (section != oldKey && !isBelow(section, oldKey))
            continue;
        QStringList lines;
        if (!IniGetSection(section, receivedIndexFile, lines))
            continue;
        IniDeleteSection(receivedIndexFile, section);
        IniWriteSection(newKey + section.mid(oldKey.size()), receivedIndexFile, lines);
    }
    batch.commit();
    m_changed = true;
    return true;
}

void FolderTree::deleteSectionsOf(const QString& key, const QString& receivedIndexFile, const QString& mailDir,
                                  platform::UserPrompts& prompts) const
{
    QStringList sections;
    IniGetSectionNames(receivedIndexFile, sections);
    for (const QString& section : std::as_const(sections)) {
        if (!hasKey(section) && section != FixedFolder::Junk) {
            IniDeleteSection(receivedIndexFile, section);
            continue;
        }
        if (section != key && !isBelow(section, key))
            continue;
        QStringList lines;
        IniGetSection(section, receivedIndexFile, lines);
        for (const QString& line : std::as_const(lines)) {
            const std::optional<MailRow> entry = ParseIndexLine(line);
            if (!entry || !QFileInfo::exists(mailDir + entry->keyString()))
                continue;
            if (!QFile::remove(mailDir + entry->keyString())) {
                prompts.message(QStringLiteral("メールを削除できませんでした。どこかで開いている可能性があります"),
                                QStringLiteral("削除失敗"), Icon::Information, Buttons::Ok);
            }
        }
        IniDeleteSection(receivedIndexFile, section);
    }
}

int FolderTree::deleteFolder(int index, const QString& receivedIndexFile, const QString& mailDir,
                             platform::UserPrompts& prompts)
{
    if (!isUserFolder(index))
        return 0;
    const Answer answer = prompts.message(
        QStringLiteral("このフォルダに含まれるフォルダ及び、メールが削除されます。\r\nよろしいですか？"),
        QStringLiteral("フォルダの削除"), Icon::Exclamation, Buttons::YesNo);
    if (answer != Answer::Yes)
        return 0;
    const QString key = node(index).key;
    {
        ProfileWriteBatch batch;
        deleteSectionsOf(key, receivedIndexFile, mailDir, prompts);
        batch.commit();
    }
    std::vector<FolderNode> kept;
    for (int i = 1; i <= count(); ++i) {
        if (i != index && !isBelow(node(i).key, key))
            kept.push_back(node(i));
    }
    // Parents are stored as indexes: renumber them for the nodes that moved up.
    for (FolderNode& n : kept) {
        const QString parentKey = n.parent == 0 ? QString() : node(n.parent).key;
        n.parent = 0;
        for (int j = 0; j < static_cast<int>(kept.size()) && !parentKey.isEmpty(); ++j) {
            if (kept[j].key == parentKey)
                n.parent = j + 1;
        }
    }
    m_nodes = std::move(kept);
    reindex();
    m_changed = true;
    return index - 1;
}

bool CheckName(bool strict, const QString& name, platform::UserPrompts& prompts)
{
    if (hasForbiddenCharacter(name)) {
        prompts.message(QStringLiteral("\\ / ? : * \" < > | [ ] =\r\nの文字は使用できません"),
                        QStringLiteral("不正文字"), Icon::Information, Buttons::Ok);
        return false;
    }
    if (strict && hasOuterSpace(name)) {
        prompts.message(QStringLiteral("先頭もしくは後部にスペースは使えません"), QStringLiteral("不正文字"),
                        Icon::Information, Buttons::Ok);
        return false;
    }
    return true;
}

} // namespace fumibako::storage
