#pragma once

#include "mailimport/ImportReport.h"
#include "mailimport/ImportSources.h"
#include "platform/mail/MailLibrary.h"
#include "platform/mail/ReceiveFolder.h"
#include "storage/Paths.h"
#include "transfer/StoredMail.h"

#include <QElapsedTimer>
#include <QSet>
#include <QString>

#include <atomic>
#include <functional>
#include <optional>

namespace fumibako::storage {
class FolderTree;
class MailChangeListener;
} // namespace fumibako::storage

namespace fumibako::mailimport {

class MessageReader;
struct SourceMessage;

/** Where an import into a chosen folder puts the messages and the folders it brings. */
struct ImportTarget {
    QString messagesKey; ///< the folder (index section) of the messages of the chosen stores themselves
    QString parentKey;   ///< the folder that the stores' own folders are made in

    /** The folder key of a store whose folders are @p folders (see ImportSource::folders). */
    QString keyOf(const QStringList& folders) const;
};

/**
 * The target of an import into the folder @p chosenKey: its messages go into that folder (into
 * "標準BOX" for "受信BOX" and "未読メール", which hold none of their own), and the folders it
 * brings below it (below "受信BOX" for the fixed folders). Nothing for a folder that takes no
 * received mail (the outgoing folders, the search results) or that the tree lacks.
 */
std::optional<ImportTarget> importTargetFor(const storage::FolderTree& tree, const QString& chosenKey);

/** The folder keys an import of @p plan into @p target makes, parents first. */
QStringList importFolderKeys(const ImportTarget& target, const ImportPlan& plan);

/** A message an import stored, for its index entry. */
struct ImportedMessage {
    QString fileName; ///< in the account's input folder
    QString section;
    transfer::EntryFlags flags;
    platform::mail::MailSummary summary;
};

/** Writes the index entries of the messages an import stored; the program's does it on the window's thread. */
class ImportFiler {
public:
    virtual ~ImportFiler() = default;
    /** True once every entry is on disk; false leaves them to the next import. */
    virtual bool file(const QList<ImportedMessage>& messages) = 0;
};

/** Writes the entries with one write of the index and then tells @p listener (none: nobody). */
bool fileImportedMessages(const storage::AccountPaths& paths, const QList<ImportedMessage>& messages,
                          storage::MailChangeListener* listener);

/** How far an import has come. */
struct ImportProgress {
    int messages = 0;    ///< read so far, those passed over included
    qint64 bytesDone = 0;
    qint64 bytesTotal = 0;
    QString source;      ///< the store being read
};

/** The record of what an account imported: the keys (Message-ID, else a digest) of the messages. */
QString importRecordFile(const storage::AccountPaths& paths);

/**
 * The key an import recognises a message by: its Message-ID, or, for a message without one, a
 * digest of its bytes. A fixed-length text of hexadecimal digits after a letter.
 */
QByteArray importKey(QByteArrayView messageIdField, QByteArrayView bytesDigest);

/**
 * @short Brings the messages of an import plan into an account, exactly once each.
 *
 * Every message takes the road a received one takes (ReceiveFolder): its bytes go into a staging
 * folder of the import's own; a batch is flushed to disk once, journaled with where each entry
 * goes, its keys recorded, then its files moved into the input folder and their index entries
 * written by the filer; the journal goes last. Killed at any step, the import leaves each
 * message in (the next import writes its entry from the journal) or out (its staged file goes,
 * its key was never recorded), never half and never twice, and one that was recorded is passed
 * over when the same source is imported again.
 *
 * run() works on the thread it is called on and asks the filer for each batch. The folders
 * the plan needs must exist in the account's tree before it runs (importFolderKeys()).
 */
class MailImporter {
public:
    using Progress = std::function<void(const ImportProgress&)>;

    MailImporter(const storage::AccountPaths& paths, const ImportTarget& target, const ImportPlan& plan,
                 ImportFiler& filer);

    /** Asks a running import to stop after the message it is on; what it stored is kept. */
    void requestCancel() { m_cancel = true; }

    ImportReport run(const Progress& progress = {});

private:
    struct Pending {
        platform::mail::StagedMessage staged;
        ImportedMessage message;
    };

    bool resume();
    void importSource(const ImportSource& source, qint64 bytesBefore, const Progress& progress);
    /** False when the import must stop (the staging folder cannot be written). */
    bool importMessage(MessageReader& reader, const SourceMessage& message, const QString& section);
    bool commitBatch();
    bool fail(const QString& why);

    storage::AccountPaths m_paths;
    ImportTarget m_target;
    ImportPlan m_plan;
    ImportFiler& m_filer;
    platform::mail::ReceiveFolder m_folder;
    std::atomic<bool> m_cancel{false};
    ImportReport m_report;
    QList<Pending> m_batch;
    qint64 m_batchBytes = 0;
    QSet<QByteArray> m_batchKeys; // of the batch, not yet in the record
    int m_read = 0;
    bool m_stopped = false;
    QElapsedTimer m_sinceProgress;
};

} // namespace fumibako::mailimport
