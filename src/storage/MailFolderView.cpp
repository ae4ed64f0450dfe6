#include "storage/MailFolderView.h"

#include "platform/DirectoryListing.h"
#include "platform/UserPrompts.h"
#include "storage/ProfileStore.h"
#include "storage/StoredMailReader.h"

#include <algorithm>
#include <exception>

namespace fumibako::storage {

using platform::Buttons;
using platform::Icon;

namespace {


// Files the mail library is still writing carry a leading dot until they are complete.
bool isInProgress(const QString& name)
{
    return name.startsWith(QLatin1Char('.'));
}

QStringList sortedNames(const platform::FileNameSet& files)
{
    QStringList sorted;
    sorted.reserve(files.size());
    for (QStringView name : files.names())
        sorted.append(name.toString());
    std::sort(sorted.begin(), sorted.end());
    return sorted;
}

} // namespace

MailFolderView::MailFolderView(const FolderTree& tree, platform::UserPrompts& prompts, StoredMailReader& reader)
    : m_tree(tree), m_prompts(prompts), m_reader(reader)
{
}

void MailFolderView::setAccount(const AccountPaths& paths, const QString& workDir)
{
    m_paths = paths;
    m_workDir = workDir;
    m_folderKey.clear();
    m_currentMailDir.clear();
    m_rows.clear();
}

bool MailFolderView::isOutgoingKey(const QString& key)
{
    return key == FixedFolder::Outbox || key == FixedFolder::SentBox || key == FixedFolder::Drafts;
}

QString MailFolderView::indexFile() const
{
    return isOutgoingFolder() ? m_paths.outgoingIndexFile : m_paths.receivedIndexFile;
}

FolderPresentation MailFolderView::SelectFolder(const QString& key)
{
    m_prompts.setStatus(2, QString());
    m_folderKey = key;
    if (key == FixedFolder::Outbox || key == FixedFolder::SentBox)
        m_currentMailDir = m_paths.outputDir;
    else if (key == FixedFolder::Drafts)
        m_currentMailDir = m_paths.draftDir;
    else
        m_currentMailDir = m_paths.inputDir;
    FNSitei();
    showCount();
    const bool outgoing = isOutgoingFolder();
    return {outgoing ? QStringLiteral("あて先") : QStringLiteral("送信者"), !outgoing};
}

void MailFolderView::showCount()
{
    m_prompts.setStatus(2, QString::number(m_rows.size()) + QStringLiteral("件あります"));
}

void MailFolderView::FNSitei()
{
    m_rows.clear();
    try {
        ProfileWriteBatch batch; // every repair of one listing costs one write per index file
        const std::shared_ptr<const platform::FileNameSet> listed =
            platform::FileNameSet::readUnlessUnchanged(m_currentMailDir);
        const platform::FileNameSet& files = *listed;
        if (m_folderKey == FixedFolder::Unread || m_folderKey == FixedFolder::Inbox) {
            listReceivedViews(m_folderKey == FixedFolder::Inbox, files);
        } else if (isOutgoingFolder()) {
            listSection(m_folderKey, m_paths.outgoingIndexFile, files, false);
            if (m_folderKey != FixedFolder::Outbox)
                addUnindexedOutgoing(files);
        } else {
            listSection(m_folderKey, m_paths.receivedIndexFile, files, false);
        }
        batch.commit();
    } catch (const std::exception&) {
        m_prompts.message(QStringLiteral("読み取り中にエラーが発生しました。iniデータベースが破損しているものと考えられます。\r\n"),
                          QString(), Icon::None, Buttons::Ok);
    }
    m_prompts.setStatus(1, QString());
}

void MailFolderView::listReceivedViews(bool inbox, const platform::FileNameSet& files)
{
    QStringList sections;
    IniGetSectionNames(m_paths.receivedIndexFile, sections);
    for (const QString& section : std::as_const(sections)) {
        if (!inbox && section == FixedFolder::Trash)
            continue;
        if (!m_tree.hasKey(section)) {
            IniDeleteSection(m_paths.receivedIndexFile, section);
            continue;
        }
        listSection(section, m_paths.receivedIndexFile, files, !inbox);
    }
    if (inbox)
        addUnindexedReceived(files);
}

// Lists one index section and drops the entries that cannot be shown: lines that do not parse,
// entries whose file is gone, entries already listed from another section and, in the outbox,
// entries that were sent. The section is rewritten once when anything was dropped.
void MailFolderView::listSection(const QString& section, const QString& file, const platform::FileNameSet& files,
                                 bool unreadOnly)
{
    QStringList lines;
    if (!IniGetSection(section, file, lines))
        return;
    const bool outbox = section == FixedFolder::Outbox && file == m_paths.outgoingIndexFile;
    // The lines to write back, gathered only once one was dropped: usually none is.
    std::optional<QStringList> kept;
    m_rows.reserve(m_rows.size() + static_cast<int>(lines.size()));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString& line = lines.at(i);
        std::optional<MailRow> entry = ParseIndexLine(line);
        bool keep = entry.has_value();
        if (keep && unreadOnly && !entry->unread) {
            if (kept)
                kept->append(line);
            continue;
        }
        if (keep && outbox)
            keep = IniGetString(FixedFolder::SentBox, entry->keyString(), 256, file).isEmpty();
        if (keep)
            keep = files.contains(entry->key());
        if (keep) {
            entry->tag = section;
            keep = m_rows.append(std::move(*entry));
        }
        if (keep && kept)
            kept->append(line);
        else if (!keep && !kept)
            kept = lines.first(i);
    }
    if (kept)
        IniWriteSection(section, file, *kept);
}

