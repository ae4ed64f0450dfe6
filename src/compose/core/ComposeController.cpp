#include "compose/core/ComposeController.h"

#include "compose/core/ComposeRules.h"
#include "compose/core/Signatures.h"
#include "platform/UserPrompts.h"
#include "platform/mail/LineEnds.h"
#include "storage/AccountSettings.h"
#include "storage/AddressHistory.h"
#include "storage/DataDirectory.h"
#include "storage/FolderTree.h"
#include "storage/IndexEntry.h"
#include "storage/MailtoCommandLine.h"
#include "storage/Paths.h"
#include "storage/ProfileStore.h"
#include "transfer/OperationGuard.h"
#include "transfer/OutgoingMailFile.h"
#include "transfer/Sending.h"
#include "transfer/StoredMail.h"

#include <QFile>
#include <QFileInfo>

namespace fumibako::compose {

using platform::Buttons;
using platform::Icon;
using storage::FixedFolder::Drafts;
using storage::FixedFolder::Outbox;

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// A name for a new outgoing file that no file of @p dir and no entry of @p section has: names
// have one-second resolution, and two messages stored within a second must not overwrite each other.
QString freeOutgoingName(const QString& dir, const QString& indexFile, const QString& section, QDateTime when)
{
    for (;;) {
        const QString name = storage::MakeTimestampName(when);
        if (!QFileInfo::exists(dir + name) && storage::IniGetString(section, name, 256, indexFile).isEmpty())
            return name;
        when = when.addSecs(1);
    }
}

QString indexValue(const transfer::CurrentMail& mail, const QDateTime& when)
{
    storage::MailRow row(mail.mailName, storage::indexField(mail.to), storage::indexField(mail.subject),
                         when.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")));
    row.attachment = !mail.attachments.value(0).isEmpty();
    return storage::BuildIndexValue(row);
}

} // namespace

ComposeController::ComposeController(ComposeServices services) : m_services(std::move(services)) {}

ComposeController::~ComposeController() = default;

void ComposeController::load()
{
    m_signatures = LoadSignatureList(m_services.paths.userFile, kComposeCountBuffer);
    m_signatureIndex = m_signatures.isEmpty() ? -1 : 0;
}

void ComposeController::chooseSignature(int index)
{
    if (index >= 0 && index < m_signatures.size())
        m_signatureIndex = index;
}

bool ComposeController::appendSignature(ComposeContent& content)
{
    const QString name = m_signatures.value(m_signatureIndex);
    return SyomeiPlus(content.body, name, m_services.paths.userMailDir, m_services.prompts);
}

void ComposeController::open(ComposeMode mode, const QString& path, const QString& name, const QString& section,
                             const transfer::CurrentMail& stored, ComposeContent& content)
{
    ++m_openings;
    presetKeep(content);
    m_overwriteEnabled = false;
    m_section = section;
    m_indexFile = m_services.paths.outgoingIndexFile;
    fillRecentRecipients();
    // A stored message always opens as ordinary mail: left in redirect mode, sending it would
    // redirect the message of an earlier redirect instead.
    m_redirect = mode == ComposeMode::Redirect;
    m_transName = m_redirect ? path : QString();
    if (mode == ComposeMode::CopyOfSent || mode == ComposeMode::EditStored) {
        content.to = stored.to;
        content.cc = stored.cc;
        content.bcc = stored.bcc;
        content.attachments = stored.attachments.value(0);
        content.subject = stored.subject;
        content.body = stored.body;
        content.keep = stored.keepFlag == 1;
        m_mailPath = path;
        m_mailName = name;
        m_overwriteEnabled = mode == ComposeMode::EditStored;
        return;
    }
    emptyFields(content);
    if (mode == ComposeMode::New && m_services.environment.signatureByDefault == 1)
        appendSignature(content);
}

void ComposeController::presetKeep(ComposeContent& content) const
{
    content.keep = m_services.environment.saveByDefault == 1;
}

QString ComposeController::caption() const
{
    return m_redirect ? kRedirectCaption : kComposeCaption;
}

const QStringList& ComposeController::recentRecipients(RecipientField field) const
{
    return m_recent.at(static_cast<size_t>(field));
}

void ComposeController::clearRecentRecipients()
{
    for (QStringList& list : m_recent)
        list.clear();
}

void ComposeController::emptyFields(ComposeContent& content)
{
    const bool keep = content.keep;
    content = ComposeContent();
    content.keep = keep;
    m_mailPath.clear();
    m_mailName.clear();
}

void ComposeController::fillRecentRecipients()
{
    m_recent = {compose::recentRecipients(m_services.histories.to), compose::recentRecipients(m_services.histories.cc),
                compose::recentRecipients(m_services.histories.bcc)};
}

transfer::CurrentMail ComposeController::record(const ComposeContent& content, bool withRedirect) const
{
    transfer::CurrentMail mail;
    mail.to = singleLine(content.to);
    if (withRedirect && m_redirect && !m_transName.isEmpty())
        mail.to = redirectRecipients(m_transName, mail.to);
    mail.cc = singleLine(content.cc);
    mail.bcc = singleLine(content.bcc);
    mail.keepFlag = content.keep ? 1 : 0;
    mail.attachments = QStringList{singleLine(content.attachments)};
    mail.subject = singleLine(content.subject);
    mail.body = platform::mail::withLineEnds(content.body, kCrLf);
    mail.mailPath = m_mailPath;
    mail.mailName = m_mailName;
    return mail;
}

bool ComposeController::attachmentsReadable(const QString& attachmentList)
{
    const QStringList unreadable = unreadableAttachments(singleLine(attachmentList));
    if (unreadable.isEmpty())
        return true;
    m_services.prompts.message(QStringLiteral("次の添付ファイルが見つからないか、読み込めません。") + kCrLf +
                                   unreadable.join(kCrLf),
                               QStringLiteral("添付ファイルの確認"), Icon::Exclamation, Buttons::Ok);
    return false;
}

ComposeController::Outcome ComposeController::send(const ComposeContent& content)
{
    transfer::OperationLease lease(m_services.guard, transfer::Operation::Sending);
    if (!lease)
        return Outcome::StayOpen;
    if (!attachmentsReadable(content.attachments))
        return Outcome::StayOpen;
    transfer::CurrentMail mail = record(content, true);
    // What was sent is removed from the outbox, even if the window is refilled while it goes out.
    const quint64 opening = m_openings;
    const QString section = m_section, folder = m_mailPath, name = m_mailName, indexFile = m_indexFile;
    const QString sentTo = mail.to;
    transfer::SendContext context = m_services.sendContext();
    if (transfer::SendCurrentMail(mail, context) != 1)
        return Outcome::StayOpen;
    if (m_redirect && opening == m_openings)
        replaceRedirectInHistory(m_services.histories.to, sentTo, singleLine(content.to));
    if (section == Outbox && !name.isEmpty())
        removeSentFromOutbox(indexFile, folder, name);
    return opening == m_openings ? Outcome::Close : Outcome::StayOpen;
}

bool ComposeController::removeSentFromOutbox(const QString& indexFile, const QString& folder, const QString& name)
{
    // Left in the outbox, the message would go out a second time with the next send all.
    QString failure;
    if (!storage::IniDeleteKey(indexFile, Outbox, name))
        failure = QStringLiteral("送信しましたが、送信BOXから削除できませんでした");
    else if (!QFile::remove(folder + name) && QFileInfo::exists(folder + name))
        failure = QStringLiteral("送信しましたが、ファイルが削除できませんでした");
    if (failure.isEmpty())
        return true;
    m_services.prompts.message(failure, QStringLiteral("送信後エラー"), Icon::Exclamation, Buttons::Ok);
    return false;
}

ComposeController::Outcome ComposeController::store(StoreTarget target, const ComposeContent& content)
{
    const storage::AccountPaths& paths = m_services.paths;
    const QString section = target == StoreTarget::Outbox ? Outbox : Drafts;
    const QString dir = target == StoreTarget::Outbox ? paths.outputDir : paths.draftDir;
    storage::makePrivatePath(dir);
    // A redirect keeps its command in To, so the stored message is sent as the redirect it is.
    transfer::CurrentMail mail = record(content, true);
    mail.mailPath = dir;
    mail.mailName = freeOutgoingName(dir, paths.outgoingIndexFile, section, m_services.clock());
    if (!writeStored(mail, paths.outgoingIndexFile, section)) {
        QFile::remove(mail.mailPath + mail.mailName);
        return Outcome::StayOpen;
    }
    m_mailPath = mail.mailPath;
    m_mailName = mail.mailName;
    m_section = section;
    m_indexFile = paths.outgoingIndexFile;
    return Outcome::Close;
}

ComposeController::Outcome ComposeController::overwrite(const ComposeContent& content)
{
    if (m_mailName.isEmpty()) {
        m_services.prompts.message(QStringLiteral("予想外の動きです。\r\nエラーではありませんが、状況をメール等で教えてください。"),
                                   QString(), Icon::None, Buttons::Ok);
        return Outcome::StayOpen;
    }
    const transfer::CurrentMail mail = record(content, true);
    return writeStored(mail, m_indexFile, m_section) ? Outcome::Close : Outcome::StayOpen;
}

bool ComposeController::writeStored(const transfer::CurrentMail& mail, const QString& indexFile, const QString& section)
{
    QString error;
    if (transfer::WriteOutgoingFile(mail, &error)) {
        const QString value = indexValue(mail, m_services.clock());
        if (storage::writeProfileString(indexFile, section, mail.mailName, value))
            return true;
        error = QStringLiteral("メールの一覧 (%1) に書き込めませんでした").arg(QFileInfo(indexFile).fileName());
    }
    m_services.prompts.message(QStringLiteral("メールを保存できませんでした") + kCrLf + error,
                               QStringLiteral("保存エラー"), Icon::Exclamation, Buttons::Ok);
    return false;
}

void applyFields(ComposeContent& content, const ComposeFields& fields)
{
    const std::pair<const std::optional<QString>*, QString*> pairs[] = {
        {&fields.to, &content.to},           {&fields.cc, &content.cc},
        {&fields.bcc, &content.bcc},         {&fields.subject, &content.subject},
        {&fields.body, &content.body},       {&fields.attachments, &content.attachments}};
    for (const auto& [given, field] : pairs) {
        if (*given)
            *field = **given;
    }
}

void addMailtoFields(ComposeContent& content, const storage::MailtoAddresses& mailto)
{
    content.to = appendToList(content.to, splitList(mailto.to));
    content.cc = appendToList(content.cc, splitList(mailto.cc));
    content.bcc = appendToList(content.bcc, splitList(mailto.bcc));
    if (mailto.subject && content.subject.isEmpty())
        content.subject = *mailto.subject;
    if (mailto.body) {
        const bool ownLine = content.body.isEmpty() || content.body.startsWith(kCrLf);
        content.body = *mailto.body + (ownLine ? content.body : kCrLf + content.body);
    }
}

void ComposeController::addAttachments(ComposeContent& content, const QStringList& paths)
{
    content.attachments = appendToList(content.attachments, paths);
}

} // namespace fumibako::compose
