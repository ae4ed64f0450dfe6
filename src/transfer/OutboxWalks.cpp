#include "platform/UserPrompts.h"
#include "platform/mail/SmtpTransport.h"
#include "storage/FolderTree.h"
#include "storage/IndexEntry.h"
#include "storage/Paths.h"
#include "storage/ProfileStore.h"
#include "transfer/OperationGuard.h"
#include "transfer/OutgoingMailFile.h"
#include "transfer/Sending.h"

#include <QFile>

// Sending stored outgoing files one by one, and the two walks over them.
namespace fumibako::transfer {

using platform::Answer;
using platform::Buttons;
using platform::Icon;
using storage::FixedFolder::Outbox;
using storage::FixedFolder::SentBox;

namespace {

QString summaryText(const CurrentMail& mail)
{
    const QString crLf = QStringLiteral("\r\n");
    return QStringLiteral("宛先(To): ") + mail.to + crLf + QStringLiteral("件名    : ") + mail.subject + crLf +
           QStringLiteral("本文    : ") + mail.body.left(100) + crLf;
}

// After a cleanup failure: shows what went wrong and asks whether to go on.
bool continueAfter(platform::UserPrompts& prompts, const QString& text)
{
    prompts.message(text, QStringLiteral("送信後エラー"), Icon::Exclamation, Buttons::Ok);
    return prompts.message(QStringLiteral("送信処理を続けますか？"), QStringLiteral("送信処理続行？"),
                           Icon::Information, Buttons::YesNo) == Answer::Yes;
}

// Removes a sent message from the outbox: its entry, then its file.
int removeFromOutbox(const CurrentMail& mail, SendContext& context, const QString& folder, const QString& name)
{
    if (!storage::IniDeleteKey(context.paths.outgoingIndexFile, Outbox, name)) {
        const QString text = summaryText(mail) + QStringLiteral("送信しましたが、送信BOXから削除できませんでした");
        if (!continueAfter(context.prompts, text))
            return -1;
    }
    if (!QFile::remove(folder + name)) {
        const QString text = summaryText(mail) + QStringLiteral("送信しましたが、ファイルが削除できませんでした");
        if (!continueAfter(context.prompts, text))
            return -1;
    }
    return 0;
}

// What became of one outbox entry in send all. An entry that does not parse, was sent already or
// whose file cannot be read is dropped from the outbox without a word.
enum class EntryOutcome { Sent, Failed, Dropped };

EntryOutcome sendOutboxEntry(const QString& line, CurrentMail& mail, SendContext& context)
{
    const QString& file = context.paths.outgoingIndexFile;
    const QString key = line.left(line.indexOf(QLatin1Char('=')));
    const bool drop = !storage::ParseIndexLine(line) ||
                      !storage::IniGetString(SentBox, key, 256, file).isEmpty() ||
                      !ReadStoredMail(mail, StoredMailKind::Outgoing, context.paths.outputDir, key, QString());
    if (!drop && SendCurrentMail(mail, context) != 1)
        return EntryOutcome::Failed;
    storage::IniDeleteKey(file, Outbox, key);
    return drop ? EntryOutcome::Dropped : EntryOutcome::Sent;
}

} // namespace

int SendStoredMail(CurrentMail& mail, SendContext& context, const QString& folder, const QString& name,
                   const QString& section)
{
    if (!ReadOutgoingFile(mail, folder, name)) {
        const Answer answer = context.prompts.message(
            QStringLiteral("メール読み込み時にエラーが発生しました。次のメールに移りますか？"),
            QStringLiteral("送信前エラー"), Icon::Exclamation, Buttons::YesNo);
        return answer == Answer::Yes ? 0 : -1;
    }
    if (SendCurrentMail(mail, context) != 1) {
        context.prompts.message(QStringLiteral("送信エラーが発生したようなので処理を中止します"), QString(),
                                Icon::None, Buttons::Ok);
        return -1;
    }
    if (section == Outbox)
        return removeFromOutbox(mail, context, folder, name);
    return 0;
}

bool sendSelected(OperationGuard& guard, CurrentMail& mail, SendContext& context, const QString& currentMailDir,
                  const QList<SelectedMail>& selectedInListOrder)
{
    OperationLease lease(guard, Operation::Sending);
    if (!lease)
        return false;
    // Asked once, before the walk: a cancelled prompt sends nothing and reports no failure.
    if (!selectedInListOrder.isEmpty() && !ensureSendPassword(context))
        return true;
    const platform::mail::SmtpConnectionReuse oneConnection;
    for (qsizetype i = selectedInListOrder.size() - 1; i >= 0; --i) {
        const SelectedMail& item = selectedInListOrder.at(i);
        if (SendStoredMail(mail, context, currentMailDir, item.key, item.section) == -1)
            break;
    }
    return true;
}

SendAllResult sendAll(OperationGuard& guard, CurrentMail& mail, SendContext& context)
{
    SendAllResult result;
    OperationLease lease(guard, Operation::Sending);
    if (!lease)
        return result;
    result.ran = true;
    const platform::mail::SmtpConnectionReuse oneConnection;
    QStringList lines;
    storage::IniGetSection(Outbox, context.paths.outgoingIndexFile, lines);
    if (!lines.isEmpty() && !ensureSendPassword(context)) {
        context.prompts.setStatus(1, QString());
        return result;
    }
    for (const QString& line : std::as_const(lines)) {
        switch (sendOutboxEntry(line, mail, context)) {
        case EntryOutcome::Sent: ++result.sent; break;
        case EntryOutcome::Failed: ++result.failed; break;
        case EntryOutcome::Dropped: break;
        }
    }
    if (result.failed > 0) {
        context.prompts.message(QStringLiteral("送信に失敗したものがあります"), QStringLiteral("全送信"),
                                Icon::Exclamation, Buttons::Ok);
    }
    context.prompts.setStatus(1, QString());
    return result;
}

} // namespace fumibako::transfer
