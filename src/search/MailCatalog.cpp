#include "search/MailCatalog.h"

#include "platform/DirectoryListing.h"
#include "storage/FolderTree.h"
#include "storage/IndexEntry.h"
#include "storage/ProfileStore.h"

#include <QSet>

namespace fumibako::search {

using storage::FixedFolder::Drafts;
using storage::FixedFolder::Inbox;
using storage::FixedFolder::Outbox;
using storage::FixedFolder::SentBox;
using storage::FixedFolder::Unread;

namespace {

QChar directoryLetter(const QString& folderKey)
{
    if (folderKey == Outbox || folderKey == SentBox)
        return QLatin1Char('o');
    if (folderKey == Drafts)
        return QLatin1Char('d');
    return QLatin1Char('i');
}

// The entries of one section whose files @p files holds, each file once.
void addSection(std::vector<CatalogEntry>& catalog, QSet<QString>& seen, const QString& indexFile,
                const QString& section, const platform::FileNameSet& files)
{
    const storage::SectionText lines = storage::readSectionText(indexFile, section);
    for (const storage::SharedLine& line : lines) {
        const std::optional<storage::MailRow> entry = storage::ParseIndexLine(line.text, line.owner);
        if (!entry || !files.contains(entry->key()))
            continue;
        QString place = placeOf(section, entry->keyString());
        if (seen.contains(place))
            continue;
        seen.insert(place);
        catalog.push_back({std::move(place), section, entry->date().toString()});
    }
}

} // namespace

QString placeOf(const QString& folderKey, const QString& fileName)
{
    return directoryLetter(folderKey) + QLatin1Char('/') + fileName;
}

QString fileNameOf(const QString& place)
{
    return place.mid(2);
}

QString filePathOf(const storage::AccountPaths& paths, const QString& place)
{
    const QChar letter = place.isEmpty() ? QChar() : place.at(0);
    const QString& dir = letter == QLatin1Char('o') ? paths.outputDir
                         : letter == QLatin1Char('d') ? paths.draftDir
                                                      : paths.inputDir;
    return dir + fileNameOf(place);
}

bool isRewritable(const QString& place)
{
    return !place.startsWith(QLatin1Char('i'));
}

QStringList receivedFolderKeys(const storage::FolderTree& tree)
{
    QStringList keys;
    for (int i = 1; i <= tree.count(); ++i) {
        const QString& key = tree.node(i).key;
        if (key != Inbox && key != Unread && key != Outbox && key != SentBox && key != Drafts)
            keys.append(key);
    }
    return keys;
}

std::vector<CatalogEntry> readCatalog(const storage::AccountPaths& paths, const QStringList& receivedFolders)
{
    std::vector<CatalogEntry> catalog;
    QSet<QString> seen;
    const auto input = platform::FileNameSet::readUnlessUnchanged(paths.inputDir);
    QStringList sections;
    storage::IniGetSectionNames(paths.receivedIndexFile, sections);
    const QSet<QString> folders(receivedFolders.begin(), receivedFolders.end());
    for (const QString& section : std::as_const(sections)) {
        if (folders.contains(section))
            addSection(catalog, seen, paths.receivedIndexFile, section, *input);
    }
    // Read without keeping: the set kept is the one of the received mail the folder listing uses.
    const platform::FileNameSet output = platform::FileNameSet::read(paths.outputDir);
    addSection(catalog, seen, paths.outgoingIndexFile, SentBox, output);
    addSection(catalog, seen, paths.outgoingIndexFile, Outbox, output);
    addSection(catalog, seen, paths.outgoingIndexFile, Drafts, platform::FileNameSet::read(paths.draftDir));
    return catalog;
}

} // namespace fumibako::search
