#include "storage/MailFolderView.h"

#include "platform/DirectoryListing.h"
#include "platform/UserPrompts.h"
#include "storage/MailChangeListener.h"
#include "storage/ProfileStore.h"
#include "storage/StoredMailReader.h"

#include <algorithm>
#include <array>
#include <exception>
#include <memory>
#include <span>

namespace fumibako::storage {

using platform::Buttons;
using platform::Icon;

namespace {

// Files the mail library is still writing carry a leading dot until they are complete.
bool isInProgress(const QString& name)
{
    return name.startsWith(QLatin1Char('.'));
}

/**
 * The lines of a section to write back after a listing: none until a line is dropped, then every
 * line kept before and after it. Usually none is dropped, and nothing is copied.
 */
class KeptLines {
public:
    explicit KeptLines(const SectionText& lines) : m_lines(lines) {}

    void keep(qsizetype line)
    {
        if (m_kept)
            m_kept->append(m_lines[size_t(line)].text.toString());
    }
    void drop(qsizetype line)
    {
        if (m_kept)
            return;
        m_kept.emplace();
        m_kept->reserve(qsizetype(m_lines.size()));
        for (qsizetype i = 0; i < line; ++i)
            m_kept->append(m_lines[size_t(i)].text.toString());
    }
    bool changed() const { return m_kept.has_value(); }
    const QStringList& lines() const { return *m_kept; }

private:
    const SectionText& m_lines;
    std::optional<QStringList> m_kept;
};

/**
 * A block of index lines, parsed, with the slots of the files they name: the files of a block are
 * looked up together, which overlaps the memory reads of the lookups (see FileNameSet::slotsOf).
 */
struct EntryBlock {
    static constexpr qsizetype kSize = 256;

    /** Parses the lines from @p begin; the number of lines taken. Lines not shown get no slot. */
    qsizetype read(const SectionText& lines, qsizetype begin, bool unreadOnly, const platform::FileNameSet& files)
    {
        const qsizetype count = std::min(kSize, qsizetype(lines.size()) - begin);
        for (qsizetype i = 0; i < count; ++i) {
            const SharedLine& line = lines[size_t(begin + i)];
            entries[i] = ParseIndexLine(line.text, line.owner);
            const bool shown = entries[i] && (!unreadOnly || entries[i]->unread);
            keys[i] = shown ? entries[i]->key() : QStringView();
        }
        files.slotsOf(std::span(keys).first(count), std::span(slots).first(count));
        return count;
    }

    std::array<std::optional<MailRow>, kSize> entries;
    std::array<QStringView, kSize> keys;
    std::array<qint32, kSize> slots;
};

} // namespace

/**
 * The files of the shown folder during one listing, and which of them a row lists already: a
 * file is listed once, by the first entry that names it, so an entry naming a listed file (the
 * same file in two sections) is dropped, and the files no entry lists are the unindexed ones.
 */
struct MailFolderView::ListingPass {
    explicit ListingPass(const platform::FileNameSet& set) : files(set), listed(size_t(set.slotCount()), false) {}

    /** Marks the file in @p slot listed; false when there is no such file or it is listed already. */
    bool claim(qint32 slot)
    {
        if (slot == platform::FileNameSet::kNotFound || listed[size_t(slot)])
            return false;
        listed[size_t(slot)] = true;
        return true;
    }

