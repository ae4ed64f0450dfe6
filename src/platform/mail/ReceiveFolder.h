#pragma once

#include "platform/mail/ReceiveRecord.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

namespace fumibako::platform::mail {

/** A message completely received into the staging folder, not yet published. */
struct StagedMessage {
    QByteArray id;      ///< its UIDL; empty when the server has none
    QString stagedPath; ///< its file in the staging folder
};

/**
 * @short The files of receiving for one account: the input folder, the staging folder, the
 * record of received ids and the journal of the last batch.
 *
 * Messages are received into the staging folder (the input folder's hidden ".receiving"), so a
 * listing never sees half a message. A batch is made durable with one flush of the file system,
 * written to the journal (which names each message's staged and final file and its id), its ids
 * added to the record, and only then moved under its final names; the server may delete the
 * messages after that, and the journal goes once the index entries are written. open() finishes
 * whatever an earlier receive left at any of these steps, so a receive that was killed is rolled
 * forward (complete messages are kept and filed, their ids recorded) or back (partial downloads
 * removed, to be fetched again), and no message is ever fetched twice or lost.
 *
 * One receive at a time per account, across processes: open() takes a lock that the destructor
 * releases.
 */
class ReceiveFolder {
public:
    /** @p recordFile "" keeps no record and no journal (a server without unique ids, or tests). */
    ReceiveFolder(const QString& inputFolder, const QString& recordFile);
    ~ReceiveFolder();
    ReceiveFolder(const ReceiveFolder&) = delete;
    ReceiveFolder& operator=(const ReceiveFolder&) = delete;

    /** Locks, prepares the staging folder and finishes an earlier receive. False with @p error. */
    bool open(QString* error);

    bool keepsRecord() const { return !m_recordFile.isEmpty(); }
    QString stagingFolder() const { return m_stagingFolder; }
    ReceivedIdRecord& record() { return m_record; }
    const ReceivedIdRecord& record() const { return m_record; }
    /** Marks the record as changed (ids dropped), so that commit() or saveRecord() writes it. */
    void recordChanged() { m_recordDirty = true; }

    /**
     * Files of an earlier receive that ended before their index entries were sure to be written;
     * they are to be filed like new mail unless they already have an entry.
     */
    const QStringList& recoveredPaths() const { return m_recovered; }

    /**
     * Publishes a batch: durable, journaled, recorded, then moved under final names. Returns the
     * final paths in order; on a failure the files published so far (the others stay journaled
     * and staged, and the next open() publishes them), with @p error set. Nothing may be deleted
     * on the server after a failure.
     */
    QStringList commit(const QList<StagedMessage>& staged, QString* error);

    /** Writes the record when it changed and no commit wrote it. */
    bool saveRecord(QString* error);

    /** The journal that belongs to @p recordFile. */
    static QString journalFile(const QString& recordFile);

    /**
     * Ends a batch once every file it returned has its index entry: removes the journal.
     * Nothing to do without a record.
     */
    static bool finishBatch(const QString& recordFile, QString* error);

private:
    bool lock(QString* error);
    bool recover(QString* error);
    bool publishStaged(JournalEntry& entry, bool* renamed);
    void removeLeftovers();

    QString m_inputFolder;   // ends without "/"
    QString m_stagingFolder; // ends without "/"
    QString m_recordFile;
    ReceivedIdRecord m_record;
    ReceiveJournal m_journal;
    bool m_recordDirty = false;
    QStringList m_recovered;
    int m_lockFd = -1;
};

} // namespace fumibako::platform::mail
