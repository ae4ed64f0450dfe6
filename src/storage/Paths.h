#pragma once

#include <QString>

/**
 * Where every file of the program lies. All directory values end in "/". Folder keys and
 * address-book paths use "\" as part of their stored text; on disk the separator is "/".
 */
namespace fumibako::storage {

/** Paths fixed at start-up for the whole run. */
struct ProgramPaths {
    QString programDir;   ///< all data files
    QString workDir;      ///< private temporary working folder
    QString previewFile;  ///< workDir + "FumiMail.htm"
    QString registryFile; ///< programDir + "AName.ini"

    static ProgramPaths make(const QString& programDir, const QString& workDir);
};

/** Paths of one account, set by the account switch. */
struct AccountPaths {
    QString userFile;          ///< programDir + name + ".ini"
    QString userMailDir;       ///< programDir + "MailBox/" + name + "/"
    QString inputDir;          ///< received mail files
    QString outputDir;         ///< outbox and sent box files
    QString draftDir;          ///< userMailDir + "下書き/"
    QString receivedIndexFile; ///< userMailDir + "MailCom.ini"
    QString outgoingIndexFile; ///< userMailDir + "MailOutCom.ini"
    QString receivedIdsFile;   ///< userMailDir + "ReceivedIds.txt": the unique ids of the mail received

    static AccountPaths make(const QString& programDir, const QString& accountName);
};

/** @p path with a trailing "/" added when it has none. */
QString withTrailingSlash(const QString& path);

} // namespace fumibako::storage
