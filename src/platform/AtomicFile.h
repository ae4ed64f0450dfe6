#pragma once

#include <QByteArray>
#include <QString>

namespace fumibako::platform {

/** How far a write is made durable before it replaces the old file. */
enum class Durability {
    OnDisk,      ///< flushed to disk before the rename: for everything the user keeps
    ReplaceOnly, ///< only replaced whole (no flush): for throwaway files such as the preview page
};

/**
 * Replaces the file at @p path by @p data so that a crash or a full disk at any moment leaves
 * either the old content or the new one, never a mix or a truncated file: the data goes to a
 * temporary file in the same directory, is flushed to disk and then renamed over the old file.
 * Returns false (and the reason in @p error) when any step fails; the old file is then untouched.
 * The directory must exist. A replaced file keeps its mode; a new one is readable and writable by
 * its owner only (0600).
 */
bool writeFileAtomically(const QString& path, const QByteArray& data, QString* error = nullptr,
                         Durability durability = Durability::OnDisk);

/**
 * Makes the entries of @p folder durable (fsync of the folder): names just made there (a rename,
 * a link) survive a crash. False when the folder could not be flushed.
 */
bool syncFolderEntries(const QString& folder);

} // namespace fumibako::platform
