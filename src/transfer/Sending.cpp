#include "transfer/Sending.h"

#include "platform/UserPrompts.h"
#include "platform/mail/MailLibrary.h"
#include "storage/AccountSettings.h"
#include "storage/AddressHistory.h"
#include "storage/FolderTree.h"
#include "storage/IndexEntry.h"
#include "storage/Paths.h"
#include "storage/ProfileStore.h"
#include "transfer/OutgoingMailFile.h"
#include "transfer/TransferErrors.h"
#include "transfer/TransferRunner.h"

#include <QFileInfo>

namespace fumibako::transfer {

using platform::Buttons;
using platform::Icon;
using storage::FixedFolder::Outbox;
using storage::FixedFolder::SentBox;

namespace {

const QString kTab = QStringLiteral("\t");

// Appends a marker ("cc", "bcc") and the addresses of @p field to @p list.
void appendMarked(QString& list, const QString& marker, const QString& field)
{
    if (field.isEmpty())
        return;
    if (!list.isEmpty())
        list += kTab;
    list += marker + kTab + ListToTabs(field);
}

// A name no other outgoing file or sent-box entry has: names have one-second resolution, and two
// copies kept within the same second (or a copy of a message queued that second) must not
// overwrite each other.
QString freeSentName(const SendContext& context)
{
    QDateTime when = context.clock();
    for (;;) {
        const QString name = storage::MakeTimestampName(when);
        const bool taken = QFileInfo::exists(context.paths.outputDir + name) ||
                           !storage::IniGetString(SentBox, name, 256, context.paths.outgoingIndexFile).isEmpty() ||
                           !storage::IniGetString(Outbox, name, 256, context.paths.outgoingIndexFile).isEmpty();
        if (!taken)
            return name;
        when = when.addSecs(1);
    }
}

// The sent-box copy: the file first, so that an entry never names a file that is not there.
void keepSentCopy(CurrentMail& mail, SendContext& context)
{
    const QDateTime now = context.clock();
    const QString name = freeSentName(context);
    storage::MailRow row(name, storage::indexField(mail.to), storage::indexField(mail.subject),
                         now.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")));
    row.attachment = !mail.attachments.value(0).isEmpty();
    const QString value = storage::BuildIndexValue(row);
    mail.mailPath = context.paths.outputDir;
    mail.mailName = name;
    mail.keepFlag = 0;
    if (!WriteOutgoingFile(mail) ||
        !storage::writeProfileString(context.paths.outgoingIndexFile, SentBox, name, value)) {
        context.prompts.message(QStringLiteral("送信しましたが、送信済BOXに保存できませんでした"),
                                QStringLiteral("送信後エラー"), Icon::Exclamation, Buttons::Ok);
    }
}

// Runs the SMTP exchange on a worker thread while this thread goes on handling events, so the
// window stays responsive; the operation guard keeps every other transfer out meanwhile.
QString sendOnWorker(std::function<QString()> send)
{
    TransferRunner runner;
    QString result;
    waitUntilDone([&](std::function<void()> done) {
        QObject::connect(&runner, &TransferRunner::finished, &runner,
                         [&result, done](const platform::mail::LibraryResult& sent) {
                             result = sent.text;
                             done();
                         });
        runner.start([send](const platform::mail::ProgressCallback&) {
            return platform::mail::LibraryResult::ofText(send());
        });
    });
    return result;
}

QString callLibrary(const CurrentMail& mail, SendContext& context, const QString& recipients, const QString& sender)
{
    const QString attachmentLine = mail.attachments.value(0);
    const QString attachments = attachmentLine.isEmpty() ? QString() : ListToTabs(attachmentLine);
    if (context.notice)
        context.notice->show(QStringLiteral("送信中"));
    const QString server = smtpServerText(context.account);
    const platform::mail::SmtpLogin login{context.account.loginName,
                                          context.typedPassword.value_or(context.account.password),
                                          context.account.security.smtp};
    const QString subject = mail.subject;
    const QString body = mail.body;
    const QString result = sendOnWorker([=] {
        return platform::mail::SendMail(server, recipients, sender, subject, body, attachments, login);
    });
    if (context.notice)
        context.notice->close();
    return result;
}

} // namespace

QString ListToTabs(const QString& text)
{
    QString result = text;
    result.replace(QLatin1String(", "), kTab);
    return result;
}

QString BuildRecipientList(const QString& to, const QString& cc, const QString& bcc)
{
    QString list = to.isEmpty() ? QString() : ListToTabs(to);
    appendMarked(list, QStringLiteral("cc"), cc);
    appendMarked(list, QStringLiteral("bcc"), bcc);
    return list;
}

QString smtpServerText(const storage::AccountProperties& account)
{
    // The setting is a 16-bit integer: a port above 32767 is held in its signed form.
    return platform::mail::serverArgument(account.smtpServer, account.smtpPortGiven != 0,
                                          QString::number(account.smtpPort));
}

QString senderText(const storage::AccountProperties& account)
{
    if (account.loginName.isEmpty())
        return account.mailAddress;
    return QLatin1Char('"') + account.loginName + QStringLiteral("\"<") + account.mailAddress + QLatin1Char('>');
}

bool ensureSendPassword(SendContext& context)
{
    if (context.account.loginName.isEmpty() || !context.account.password.isEmpty() || context.typedPassword
        || !context.askPassword)
        return true;
    const std::optional<PasswordAnswer> answer = context.askPassword();
    if (!answer)
        return false;
    keepPassword(context.account, context.paths.userFile, *answer);
    context.typedPassword = answer->password;
    return true;
}

int SendCurrentMail(CurrentMail& mail, SendContext& context)
{
    const QString sender = senderText(context.account);
    const QString recipients = BuildRecipientList(mail.to, mail.cc, mail.bcc);
    if (recipients.isEmpty()) {
        context.prompts.message(QStringLiteral("あて先を指定してください"), QStringLiteral("あて先不明"),
                                Icon::Information, Buttons::Ok);
        return -1;
    }
    if (sender.isEmpty()) {
        context.prompts.message(QStringLiteral("あなたのメールアドレスを入力してください"),
                                QStringLiteral("送信者不明"), Icon::Information, Buttons::Ok);
        return -1;
    }
    if (!ensureSendPassword(context)) {
        context.prompts.setStatus(1, QString());
        return -1;
    }
    const QString result = callLibrary(mail, context, recipients, sender);
    if (!result.isEmpty()) {
        ShowLibraryError(context.prompts, result);
        return -1;
    }
    if (mail.keepFlag == 1)
        keepSentCopy(mail, context);
    storage::PushHistory(mail.to, context.histories.to);
    storage::PushHistory(mail.cc, context.histories.cc);
    storage::PushHistory(mail.bcc, context.histories.bcc);
    context.prompts.setStatus(1, QStringLiteral("送信しました"));
    return 1;
}

} // namespace fumibako::transfer
