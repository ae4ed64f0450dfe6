#include "platform/UserPrompts.h"
#include "platform/mail/SmtpTransport.h"
#include "storage/FolderTree.h"
#include "storage/IndexEntry.h"
#include "storage/MailChangeListener.h"
#include "storage/Paths.h"
#include "storage/ProfileStore.h"
#include "transfer/OperationGuard.h"
#include "transfer/OutgoingMailFile.h"
#include "transfer/Sending.h"

#include <memory>
#include <optional>

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

// Removes a sent message from the outbox: its entry, then its file. Stop when the user chose not
// to go on after one of them could not be removed.
WalkStep removeFromOutbox(const CurrentMail& mail, SendContext& context, const QString& folder, const QString& name)
{
    if (!storage::IniDeleteKey(context.paths.outgoingIndexFile, Outbox, name)) {
        const QString text = summaryText(mail) + QStringLiteral("送信しましたが、送信BOXから削除できませんでした");
        if (!continueAfter(context.prompts, text))
            return WalkStep::Stop;
    } else if (context.changes) {
        context.changes->mailRemoved(Outbox, name);
    }
    if (!RemoveOutgoingFile(folder, name)) {
        const QString text = summaryText(mail) + QStringLiteral("送信しましたが、ファイルが削除できませんでした");
        if (!continueAfter(context.prompts, text))
            return WalkStep::Stop;
    }
    return WalkStep::GoOn;
}

// Whether an outbox entry is to be dropped without sending: it does not parse, was sent already
// or its file cannot be read (into @p mail).
bool dropsEntry(const QString& line, const QString& key, CurrentMail& mail, const SendContext& context)
{
    const QString& file = context.paths.outgoingIndexFile;
    return !storage::ParseIndexLine(line) || !storage::IniGetString(SentBox, key, 256, file).isEmpty() ||
           !ReadStoredMail(mail, StoredMailKind::Outgoing, context.paths.outputDir, key, QString());
}

// Who @p mail goes to and from, for a walk to announce it as the message after the one it sends.
std::optional<platform::mail::NextRecipients> recipientsOf(const CurrentMail& mail, const SendContext& context)
{
    const QString recipients = BuildRecipientList(mail.to, mail.cc, mail.bcc);
    if (recipients.isEmpty())
        return std::nullopt;
    return platform::mail::NextRecipients{recipients, senderText(context.account)};
}

} // namespace

void Sender::SendStoredMail(CurrentMail& mail, SendContext& context, const QString& folder, const QString& name,
                            const QString& section, std::function<void(WalkStep)> done)
{
    if (!ReadOutgoingFile(mail, folder, name)) {
        const Answer answer = context.prompts.message(
            QStringLiteral("メール読み込み時にエラーが発生しました。次のメールに移りますか？"),
            QStringLiteral("送信前エラー"), Icon::Exclamation, Buttons::YesNo);
        done(answer == Answer::Yes ? WalkStep::GoOn : WalkStep::Stop);
        return;
    }
    SendCurrentMail(mail, context,
                    [&mail, &context, folder, name, section, done = std::move(done)](SendOutcome sent) {
                        if (sent != SendOutcome::Sent) {
                            context.prompts.message(QStringLiteral("送信エラーが発生したようなので処理を中止します"),
                                                    QString(), Icon::None, Buttons::Ok);
                            done(WalkStep::Stop);
                            return;
                        }
                        done(section == Outbox ? removeFromOutbox(mail, context, folder, name) : WalkStep::GoOn);
                    });
}

/**
 * One walk over outgoing files: it holds the sending operation and one SMTP connection from its
 * start to its end, and takes its messages one after the other, each from the end of the one
 * before.
 */
class Sender::Walk : public std::enable_shared_from_this<Walk> {
public:
    Walk(Sender& sender, OperationGuard& guard, CurrentMail& mail, SendContext context)
        : m_sender(sender), m_mail(mail), m_context(std::move(context))
    {
        m_lease.emplace(guard, Operation::Sending);
    }
    virtual ~Walk() = default;

