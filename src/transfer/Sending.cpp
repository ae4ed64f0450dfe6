#include "transfer/Sending.h"

#include "platform/UserPrompts.h"
#include "platform/mail/MailLibrary.h"
#include "storage/AccountSettings.h"
#include "storage/AddressHistory.h"
#include "storage/FolderTree.h"
#include "storage/IndexEntry.h"
#include "storage/MailChangeListener.h"
#include "storage/Paths.h"
#include "storage/ProfileStore.h"
#include "transfer/AccountLogin.h"
#include "transfer/OutgoingMailFile.h"
#include "transfer/TransferErrors.h"
#include "transfer/TransferRunner.h"

namespace fumibako::transfer {

using platform::Buttons;
using platform::Icon;
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

// The sent-box copy: the file first, so that an entry never names a file that is not there.
void keepSentCopy(CurrentMail& mail, SendContext& context)
{
    const QDateTime now = context.clock();
    const QString name = freeOutgoingName(context.paths, now);
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
    } else if (context.changes) {
        context.changes->mailStored(SentBox, name);
    }
}

// The end of SendCurrentMail, once the library has given its result.
SendOutcome afterExchange(CurrentMail& mail, SendContext& context, const QString& result)
{
    if (!result.isEmpty()) {
        ShowLibraryError(context.prompts, result);
        return SendOutcome::NotSent;
    }
    if (mail.keepFlag == 1)
        keepSentCopy(mail, context);
    storage::PushHistory(mail.to, context.histories.to);
    storage::PushHistory(mail.cc, context.histories.cc);
    storage::PushHistory(mail.bcc, context.histories.bcc);
    context.prompts.setStatus(1, QStringLiteral("送信しました"));
    return SendOutcome::Sent;
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
    // The sender name the account manager asks for; an account without one shows its login.
    QString name = account.senderName.isEmpty() ? account.loginName : account.senderName;
    if (name.isEmpty())
        return account.mailAddress;
    name.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    name.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + name + QStringLiteral("\"<") + account.mailAddress + QLatin1Char('>');
}

Sender::Sender(QObject* parent) : QObject(parent) {}

Sender::~Sender() = default;

void Sender::prepareLogin(SendContext& context, std::function<void(bool ready)> ready)
{
    if (!context.account.oauthProvider.isEmpty()) {
        if (context.bearerToken)
            return ready(true);
        tokenForTransfer(m_runner, context.paths.userFile, context.account, context.prompts, false,
                         [&context, ready = std::move(ready)](const std::optional<QString>& token) {
                             context.bearerToken = token;
                             ready(token.has_value());
                         });
        return;
    }
    if (context.account.loginName.isEmpty() || !context.account.password.isEmpty() || context.typedPassword
        || !context.askPassword)
        return ready(true);
    const std::optional<PasswordAnswer> answer = context.askPassword();
    if (!answer)
        return ready(false);
    keepPassword(context.account, context.paths.userFile, *answer);
    context.typedPassword = answer->password;
    ready(true);
}

void Sender::SendCurrentMail(CurrentMail& mail, SendContext& context, std::function<void(SendOutcome)> done)
{
    const QString sender = senderText(context.account);
    const QString recipients = BuildRecipientList(mail.to, mail.cc, mail.bcc);
    if (recipients.isEmpty()) {
        context.prompts.message(QStringLiteral("あて先を指定してください"), QStringLiteral("あて先不明"),
                                Icon::Information, Buttons::Ok);
        done(SendOutcome::NotSent);
        return;
    }
    if (sender.isEmpty()) {
        context.prompts.message(QStringLiteral("あなたのメールアドレスを入力してください"),
                                QStringLiteral("送信者不明"), Icon::Information, Buttons::Ok);
        done(SendOutcome::NotSent);
        return;
    }
    prepareLogin(context, [this, &mail, &context, recipients, sender, done = std::move(done)](bool ready) {
        if (!ready) {
            context.prompts.setStatus(1, QString());
            done(SendOutcome::NotSent);
            return;
        }
        startExchange(mail, context, recipients, sender, false,
                      [&mail, &context, done](const std::optional<QString>& result) {
                          if (!result) { // the sign-in could not be renewed, which was said already
                              context.prompts.setStatus(1, QString());
                              done(SendOutcome::NotSent);
                              return;
                          }
                          done(afterExchange(mail, context, *result));
                      });
    });
}

// The notice shows before the exchange and closes when its result is delivered: the window paints
// it from its own event loop meanwhile. An access token the server refused is renewed once,
// without asking, and the exchange runs again (@p afterRefusal); @p done gets nothing when no new
// token could be had.
void Sender::startExchange(const CurrentMail& mail, SendContext& context, const QString& recipients,
                           const QString& sender, bool afterRefusal,
                           std::function<void(const std::optional<QString>& result)> done)
{
    const QString attachmentLine = mail.attachments.value(0);
    const QString attachments = attachmentLine.isEmpty() ? QString() : ListToTabs(attachmentLine);
    if (context.notice)
        context.notice->show(QStringLiteral("送信中"));
    const QString server = smtpServerText(context.account);
    platform::mail::SmtpLogin login{context.account.loginName, context.typedPassword.value_or(context.account.password),
                                    context.account.security.smtp};
    if (context.bearerToken)
        login = {context.account.loginName, QString(), context.account.security.smtp, *context.bearerToken};
    const QString subject = mail.subject;
    const QString body = mail.body;
    const platform::mail::ReplyReferences reply = mail.reply;
    const std::optional<platform::mail::NextRecipients> next = std::exchange(context.next, std::nullopt);
    SendingNotice* notice = context.notice;
    auto delivered = [this, &mail, &context, recipients, sender, afterRefusal, notice,
                      done](const platform::mail::LibraryResult& sent) {
        if (notice)
            notice->close();
        if (sent.loginRefused && context.bearerToken && !afterRefusal) {
            tokenForTransfer(m_runner, context.paths.userFile, context.account, context.prompts, true,
                             [this, &mail, &context, recipients, sender, done](const std::optional<QString>& token) {
                                 context.bearerToken = token;
                                 if (!token)
                                     done(std::nullopt);
                                 else
                                     startExchange(mail, context, recipients, sender, true, done);
                             });
            return;
        }
        done(sent.text);
    };
    const bool started = m_runner.start(
        [=](const platform::mail::ProgressCallback&) {
            bool refused = false;
            auto sent = platform::mail::LibraryResult::ofText(
                platform::mail::SendMail(server, recipients, sender, subject, body, attachments, login, reply, &refused, next));
            sent.loginRefused = refused;
            return sent;
        },
        delivered);
    if (!started) { // the guard lets one send run at a time: this is a caller's mistake
        qWarning("a send was started while another one ran");
        delivered(platform::mail::LibraryResult::ofText(QStringLiteral("SMTP failure: another send is running")));
    }
}

SendAllResult sendAllAndWait(OperationGuard& guard, CurrentMail& mail, SendContext context)
{
    Sender sender;
    SendAllResult result;
    waitUntilDone([&](std::function<void()> done) {
        sender.sendAll(guard, mail, std::move(context), [&result, done](const SendAllResult& walked) {
            result = walked;
            done();
        });
    });
    return result;
}

} // namespace fumibako::transfer
