#include "transfer/ReceivedFiling.h"

#include "filing/MessageCopies.h"
#include "platform/AtomicFile.h"
#include "platform/CrashPoint.h"
#include "storage/FolderTree.h"
#include "transfer/StoredMail.h"

namespace fumibako::transfer {

ReceivedBatchFiling::ReceivedBatchFiling(const storage::AccountPaths& paths, const QString& workDir,
                                         const filing::FilingEngine* engine, CurrentMail& mail)
    : m_paths(paths), m_workDir(workDir), m_engine(engine && !engine->isEmpty() ? engine : nullptr), m_mail(mail)
{
}

bool ReceivedBatchFiling::file(ReceivedMessage message)
{
    const QString path = m_paths.inputDir + message.name;
    if (!message.intoCurrentMail && !message.summary) {
        message.summary = platform::mail::ReadMailSummary(path);
        if (!message.summary)
            return false;
    }
    filing::FilingDecision decision;
    if (m_engine) {
        filing::FilingInput& input = message.filingInput;
        if (input.path().isEmpty()) {
            input = message.summary ? filing::FilingInput::withKnownFields(path, message.summary->from,
                                                                          message.summary->subject,
                                                                          message.summary->attachments > 0)
                                    : filing::FilingInput::fromFile(path);
        }
        input.setPath(path); // read on the way under its name in the staging folder
        decision = m_engine->decide(input);
    }
    const QString section = decision.folder.isEmpty() ? storage::FixedFolder::Standard : decision.folder;
    const EntryFlags flags{!decision.markRead, decision.flag};
    QString name;
    platform::mail::MailSummary summary;
    Filing filing = Filing::NotFiled;
    if (message.intoCurrentMail) {
        filing = IndexReceivedMail(m_mail, flags, m_paths.inputDir, message.name, section, m_paths.receivedIndexFile, QString());
        name = m_mail.mailName;
        summary = {m_mail.subject, m_mail.from, m_mail.date, m_mail.attachments.value(0).toInt()};
    } else {
        summary = *message.summary;
        filing = IndexReceivedMailSummary(flags, m_paths.inputDir, message.name, section, m_paths.receivedIndexFile,
                                          summary, &name);
    }
    if (filing == Filing::NotFiled)
        return false;
    m_filed.append({section, name});
    if (section != storage::FixedFolder::Standard)
        ++m_elsewhere;
    if (section == storage::FixedFolder::Junk)
        ++m_junk;
    fileCopies(decision, section, name, summary);
    noteDecision(decision, name, summary);
    return true;
}

bool ReceivedBatchFiling::fileCopies(const filing::FilingDecision& decision, const QString& section, const QString& name,
                                     const platform::mail::MailSummary& summary)
{
    bool all = true;
    const EntryFlags flags{!decision.markRead, decision.flag};
    for (qsizetype i = 0; i < decision.copies.size(); ++i) {
        if (decision.copies.at(i) == section)
            continue;
        const QString copy = filing::makeCopy(m_paths.inputDir, name, int(i + 1));
        if (copy.isEmpty()) {
            all = false;
            continue;
        }
        m_copiesMade = true;
        if (IndexReceivedMailSummary(flags, m_paths.inputDir, copy, decision.copies.at(i), m_paths.receivedIndexFile,
                                     summary)
            != Filing::NotFiled)
            m_filed.append({decision.copies.at(i), copy});
    }
    return all;
}

void ReceivedBatchFiling::noteDecision(const filing::FilingDecision& decision, const QString& name,
                                       const platform::mail::MailSummary& summary)
{
    for (const filing::MissingFolder& missing : decision.missingFolders) {
        if (!m_missing.contains(missing))
            m_missing.append(missing);
    }
    if (std::optional<filing::FilingLogEntry> entry =
            filing::logEntryFor(decision, QStringLiteral("受信"), name, summary.from, summary.subject))
        m_log.append(*entry);
}

bool ReceivedBatchFiling::commit()
{
    // The copies' names reach the disk before the entries that name them.
    if (m_copiesMade) {
        platform::syncFolderEntries(m_paths.inputDir);
        platform::crashPoint("copied");
    }
    return m_batch.commit();
}

} // namespace fumibako::transfer