void MailFolderView::addUnindexedReceived(const platform::FileNameSet& files)
{
    bool met = false;
    for (const QString& name : sortedNames(files)) {
        if (isInProgress(name) || m_rows.containsKey(name))
            continue;
        const std::optional<StoredMailSummary> mail = m_reader.readReceived(m_currentMailDir, name, m_workDir);
        if (!mail)
            continue; // stays unindexed; tried again at the next listing
        met = true;
        const QString key = SanitizeMailFileName(m_currentMailDir, name);
        if (key != cleanMailFileName(key) || key.isEmpty())
            continue; // could not be renamed to a usable key
        MailRow row(key, indexField(mail->from), indexField(mail->subject), indexField(mail->date));
        row.attachment = mail->hasAttachments;
        row.tag = FixedFolder::Standard;
        m_rows.append(std::move(row));
    }
    if (!met)
        return;
    QStringList lines;
    for (int i = m_rows.size() - 1; i >= 0; --i) {
        if (m_rows.at(i).tag == FixedFolder::Standard)
            lines.append(indexLine(m_rows.at(i)));
    }
    IniWriteSection(FixedFolder::Standard, m_paths.receivedIndexFile, lines);
}

void MailFolderView::addUnindexedOutgoing(const platform::FileNameSet& files)
{
    QSet<QString> queued;
    QStringList outboxLines;
    IniGetSection(FixedFolder::Outbox, m_paths.outgoingIndexFile, outboxLines);
    for (const QString& line : std::as_const(outboxLines))
        queued.insert(line.left(line.indexOf(QLatin1Char('='))));
    for (const QString& name : sortedNames(files)) {
        if (isInProgress(name) || m_rows.containsKey(name) || queued.contains(name) || cleanMailFileName(name) != name)
            continue;
        const std::optional<StoredMailSummary> mail = m_reader.readOutgoing(m_currentMailDir, name);
        if (!mail)
            continue;
        MailRow row(name, indexField(mail->from), indexField(mail->subject), indexField(mail->date));
        row.attachment = mail->hasAttachments;
        row.tag = m_folderKey;
        IniWriteString(m_folderKey, name, BuildIndexValue(row), m_paths.outgoingIndexFile);
        m_rows.append(std::move(row));
    }
}

} // namespace fumibako::storage
