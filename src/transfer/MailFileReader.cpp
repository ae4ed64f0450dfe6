#include "transfer/MailFileReader.h"

#include "transfer/OutgoingMailFile.h"
#include "transfer/StoredMail.h"

namespace fumibako::transfer {

namespace {

storage::StoredMailSummary summaryOf(const CurrentMail& mail, bool hasAttachments)
{
    return {mail.from, mail.subject, mail.date, hasAttachments};
}

} // namespace

std::optional<storage::StoredMailSummary> MailFileReader::readReceived(const QString& dir, const QString& name,
                                                                       const QString& /*workDir*/)
{
    // The entry needs the headers and whether there are attachments: nothing is decoded or
    // extracted into the work folder.
    const std::optional<platform::mail::MailSummary> mail = platform::mail::ReadMailSummary(dir + name);
    if (!mail)
        return std::nullopt;
    return storage::StoredMailSummary{mail->from, mail->subject, mail->date, mail->attachments != 0};
}

std::optional<storage::StoredMailSummary> MailFileReader::readOutgoing(const QString& dir, const QString& name)
{
    CurrentMail mail;
    if (!ReadOutgoingFile(mail, dir, name))
        return std::nullopt;
    return summaryOf(mail, !mail.attachments.value(0).isEmpty());
}

} // namespace fumibako::transfer