    /** The files no row lists, sorted by name. */
    QStringList unlistedNames() const
    {
        QStringList names;
        for (qint32 slot = 0; slot < files.slotCount(); ++slot) {
            const QStringView name = files.nameInSlot(slot);
            if (!name.isEmpty() && !listed[size_t(slot)])
                names.append(name.toString());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    const platform::FileNameSet& files;
    std::vector<bool> listed; ///< by slot of files
};

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
    m_found.clear();
}

bool MailFolderView::isOutgoingKey(const QString& key)
{
    return key == FixedFolder::Outbox || key == FixedFolder::SentBox || key == FixedFolder::Drafts;
}

QString MailFolderView::indexFile() const
{
    return indexFileOf(m_folderKey);
}

QString MailFolderView::indexFileOf(const QString& key) const
{
    return isOutgoingKey(key) ? m_paths.outgoingIndexFile : m_paths.receivedIndexFile;
}

QString MailFolderView::mailDirOf(const QString& key) const
{
    if (key == FixedFolder::Outbox || key == FixedFolder::SentBox)
        return m_paths.outputDir;
    if (key == FixedFolder::Drafts)
        return m_paths.draftDir;
    return m_paths.inputDir;
}

FolderPresentation MailFolderView::SelectFolder(const QString& key)
{
    m_prompts.setStatus(2, QString());
    m_folderKey = key;
    m_currentMailDir = mailDirOf(key);
    FNSitei();
    showCount();
    if (isSearchResults())
        return {QStringLiteral("送信者／あて先"), true};
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
        ListingPass pass(*listed);
        if (m_folderKey == FixedFolder::Unread || m_folderKey == FixedFolder::Inbox) {
            listReceivedViews(m_folderKey == FixedFolder::Inbox, pass);
        } else if (isSearchResults()) {
            listFoundMail();
        } else if (isOutgoingFolder()) {
            listSection(m_folderKey, m_paths.outgoingIndexFile, pass, false);
            if (m_folderKey != FixedFolder::Outbox)
                addUnindexedOutgoing(pass);
        } else {
            listSection(m_folderKey, m_paths.receivedIndexFile, pass, false);
        }
        batch.commit();
    } catch (const std::exception&) {
        m_prompts.message(QStringLiteral("読み取り中にエラーが発生しました。iniデータベースが破損しているものと考えられます。\r\n"),
                          QString(), Icon::None, Buttons::Ok);
    }
    m_prompts.setStatus(1, QString());
}

void MailFolderView::listReceivedViews(bool inbox, ListingPass& pass)
{
    QStringList sections;
    IniGetSectionNames(m_paths.receivedIndexFile, sections);
    for (const QString& section : std::as_const(sections)) {
        // Trash and junk are no new mail.
        if (!inbox && (section == FixedFolder::Trash || section == FixedFolder::Junk))
            continue;
        if (!m_tree.hasKey(section) && section != FixedFolder::Junk) {
            IniDeleteSection(m_paths.receivedIndexFile, section);
            continue;
        }
        listSection(section, m_paths.receivedIndexFile, pass, !inbox);
    }
    if (inbox)
        addUnindexedReceived(pass);
}

// Lists one index section and drops the entries that cannot be shown: lines that do not parse,
// entries whose file is gone, entries already listed from another section and, in the outbox,
// entries that were sent. The section is rewritten once when anything was dropped.
void MailFolderView::listSection(const QString& section, const QString& file, ListingPass& pass, bool unreadOnly)
{
    const SectionText lines = readSectionText(file, section);
    const bool outbox = section == FixedFolder::Outbox && file == m_paths.outgoingIndexFile;
    KeptLines kept(lines);
    m_rows.reserve(m_rows.size() + static_cast<int>(lines.size()));
    auto block = std::make_unique<EntryBlock>();
    for (qsizetype begin = 0; begin < qsizetype(lines.size()); begin += EntryBlock::kSize) {
        const qsizetype count = block->read(lines, begin, unreadOnly, pass.files);
        for (qsizetype i = 0; i < count; ++i) {
            std::optional<MailRow>& entry = block->entries[i];
            if (entry && unreadOnly && !entry->unread) { // not shown, kept
                kept.keep(begin + i);
                continue;
            }
            const bool sent = entry && outbox
                && !IniGetString(FixedFolder::SentBox, entry->keyString(), 256, file).isEmpty();
            const bool keep = entry && !sent && pass.claim(block->slots[i]);
            if (!keep) {
                // An entry whose file is gone takes the message with it; the others (sent, or
                // the same file listed elsewhere) leave the message where it is listed still.
                if (entry && !sent && block->slots[i] == platform::FileNameSet::kNotFound && m_changes)
                    m_changes->mailRemoved(section, entry->keyString());
                kept.drop(begin + i);
                continue;
            }
            entry->tag = section;
            m_rows.appendUnique(std::move(*entry));
            kept.keep(begin + i);
        }
    }
    if (kept.changed())
        IniWriteSection(section, file, kept.lines());
}

void MailFolderView::addUnindexedReceived(const ListingPass& pass)
{
    bool met = false;
    QStringList filed;
    for (const QString& name : pass.unlistedNames()) {
        if (isInProgress(name))
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
        if (m_rows.append(std::move(row)))
            filed.append(key);
    }
    if (!met)
        return;
    QStringList lines;
    for (int i = m_rows.size() - 1; i >= 0; --i) {
        if (m_rows.at(i).tag == FixedFolder::Standard)
            lines.append(indexLine(m_rows.at(i)));
    }
    IniWriteSection(FixedFolder::Standard, m_paths.receivedIndexFile, lines);
    for (const QString& key : std::as_const(filed)) {
        if (m_changes)
            m_changes->mailStored(FixedFolder::Standard, key);
    }
}

void MailFolderView::addUnindexedOutgoing(const ListingPass& pass)
{
    QSet<QString> queued;
    QStringList outboxLines;
    IniGetSection(FixedFolder::Outbox, m_paths.outgoingIndexFile, outboxLines);
    for (const QString& line : std::as_const(outboxLines))
        queued.insert(line.left(line.indexOf(QLatin1Char('='))));
    for (const QString& name : pass.unlistedNames()) {
        if (isInProgress(name) || queued.contains(name) || cleanMailFileName(name) != name)
            continue;
        const std::optional<StoredMailSummary> mail = m_reader.readOutgoing(m_currentMailDir, name);
        if (!mail)
            continue;
        MailRow row(name, indexField(mail->from), indexField(mail->subject), indexField(mail->date));
        row.attachment = mail->hasAttachments;
        row.tag = m_folderKey;
        IniWriteString(m_folderKey, name, BuildIndexValue(row), m_paths.outgoingIndexFile);
        m_rows.append(std::move(row));
        if (m_changes)
            m_changes->mailStored(m_folderKey, name);
    }
}

} // namespace fumibako::storage