    bool acquired() const { return bool(*m_lease); }
    SendContext& context() { return m_context; }

    void begin()
    {
        m_sender.m_walking = true;
        m_oneConnection = std::make_shared<platform::mail::SmtpConnectionReuse>();
        goOn();
    }

    /** Ends a walk that has not begun: releases the operation first, as after a walk. */
    void endEarly()
    {
        m_lease.reset();
        report();
    }

protected:
    /**
     * Starts the next message; it calls itemEnded() when it ended, possibly before returning.
     * False when none is left.
     */
    virtual bool startNext() = 0;
    /** After the last message, while the operation is still held. */
    virtual void finish() {}
    /** Hands over what the walk did, once the operation was released. */
    virtual void report() = 0;

    void itemEnded()
    {
        m_waiting = false;
        if (!m_looping)
            goOn();
    }

    Sender& m_sender;
    CurrentMail& m_mail;
    SendContext m_context;
    bool m_waiting = false; ///< set by startNext() while a message is on its way

private:
    // Messages that end at once (dropped, unreadable) are followed in this loop rather than from
    // inside the call that ended them, so a long walk does not nest calls.
    void goOn()
    {
        const std::shared_ptr<Walk> self = shared_from_this(); // an ended walk may be let go below
        m_looping = true;
        while (!m_waiting) {
            if (!startNext()) {
                m_looping = false;
                end();
                return;
            }
        }
        m_looping = false;
    }

    // The QUIT that ends a kept connection waits for the server's answer, so it runs on the
    // sender's worker like the exchanges before it. The operation is released and the walk
    // reported only once the connection is closed: a send started from the report would find the
    // worker still busy, and a new walk the connection still in use.
    void end()
    {
        finish();
        const std::shared_ptr<platform::mail::SmtpConnectionReuse> connection = std::move(m_oneConnection);
        // The worker is free: each message of the walk ended from its exchange's delivery.
        if (connection->keepsConnection()
            && m_sender.m_runner.start(
                [connection](const platform::mail::ProgressCallback&) {
                    connection->close();
                    return platform::mail::LibraryResult();
                },
                [self = shared_from_this()](const platform::mail::LibraryResult&) { self->release(); }))
            return;
        connection->close(); // nothing kept open: returns at once
        release();
    }

    void release()
    {
        m_lease.reset();
        m_sender.m_walking = false;
        report();
    }

    std::optional<OperationLease> m_lease;
    std::shared_ptr<platform::mail::SmtpConnectionReuse> m_oneConnection;
    bool m_looping = false;
};

class Sender::SelectedWalk : public Walk {
public:
    SelectedWalk(Sender& sender, OperationGuard& guard, CurrentMail& mail, SendContext context, QString folder,
                 QList<SelectedMail> selected, std::function<void(bool)> done)
        : Walk(sender, guard, mail, std::move(context)), m_folder(std::move(folder)), m_selected(std::move(selected)),
          m_next(m_selected.size() - 1), m_done(std::move(done))
    {
    }

private:
    bool startNext() override
    {
        if (m_stopped || m_next < 0)
            return false;
        const SelectedMail item = m_selected.at(m_next--);
        CurrentMail following;
        const bool readable = m_next >= 0 && ReadOutgoingFile(following, m_folder, m_selected.at(m_next).key);
        m_context.next = readable ? recipientsOf(following, m_context) : std::nullopt;
        m_waiting = true;
        auto self = std::static_pointer_cast<SelectedWalk>(shared_from_this());
        m_sender.SendStoredMail(m_mail, m_context, m_folder, item.key, item.section, [self](WalkStep step) {
            self->m_stopped = step == WalkStep::Stop;
            self->itemEnded();
        });
        return true;
    }
    void report() override { m_done(true); }

    QString m_folder;
    QList<SelectedMail> m_selected;
    qsizetype m_next;
    bool m_stopped = false;
    std::function<void(bool)> m_done;
};

