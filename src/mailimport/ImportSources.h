#pragma once

#include <QList>
#include <QString>
#include <QStringList>

/** What an import reads: the mail stores found under the paths the user chose, and their folders. */
namespace fumibako::mailimport {

/** The kinds of mail store, recognised from their content. */
enum class SourceFormat {
    Mbox,        ///< a file of messages, each after a "From " line (Thunderbird's folders among them)
    Maildir,     ///< a folder with "cur" and "new", one file per message
    Mh,          ///< a folder of numbered files, one per message
    MessageFile, ///< one message in a file of its own (.eml)
};

/** One store to read, and the folder its messages go into. */
struct ImportSource {
    SourceFormat format = SourceFormat::MessageFile;
    QString path;
    /** The folder names below the folder the user chose; none for that folder itself. */
    QStringList folders;
    qint64 bytes = 0; ///< its size, for the progress
};

/** A path that is not read, and why (shown in the import's report). */
struct SkippedPath {
    QString path;
    QString reason;
};

/** The whole of an import's input. */
struct ImportPlan {
    QList<ImportSource> sources;
    QList<SkippedPath> skipped;
    /** Every folder the sources' folders ask for (from the top down), also those of empty stores. */
    QList<QStringList> folders;
    qint64 bytes = 0;

    void addFolder(const QStringList& folder);
};

/**
 * Finds what @p paths hold. A file is an mbox when it starts with "From ", a message when it
 * starts with a header field; a folder is a Maildir when it has "cur" and "new", an MH folder
 * when it holds numbered files, else a folder of stores. Names do not matter, except that a
 * Thunderbird folder's subfolders are in the folder of its name with ".sbd" added, and Maildir++
 * subfolders are ".Name.Sub" beside "cur". A file chosen itself goes into the chosen folder; the
 * stores found in a chosen folder go into folders named after them. Index files of other
 * programs and hidden files are passed over silently; other files that are not mail are listed
 * in skipped.
 */
ImportPlan planImport(const QStringList& paths);

/**
 * @p name made a usable folder name: characters a folder name may not hold become their
 * full-width forms, control characters go, outer spaces are trimmed; "無題" when nothing is left.
 */
QString folderNameFrom(const QString& name);

/** A Maildir++ folder name part: modified UTF-7 as IMAP servers write it, else UTF-8. */
QString maildirFolderName(const QByteArray& encoded);

} // namespace fumibako::mailimport
