#pragma once

#include "filing/FilingEngine.h"
#include "filing/FilingLog.h"
#include "platform/mail/MailLibrary.h"
#include "storage/Paths.h"
#include "storage/ProfileStore.h"

#include <QList>
#include <QString>

#include <optional>

namespace fumibako::transfer {

struct CurrentMail;

/** One received message of a batch, handed to ReceivedBatchFiling::file(). */
struct ReceivedMessage {
    QString name; ///< its file in the input folder
    /** What was read of it while the download went on; nothing: it is read now. */
    std::optional<platform::mail::MailSummary> summary;
    /** The fields the filing stages read, read already; a default one reads them from the file. */
    filing::FilingInput filingInput;
    /** Read whole into the current-mail record (the batch's last message, which may be shown next). */
    bool intoCurrentMail = false;
};

/** A message a batch filed: the folder (index section) and its name. */
struct FiledMessage {
    QString folder;
    QString name;
};

/**
 * @short Files the messages of one receive, each into the folder its filing stages choose, with
 * their flags and copies.
 *
 * Every entry of the batch goes into the received-mail index in one write (commit()), the step
 * that makes the batch filed: a receive killed before it files the messages again, one killed
 * after it finds them filed. Copies are made before that write and flushed to disk, under names
 * that depend only on the message's name, so filing again finds and keeps them.
 */
class ReceivedBatchFiling {
public:
    /** @p engine may be null (everything goes to 標準BOX); it must outlive the filing. */
    ReceivedBatchFiling(const storage::AccountPaths& paths, const QString& workDir, const filing::FilingEngine* engine,
                        CurrentMail& mail);
    ReceivedBatchFiling(const ReceivedBatchFiling&) = delete;
    ReceivedBatchFiling& operator=(const ReceivedBatchFiling&) = delete;

    /** Decides where @p message goes and writes its entries (into the batch); false when it could not be filed. */
    bool file(ReceivedMessage message);
    /** Writes the batch's entries: true once they are on disk. */
    bool commit();

    /** Every message and copy filed, in order. */
    const QList<FiledMessage>& filed() const { return m_filed; }
    /** How many messages went elsewhere than 標準BOX. */
    int filedElsewhere() const { return m_elsewhere; }
    /** How many of those went into 迷惑メール. */
    int junkCount() const { return m_junk; }
    /** Rules that named a folder the account does not have, each once. */
    const QList<filing::MissingFolder>& missingFolders() const { return m_missing; }
    /** What the log is to say of the batch. */
    const QList<filing::FilingLogEntry>& logEntries() const { return m_log; }

private:
    bool fileCopies(const filing::FilingDecision& decision, const QString& section, const QString& name,
                    const platform::mail::MailSummary& summary);
    void noteDecision(const filing::FilingDecision& decision, const QString& name,
                      const platform::mail::MailSummary& summary);

    const storage::AccountPaths m_paths;
    QString m_workDir;
    const filing::FilingEngine* m_engine;
    CurrentMail& m_mail;
    storage::ProfileWriteBatch m_batch;
    bool m_copiesMade = false;
    QList<FiledMessage> m_filed;
    int m_elsewhere = 0;
    int m_junk = 0;
    QList<filing::MissingFolder> m_missing;
    QList<filing::FilingLogEntry> m_log;
};

} // namespace fumibako::transfer
