#include "filing/JunkExpiry.h"

#include "filing/JunkFilter.h"
#include "storage/IndexEntry.h"
#include "storage/ProfileStore.h"

#include <QFileInfo>

namespace fumibako::filing {

JunkExpiry expireJunk(const storage::AccountPaths& paths, int days, const QDateTime& now,
                      storage::MailChangeListener* changes)
{
    JunkExpiry expiry;
    if (days <= 0)
        return expiry;
    QStringList lines;
    if (!storage::IniGetSection(kJunkFolder, paths.receivedIndexFile, lines))
        return expiry;
    const QDateTime limit = now.addDays(-days);
    QStringList moved;
    storage::ProfileWriteBatch batch;
    for (const QString& line : std::as_const(lines)) {
        std::optional<storage::MailRow> row = storage::ParseIndexLine(line);
        if (!row || row->saved)
            continue;
        const QFileInfo file(paths.inputDir + row->keyString());
        if (!file.exists() || file.lastModified() >= limit)
            continue;
        storage::IniDeleteKey(paths.receivedIndexFile, kJunkFolder, row->keyString());
        storage::IniWriteString(storage::FixedFolder::Trash, row->keyString(), storage::BuildIndexValue(*row),
                                paths.receivedIndexFile);
        moved.append(row->keyString());
    }
    if (moved.isEmpty())
        return expiry;
    expiry.written = batch.commit();
    if (!expiry.written)
        return expiry;
    expiry.moved = int(moved.size());
    if (changes) {
        for (const QString& name : std::as_const(moved))
            changes->mailMoved(name, kJunkFolder, storage::FixedFolder::Trash);
    }
    return expiry;
}

} // namespace fumibako::filing
