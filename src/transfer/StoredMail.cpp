#include "transfer/StoredMail.h"

#include "platform/mail/MailLibrary.h"
#include "storage/IndexEntry.h"
#include "storage/ProfileStore.h"
#include "transfer/OutgoingMailFile.h"

namespace fumibako::transfer {

namespace {

const QString kFieldOptions = QStringLiteral("subject:from:date:To:body:");

// "subject: text" -> "text": from the second character after the first colon.
QString elementValue(const QString& element)
{
    return element.mid(element.indexOf(QLatin1Char(':')) + 2);
}

bool readReceivedFile(CurrentMail& mail, const QString& folder, const QString& fileName,
                     const QString& attachmentFolder)
{
    const platform::mail::LibraryResult result =
        platform::mail::ReadMail(folder + fileName, kFieldOptions, attachmentFolder);
    // A readable file gives at least the five fields and the attachment count.
    if (!result.isList || result.list.size() < 6)
        return false;
    const QStringList& list = result.list;
    mail.mailPath = folder;
    mail.mailName = fileName;
    mail.subject = elementValue(list.at(0));
    mail.from = elementValue(list.at(1));
    mail.date = elementValue(list.at(2));
    mail.to = elementValue(list.at(3));
    mail.body = elementValue(list.at(4));
    const qsizetype count = list.size() - 6;
    QStringList attachments{QString::number(count)};
    for (qsizetype k = 1; k <= count; ++k)
        attachments.append(elementValue(list.at(k + 5)));
    mail.attachments = attachments;
    return true;
}

} // namespace

bool ReadStoredMail(CurrentMail& mail, StoredMailKind kind, const QString& folder, const QString& fileName,
                    const QString& attachmentFolder)
{
    switch (kind) {
    case StoredMailKind::Outgoing:
        return ReadOutgoingFile(mail, folder, fileName);
    case StoredMailKind::Received:
        return readReceivedFile(mail, folder, fileName, attachmentFolder);
    }
    return false;
}

namespace {

// What an index entry says of a message.
struct EntryFields {
    QString from;
    QString subject;
    QString date;
    bool hasAttachments = false;
};

// Gives the file a safe name (then in @p name) and writes its entry.
Filing writeReceivedEntry(EntryFlags flags, const QString& folder, QString& name, const QString& section,
                       const QString& receivedIndexFile, const EntryFields& fields)
{
    const QString fileName = name;
    const bool needsNewName = storage::cleanMailFileName(fileName) != fileName;
    if (needsNewName) {
        name = storage::SanitizeMailFileName(folder, fileName);
        if (name == fileName)
            return Filing::NotFiled; // the move failed: an entry would name a key the file does not carry
    }
    storage::MailRow row(name, storage::indexField(fields.from), storage::indexField(fields.subject),
                         storage::indexField(fields.date));
    row.unread = flags.unread;
    row.saved = flags.saved;
    row.attachment = fields.hasAttachments;
    if (!storage::writeProfileString(receivedIndexFile, section, name, storage::BuildIndexValue(row)))
        return Filing::NotFiled;
    return needsNewName ? Filing::FiledRenamed : Filing::Filed;
}

} // namespace

Filing IndexReceivedMail(CurrentMail& mail, bool isNew, const QString& folder, const QString& fileName,
                         const QString& section, const QString& receivedIndexFile, const QString& workDir)
{
    return IndexReceivedMail(mail, EntryFlags{isNew, false}, folder, fileName, section, receivedIndexFile, workDir);
}

Filing IndexReceivedMail(CurrentMail& mail, EntryFlags flags, const QString& folder, const QString& fileName,
                         const QString& section, const QString& receivedIndexFile, const QString& workDir)
{
    if (!ReadStoredMail(mail, StoredMailKind::Received, folder, fileName, workDir))
        return Filing::NotFiled;
    QString name = fileName;
    const EntryFields fields{mail.from, mail.subject, mail.date, mail.attachments.value(0).toInt() != 0};
    const Filing result = writeReceivedEntry(flags, folder, name, section, receivedIndexFile, fields);
    if (name != fileName)
        mail.mailName = name;
    return result;
}

Filing IndexReceivedMailSummary(bool isNew, const QString& folder, const QString& fileName, const QString& section,
                                const QString& receivedIndexFile, QString* filedName)
{
    const std::optional<platform::mail::MailSummary> summary = platform::mail::ReadMailSummary(folder + fileName);
    if (!summary)
        return Filing::NotFiled;
    return IndexReceivedMailSummary(isNew, folder, fileName, section, receivedIndexFile, *summary, filedName);
}

Filing IndexReceivedMailSummary(bool isNew, const QString& folder, const QString& fileName, const QString& section,
                                const QString& receivedIndexFile, const platform::mail::MailSummary& summary,
                                QString* filedName)
{
    return IndexReceivedMailSummary(EntryFlags{isNew, false}, folder, fileName, section, receivedIndexFile, summary,
                                    filedName);
}

Filing IndexReceivedMailSummary(EntryFlags flags, const QString& folder, const QString& fileName, const QString& section,
                                const QString& receivedIndexFile, const platform::mail::MailSummary& summary,
                                QString* filedName)
{
    QString name = fileName;
    const EntryFields fields{summary.from, summary.subject, summary.date, summary.attachments != 0};
    const Filing result = writeReceivedEntry(flags, folder, name, section, receivedIndexFile, fields);
    if (filedName)
        *filedName = name;
    return result;
}

bool hasIndexEntry(const QString& receivedIndexFile, const QString& fileName)
{
    QStringList sections;
    if (!storage::IniGetSectionNames(receivedIndexFile, sections))
        return false;
    for (const QString& section : std::as_const(sections)) {
        if (!storage::IniGetString(section, fileName, 4, receivedIndexFile).isEmpty())
            return true;
    }
    return false;
}

} // namespace fumibako::transfer