class Sender::OutboxWalk : public Walk {
public:
    OutboxWalk(Sender& sender, OperationGuard& guard, CurrentMail& mail, SendContext context,
               std::function<void(const SendAllResult&)> done)
        : Walk(sender, guard, mail, std::move(context)), m_done(std::move(done))
    {
        storage::IniGetSection(Outbox, m_context.paths.outgoingIndexFile, m_lines);
        m_result.ran = true;
    }

    bool nothingQueued() const { return m_lines.isEmpty(); }

private:
    // A sent message leaves the outbox with its file, as from send selected: a file left behind
    // would be listed again, under its file name, beside the sent-box copy.
    bool startNext() override
    {
        if (m_stopped || m_next >= m_lines.size())
            return false;
        const QString line = m_lines.at(m_next++);
        const QString key = line.left(line.indexOf(QLatin1Char('=')));
        if (dropsEntry(line, key, m_mail, m_context)) {
            storage::IniDeleteKey(m_context.paths.outgoingIndexFile, Outbox, key);
            return true;
        }
        m_context.next = nextRecipients();
        m_waiting = true;
        auto self = std::static_pointer_cast<OutboxWalk>(shared_from_this());
        m_sender.SendCurrentMail(m_mail, m_context, [self, key](SendOutcome sent) {
            if (sent != SendOutcome::Sent) {
                ++self->m_result.failed;
            } else {
                ++self->m_result.sent;
                self->m_stopped = removeFromOutbox(self->m_mail, self->m_context, self->m_context.paths.outputDir,
                                                   key) == WalkStep::Stop;
            }
            self->itemEnded();
        });
        return true;
    }
    void finish() override
    {
        if (m_result.failed > 0) {
            m_context.prompts.message(QStringLiteral("送信に失敗したものがあります"), QStringLiteral("全送信"),
                                      Icon::Exclamation, Buttons::Ok);
        }
        m_context.prompts.setStatus(1, QString());
    }
    void report() override { m_done(m_result); }

    // Who the entry after the one being sent goes to, unless it is to be dropped.
    std::optional<platform::mail::NextRecipients> nextRecipients() const
    {
        if (m_next >= m_lines.size())
            return std::nullopt;
        const QString line = m_lines.at(m_next);
        CurrentMail following;
        if (dropsEntry(line, line.left(line.indexOf(QLatin1Char('='))), following, m_context))
            return std::nullopt;
        return recipientsOf(following, m_context);
    }

    QStringList m_lines;
    qsizetype m_next = 0;
    bool m_stopped = false;
    SendAllResult m_result;
    std::function<void(const SendAllResult&)> m_done;
};

void Sender::sendSelected(OperationGuard& guard, CurrentMail& mail, SendContext context, const QString& currentMailDir,
                          const QList<SelectedMail>& selectedInListOrder, std::function<void(bool ran)> done)
{
    auto walk = std::make_shared<SelectedWalk>(*this, guard, mail, std::move(context), currentMailDir,
                                               selectedInListOrder, done);
    if (!walk->acquired())
        return done(false);
    if (selectedInListOrder.isEmpty())
        return walk->begin();
    // Asked once, before the walk: a cancelled prompt sends nothing and reports no failure.
    prepareLogin(walk->context(), [walk](bool ready) {
        if (ready)
            walk->begin();
        else
            walk->endEarly();
    });
}

void Sender::sendAll(OperationGuard& guard, CurrentMail& mail, SendContext context,
                     std::function<void(const SendAllResult&)> done)
{
    auto walk = std::make_shared<OutboxWalk>(*this, guard, mail, std::move(context), done);
    if (!walk->acquired())
        return done(SendAllResult());
    if (walk->nothingQueued())
        return walk->begin();
    prepareLogin(walk->context(), [walk](bool ready) {
        if (ready)
            return walk->begin();
        walk->context().prompts.setStatus(1, QString());
        walk->endEarly();
    });
}

} // namespace fumibako::transfer
