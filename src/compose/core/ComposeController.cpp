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
#include "storage/MailChangeListener.h"
#include "storage/MailtoCommandLine.h"
#include "storage/Paths.h"
#include "storage/ProfileStore.h"
#include "transfer/OperationGuard.h"
#include "transfer/OutgoingMailFile.h"
#include "transfer/Sending.h"
#include "transfer/StoredMail.h"

#include <QFileInfo>

#include <optional>

namespace fumibako::compose {

using platform::Answer;
using platform::Buttons;
using platform::Icon;
using storage::FixedFolder::Drafts;
using storage::FixedFolder::Outbox;

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QString indexValue(const transfer::CurrentMail& mail, const QDateTime& when)
{
    storage::MailRow row(mail.mailName, storage::indexField(mail.to), storage::indexField(mail.subject),
                         when.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")));
    row.attachment = !mail.attachments.value(0).isEmpty();
    return storage::BuildIndexValue(row);
}

// The body as the window gives it back: its line ends are CR LF whatever a caller handed in.
ComposeContent withCrLfBody(ComposeContent content)
{
    content.body = platform::mail::withLineEnds(content.body, kCrLf);
    return content;
}

} // namespace

ComposeController::ComposeController(ComposeServices services)
    : m_services(std::move(services)), m_sender(std::make_unique<transfer::Sender>())
{
}

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
    m_reply = {};
    if (mode == ComposeMode::CopyOfSent || mode == ComposeMode::EditStored) {
        m_reply = stored.reply;
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
    m_opened = withCrLfBody(content);
}

void ComposeController::presetKeep(ComposeContent& content)
{
    content.keep = m_services.environment.saveByDefault == 1;
    m_opened.keep = content.keep;
}

void ComposeController::setFields(ComposeContent& content, const ComposeFields& fields)
{
    applyFields(content, fields);
    // Only the fields set count as opened: what the user typed in the others is still unsaved.
    applyFields(m_opened, fields);
    m_opened = withCrLfBody(m_opened);
    applyReply(fields);
}

void ComposeController::addMailto(ComposeContent& content, const storage::MailtoAddresses& mailto)
{
    addMailtoFields(content, mailto);
    addMailtoFields(m_opened, mailto);
    m_opened = withCrLfBody(m_opened);
}

bool ComposeController::changedSinceOpened(const ComposeContent& content) const
{
    return withCrLfBody(content) != m_opened;
}

void ComposeController::refuseCloseWhileSending()
{
    m_services.guard.confirmIdle();
}

ComposeController::Closing ComposeController::confirmClose(const ComposeContent& content)
{
    if (!changedSinceOpened(content))
        return Closing::Close;
    switch (m_services.prompts.message(QStringLiteral("編集中のメールを下書きに保存しますか？"), QString(), Icon::Question,
                                       Buttons::SaveDiscardCancel)) {
    case Answer::Save:
        return store(StoreTarget::Drafts, content) == Outcome::Close ? Closing::CloseStored : Closing::StayOpen;
    case Answer::Discard:
        return Closing::Close;
    default:
        return Closing::StayOpen;
    }
}

void ComposeController::applyReply(const ComposeFields& fields)
{
    if (fields.reply)
        m_reply = *fields.reply;
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
    mail.reply = m_reply;
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

// A send under way: the message, what it is sent with, and where it came from when it started.
struct ComposeController::PendingSend {
    explicit PendingSend(transfer::SendContext sendContext) : context(std::move(sendContext)) {}

    std::optional<transfer::OperationLease> lease;
    transfer::CurrentMail mail;
    transfer::SendContext context;
    ComposeContent content; ///< as the window held it
    quint64 opening = 0;
    QString section, folder, name, indexFile, sentTo;
};

void ComposeController::send(const ComposeContent& content, std::function<void(Outcome)> done)
{
    auto pending = std::make_shared<PendingSend>(m_services.sendContext());
    pending->lease.emplace(m_services.guard, transfer::Operation::Sending);
    if (!*pending->lease)
        return done(Outcome::StayOpen);
    if (!attachmentsReadable(content.attachments)) {
        pending->lease.reset();
        return done(Outcome::StayOpen);
    }
    pending->mail = record(content, true);
    pending->content = content;
    // What was sent is removed from the outbox, even if the window is refilled while it goes out.
    pending->opening = m_openings;
    pending->section = m_section;
    pending->folder = m_mailPath;
    pending->name = m_mailName;
    pending->indexFile = m_indexFile;
    pending->sentTo = pending->mail.to;
    m_sender->SendCurrentMail(pending->mail, pending->context,
                              [this, pending, done = std::move(done)](transfer::SendOutcome result) {
                                  const Outcome outcome = sendEnded(*pending, result);
                                  pending->lease.reset();
                                  done(outcome);
                              });
}

ComposeController::Outcome ComposeController::sendEnded(PendingSend& pending, transfer::SendOutcome result)
{
    if (result != transfer::SendOutcome::Sent)
        return Outcome::StayOpen;
    if (m_redirect && pending.opening == m_openings)
        replaceRedirectInHistory(m_services.histories.to, pending.sentTo, singleLine(pending.content.to));
    if (pending.section == Outbox && !pending.name.isEmpty())
        removeSentFromOutbox(pending.indexFile, pending.folder, pending.name);
    if (pending.opening != m_openings)
        return Outcome::StayOpen;
    m_opened = withCrLfBody(pending.content); // sent: nothing left to lose
    return Outcome::Close;
}

bool ComposeController::removeSentFromOutbox(const QString& indexFile, const QString& folder, const QString& name)
{
    // Left in the outbox, the message would go out a second time with the next send all.
    QString failure;
    if (!storage::IniDeleteKey(indexFile, Outbox, name))
        failure = QStringLiteral("送信しましたが、送信BOXから削除できませんでした");
    else if (m_services.changes)
        m_services.changes->mailRemoved(Outbox, name);
    if (failure.isEmpty() && !transfer::RemoveOutgoingFile(folder, name) && QFileInfo::exists(folder + name))
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
    mail.mailName = transfer::freeOutgoingName(paths, m_services.clock());
    if (!writeStored(mail, paths.outgoingIndexFile, section)) {
        transfer::RemoveOutgoingFile(mail.mailPath, mail.mailName);
        return Outcome::StayOpen;
    }
    m_mailPath = mail.mailPath;
    m_mailName = mail.mailName;
    m_section = section;
    m_indexFile = paths.outgoingIndexFile;
    m_opened = withCrLfBody(content);
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
    if (!writeStored(mail, m_indexFile, m_section))
        return Outcome::StayOpen;
    m_opened = withCrLfBody(content);
    return Outcome::Close;
}

bool ComposeController::writeStored(const transfer::CurrentMail& mail, const QString& indexFile, const QString& section)
{
    QString error;
    if (transfer::WriteOutgoingFile(mail, &error)) {
        const QString value = indexValue(mail, m_services.clock());
        if (storage::writeProfileString(indexFile, section, mail.mailName, value)) {
            if (m_services.changes)
                m_services.changes->mailStored(section, mail.mailName);
            return true;
        }
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
