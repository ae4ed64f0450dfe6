#pragma once

#include <QString>

namespace fumibako::search {

/** What decides where an account's search index lies, gathered by the caller so tests can set it. */
struct IndexLocationInputs {
    QString programDir;  ///< the data directory, ending in "/"
    QString accountName;
    QString cacheHome;   ///< $XDG_CACHE_HOME, or empty for ~/.cache
    bool portable = false; ///< the data directory is the program's own folder (a portable install)

    /** The environment's cache folder; portable when @p programDir is the executable's folder. */
    static IndexLocationInputs fromProcess(const QString& programDir, const QString& accountName);
};

/**
 * The index file of an account: in the user's cache folder,
 * $XDG_CACHE_HOME/fumibako/search/<data directory's hash>/<account>.db, so that the data directory
 * holds only the user's data; a portable install keeps it beside the account's mailbox
 * (MailBox/<account>/search.db), on the same stick as the data.
 */
QString searchIndexFile(const IndexLocationInputs& inputs);

/** Creates the folders above @p indexFile, private to the user (0700). False when it cannot. */
bool prepareIndexFolder(const QString& indexFile);

} // namespace fumibako::search
