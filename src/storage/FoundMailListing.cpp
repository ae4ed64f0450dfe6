// The virtual folder of search results: the messages a search found, listed from their index
// entries in every folder of the account.
#include "storage/MailFolderView.h"

#include "platform/DirectoryListing.h"
#include "storage/ProfileStore.h"

#include <QHash>

#include <memory>
#include <optional>

namespace fumibako::storage {

void MailFolderView::setFoundMail(std::vector<FoundMail> found)
{
    m_found = std::move(found);
}

void MailFolderView::foundFolderRenamed(const QString& oldKey, const QString& newKey)
{
    const QString below = oldKey + QLatin1Char('\\');
    for (FoundMail& mail : m_found) {
        if (mail.folderKey == oldKey)
            mail.folderKey = newKey;
        else if (mail.folderKey.startsWith(below))
            mail.folderKey = newKey + mail.folderKey.mid(oldKey.size());
    }
}

// Each folder's section is read once, and only the lines that name a found message are parsed:
// a search may find thousands of messages in folders of a hundred thousand. Nothing is repaired
// here; a message whose entry or file is gone is left out, and its folder's listing mends the
// index.
void MailFolderView::listFoundMail()
{
    QHash<QString, QHash<QStringView, qsizetype>> wanted; // folder key → file name → place in m_found
    for (qsizetype i = 0; i < qsizetype(m_found.size()); ++i)
        wanted[m_found[size_t(i)].folderKey].insert(m_found[size_t(i)].fileName, i);

    std::vector<std::optional<MailRow>> found(m_found.size());
    for (auto folder = wanted.cbegin(); folder != wanted.cend(); ++folder) {
        const QString& key = folder.key();
        if (!isOutgoingKey(key) && (!m_tree.hasKey(key) || key == FixedFolder::Inbox || key == FixedFolder::Unread))
            continue; // a folder deleted since the search, or a view that holds no mail
        const std::shared_ptr<const platform::FileNameSet> files =
            platform::FileNameSet::readUnlessUnchanged(mailDirOf(key));
        const SectionText lines = readSectionText(indexFileOf(key), key);
        for (const SharedLine& line : lines) {
            const qsizetype equals = line.text.indexOf(QLatin1Char('='));
            const auto place = folder->constFind(line.text.first(std::max<qsizetype>(equals, 0)));
            if (equals <= 0 || place == folder->cend() || found[size_t(*place)])
                continue;
            std::optional<MailRow> row = ParseIndexLine(line.text, line.owner);
            if (!row || !files->contains(row->key()))
                continue;
            row->tag = key;
            found[size_t(*place)] = std::move(row);
        }
    }
    m_rows.reserve(int(found.size()));
    for (std::optional<MailRow>& row : found) {
        if (row)
            m_rows.append(std::move(*row)); // new names are never shared, but older drafts and outbox mail may share one: listed once
    }
}

} // namespace fumibako::storage
