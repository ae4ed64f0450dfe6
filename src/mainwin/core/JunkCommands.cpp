#include "mainwin/core/JunkCommands.h"

#include "platform/UserPrompts.h"
#include "storage/ProfileStore.h"

#include <QDateTime>
#include <QFileInfo>

namespace fumibako::mainwin {

using filing::JunkKind;
using storage::FixedFolder::Junk;
using storage::FixedFolder::Standard;

JunkCommands::JunkCommands(storage::MailFolderView& folder, storage::FolderTree& tree, platform::UserPrompts& prompts)
    : m_folder(folder), m_tree(tree), m_prompts(prompts)
{
}

JunkCommands::~JunkCommands() = default;

void JunkCommands::setProgramDir(const QString& programDir)
{
    m_filter = std::make_unique<filing::JunkFilter>(programDir);
    m_last.clear();
}

void JunkCommands::showNotice()
{
    const QString notice = m_filter ? m_filter->takeNotice() : QString();
    if (!notice.isEmpty())
        m_prompts.message(notice, QStringLiteral("迷惑メール"), platform::Icon::Exclamation, platform::Buttons::Ok);
}

// Learns the received messages of @p rows as @p kind; those whose folder changes get @p movedTo
// (empty: none moves) as where they go.
std::vector<JunkCommands::Change> JunkCommands::learn(JunkKind kind, const QList<int>& rows, const QString& movedTo)
{
    std::vector<Change> changes;
    if (!m_filter)
        return changes;
    m_filter->begin();
    for (const int i : rows) {
        if (i < 0 || i >= m_folder.rows().size())
            continue;
        const storage::MailRow& row = m_folder.rows().at(i);
        if (storage::MailFolderView::isOutgoingKey(row.tag))
            continue;
        const QString path = m_folder.mailDirOf(row.tag) + row.keyString();
        const std::optional<JunkKind> before = m_filter->learntAs(path);
        if (m_filter->learnFile(path, kind) == filing::JunkStore::Learning::Failed)
            continue;
        const bool moves = !movedTo.isEmpty() && row.tag != movedTo;
        changes.push_back({row.keyString(), row.tag, moves ? movedTo : row.tag, before});
    }
    m_filter->commit();
    showNotice();
    return changes;
}

JunkCommands::Outcome JunkCommands::markJunk(const QList<int>& rows)
{
    Outcome outcome;
    m_last = learn(JunkKind::Spam, rows, Junk);
    outcome.changed = !m_last.empty();
    if (!outcome.changed)
        return outcome;
    outcome.junkFolderAdded = !m_tree.hasJunkFolder();
    m_tree.ensureJunkFolder();
    m_folder.dropOnFolder(Junk, rows);
    return outcome;
}

JunkCommands::Outcome JunkCommands::junkReceived(int junk)
{
    Outcome outcome;
    showNotice();
    if (junk <= 0)
        return outcome;
    outcome.junkFolderAdded = !m_tree.hasJunkFolder();
    m_tree.ensureJunkFolder();
    return outcome;
}

JunkCommands::Outcome JunkCommands::markNotJunk(const QList<int>& rows)
{
    QList<int> inJunk;
    for (const int i : rows) {
        if (i >= 0 && i < m_folder.rows().size() && m_folder.rows().at(i).tag == Junk)
            inJunk.append(i);
    }
    m_last = learn(JunkKind::Ham, rows, Standard);
    for (Change& change : m_last) {
        if (change.from != Junk)
            change.to = change.from; // good mail elsewhere is only learnt
    }
    if (!inJunk.isEmpty())
        m_folder.dropOnFolder(Standard, inJunk);
    return {!m_last.empty(), false};
}

void JunkCommands::learnDrop(const QString& target, const QList<int>& rows)
{
    // Into the trash or the unread view says nothing of whether a message is junk.
    if (target == storage::FixedFolder::Trash || target == storage::FixedFolder::Unread || target == m_folder.folderKey())
        return;
    QList<int> leaving, entering;
    for (const int i : rows) {
        if (i < 0 || i >= m_folder.rows().size())
            continue;
        const QString& tag = m_folder.rows().at(i).tag;
        if (tag == Junk && target != Junk)
            leaving.append(i);
        else if (tag != Junk && target == Junk)
            entering.append(i);
    }
    if (leaving.isEmpty() && entering.isEmpty())
        return;
    m_last = learn(JunkKind::Ham, leaving, target);
    std::vector<Change> junk = learn(JunkKind::Spam, entering, target);
    m_last.insert(m_last.end(), junk.begin(), junk.end());
}

int JunkCommands::moveOldJunk(const QString& userFile, const QString& inputDir)
{
    const int days = filing::readJunkSettings(userFile).deleteAfterDays;
    if (days <= 0 || !m_tree.hasJunkFolder())
        return 0;
    const QDateTime before = QDateTime::currentDateTime().addDays(-days);
    QStringList lines;
    storage::IniGetSection(Junk, m_folder.indexFileOf(Junk), lines);
    int moved = 0;
    storage::ProfileWriteBatch batch;
    for (const QString& line : std::as_const(lines)) {
        const QString name = line.left(line.indexOf(QLatin1Char('=')));
        const QFileInfo file(inputDir + name);
        if (file.exists() && file.lastModified() < before)
            moved += m_folder.moveEntry(name, Junk, storage::FixedFolder::Trash) ? 1 : 0;
    }
    batch.commit();
    return moved;
}

bool JunkCommands::undo()
{
    if (m_last.empty() || !m_filter)
        return false;
    bool moved = false;
    m_filter->begin();
    for (auto change = m_last.rbegin(); change != m_last.rend(); ++change) {
        const QString path = m_folder.mailDirOf(change->to) + change->name;
        if (change->learntBefore)
            m_filter->learnFile(path, *change->learntBefore);
        else
            m_filter->forgetFile(path);
        // A message moved again since stays where the user put it.
        if (change->to != change->from)
            moved = m_folder.moveEntry(change->name, change->to, change->from) || moved;
    }
    m_filter->commit();
    showNotice();
    m_last.clear();
    if (moved)
        m_folder.FNSitei();
    return true;
}

} // namespace fumibako::mainwin
