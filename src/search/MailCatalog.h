#pragma once

#include "storage/Paths.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace fumibako::storage {
class FolderTree;
}

/**
 * Which messages the folders of an account hold, as the index names them. A message is named by
 * its place: the letter of the directory its file lies in ("i" received mail, "o" the outbox and
 * the sent box, "d" the drafts), "/", and the file name. A received message keeps its place when
 * it moves between folders; only its folder changes.
 */
namespace fumibako::search {

/** The place of the file @p fileName of a message filed under @p folderKey. */
QString placeOf(const QString& folderKey, const QString& fileName);

/** The file name of @p place. */
QString fileNameOf(const QString& place);

/** The full path of the file of @p place. */
QString filePathOf(const storage::AccountPaths& paths, const QString& place);

/** Whether the file of @p place may be written again under the same name (drafts, outgoing mail). */
bool isRewritable(const QString& place);

/** One message that a folder lists. */
struct CatalogEntry {
    QString place;
    QString folder;
    QString date; ///< the index entry's date text: the order in which the index is built
};

/**
 * The received-side folders of @p tree whose sections hold messages: every folder but the
 * views "受信BOX" and "未読メール" and the three outgoing folders.
 */
QStringList receivedFolderKeys(const storage::FolderTree& tree);

/**
 * Every message the index files of the account list in @p receivedFolders (in the order of the
 * sections in the file) and in the outgoing folders: a file listed twice counts once, in the
 * first folder (the sent box before the outbox). Entries that do not parse, and entries whose file
 * is missing, are left out, as the folder listing drops them. Reads the index files and the
 * three mail directories; safe on any thread (the profile store serialises its calls).
 */
std::vector<CatalogEntry> readCatalog(const storage::AccountPaths& paths, const QStringList& receivedFolders);

} // namespace fumibako::search
