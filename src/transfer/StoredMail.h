#pragma once

#include "platform/mail/MailLibrary.h"

#include <QString>
#include <QStringList>

namespace fumibako::transfer {

/**
 * @short The message being read, shown, composed or sent.
 *
 * One record for the whole program, overwritten by each read. Reading a received file leaves
 * Cc, Bcc, keepFlag and reply as they were.
 */
struct CurrentMail {
    QString to;
    QString cc;
    QString bcc;
    /**
     * Received: {count, path 1, ..., path n} (file names only when read without an attachment
     * folder); outgoing: {the attachment line}.
     */
    QStringList attachments{QString()};
    QString subject;
    qint16 keepFlag = 0;
    QString body;
    QString from;
    QString date;
    QString mailPath; ///< the folder, ending in "/"
    QString mailName; ///< the file name
    /** A reply's In-Reply-To and References; an outgoing file keeps them beside it. */
    platform::mail::ReplyReferences reply;
};

/** The two kinds of stored message file. */
enum class StoredMailKind {
    Outgoing, ///< a draft, a queued or a sent message, in the program's own format
    Received, ///< a message as the server gave it
};

/**
 * Reads a stored message into @p mail: an outgoing file, or a received file through the mail
 * library (its attachments saved into @p attachmentFolder; with an empty folder they are only
 * named, nothing is written). False when it could not be read (the record then keeps its
 * previous contents).
 */
bool ReadStoredMail(CurrentMail& mail, StoredMailKind kind, const QString& folder, const QString& fileName,
                    const QString& attachmentFolder);

/** What filing a received message came to. */
enum class Filing {
    Filed,
    FiledRenamed, ///< filed under a changed name, a safe key the file now carries
    NotFiled,     ///< unreadable, not movable to its safe name, or its entry not written
};

/** The flags a received message's new entry gets. */
struct EntryFlags {
    bool unread = true;
    bool saved = false; ///< the save flag ("フラグを立てる")
};

/**
 * Files a received message: reads it (attachments to @p workDir), makes its name a safe
 * key and writes its entry into @p section of @p receivedIndexFile, unread when @p isNew.
 */
Filing IndexReceivedMail(CurrentMail& mail, bool isNew, const QString& folder, const QString& fileName,
                      const QString& section, const QString& receivedIndexFile, const QString& workDir);
/** IndexReceivedMail with the entry's flags given. */
Filing IndexReceivedMail(CurrentMail& mail, EntryFlags flags, const QString& folder, const QString& fileName,
                         const QString& section, const QString& receivedIndexFile, const QString& workDir);

/**
 * IndexReceivedMail with the same entry, taken from the message's headers and MIME structure
 * only: no body is decoded, no attachment file written, no record changed. For the messages of
 * a batch that nobody is about to look at. @p filedName (optional) gets the name it was filed under.
 */
Filing IndexReceivedMailSummary(bool isNew, const QString& folder, const QString& fileName, const QString& section,
                                const QString& receivedIndexFile, QString* filedName = nullptr);
/** The same with @p summary already read from the file's bytes. */
Filing IndexReceivedMailSummary(bool isNew, const QString& folder, const QString& fileName, const QString& section,
                                const QString& receivedIndexFile, const platform::mail::MailSummary& summary,
                                QString* filedName = nullptr);
/** The same with the entry's flags given. */
Filing IndexReceivedMailSummary(EntryFlags flags, const QString& folder, const QString& fileName, const QString& section,
                                const QString& receivedIndexFile, const platform::mail::MailSummary& summary,
                                QString* filedName = nullptr);

/** Whether any section (folder) of @p receivedIndexFile has an entry for @p fileName. */
bool hasIndexEntry(const QString& receivedIndexFile, const QString& fileName);

} // namespace fumibako::transfer
