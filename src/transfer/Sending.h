#pragma once

#include "platform/mail/MailLibrary.h"
#include "transfer/PasswordChoice.h"
#include "transfer/StoredMail.h"
#include "transfer/TransferRunner.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace fumibako::platform {
class UserPrompts;
}

namespace fumibako::storage {
struct AccountProperties;
struct AccountPaths;
struct AddressHistories;
class MailChangeListener;
} // namespace fumibako::storage

namespace fumibako::transfer {

class OperationGuard;

/** @short The small non-modal "送信中" window shown around the library call. */
class SendingNotice {
public:
    virtual ~SendingNotice() = default;
    virtual void show(const QString& text) = 0;
    virtual void close() = 0;
};

/** What sending needs of the open account and of the screen. */
struct SendContext {
    storage::AccountProperties& account; ///< its password in memory changes with the prompt's choices
    const storage::AccountPaths& paths;  ///< outputDir, outgoingIndexFile, userFile
    storage::AddressHistories& histories;
    platform::UserPrompts& prompts;
    SendingNotice* notice = nullptr;                                  ///< none: nothing shown
    std::function<QDateTime()> clock = [] { return QDateTime::currentDateTime(); };
    /**
     * The password prompt "パスワード確認", asked when the account has a login but no password
     * (std::nullopt: cancelled). Without it the login goes out with the empty password.
     */
    std::function<std::optional<PasswordAnswer>()> askPassword = {};
    /** A password typed with "今回のみ": used for the rest of this send (a whole walk). */
    std::optional<QString> typedPassword = {};
    /** The access token of an account that signs in (OAuth 2.0), for the rest of this send. */
    std::optional<QString> bearerToken = {};
    /** Hears of the sent-box copies and of what leaves the outbox (none: nobody). */
    storage::MailChangeListener* changes = nullptr;
    /**
     * Set by a walk before each message: who the message after it goes to, so that the server
     * can hear of it while this one ends. Taken by the send.
     */
    std::optional<platform::mail::NextRecipients> next = {};
};

/** Cuts @p text at every ", " and joins the pieces with TAB; a comma without a space stays. */
QString ListToTabs(const QString& text);

/** To, then "cc" and the Cc addresses, then "bcc" and the Bcc addresses, TAB-separated. */
QString BuildRecipientList(const QString& to, const QString& cc, const QString& bcc);

/** "SMTPServer", with TAB and the port when a port is given. */
QString smtpServerText(const storage::AccountProperties& account);

/**
 * "\"Name\"<MailAddress>" (the sender name, quotes and backslashes escaped), "\"AccName\"<MailAddress>"
 * when the account has no sender name, or the address alone when it has neither.
 */
QString senderText(const storage::AccountProperties& account);

/** A selected row of the mail list: its file name and its index section. */
struct SelectedMail {
    QString key;
    QString section;
};

/** How a send of one message ended. */
enum class SendOutcome {
    Sent,    ///< the server took it; its sent-box copy and the histories are written
    NotSent, ///< nothing went out (a message said why, or the user cancelled)
};

/** What a walk over outgoing files does after one of them. */
enum class WalkStep {
    GoOn, ///< sent, or skipped with the user's consent
    Stop, ///< a send failed, or the user chose to stop
};

/** What send all did. */
struct SendAllResult {
    bool ran = false; ///< false: another operation runs
    int sent = 0;
    int failed = 0;
};

/**
 * @short Sends mail with each SMTP exchange on a worker thread, and walks the outgoing files.
 *
 * Lives on the user-interface thread with everything a send touches; only the library calls run
 * on the worker (TransferRunner): each exchange, the QUIT that ends a walk's connection, and the
 * renewal of an account's access token. A send returns at once and goes on from the delivery of
 * the call's result, so the window keeps handling events in its own event loop meanwhile (the
 * operation guard keeps every other transfer out). It ends by calling its done function, at once when nothing went to the server; a walk
 * that kept a connection open calls it once the connection is closed. One send or walk at a time.
 * Destroying the sender ends what it runs without calling its done function (a walk releases its
 * operation) after waiting for the call under way.
 */
class Sender : public QObject {
    Q_OBJECT

public:
    explicit Sender(QObject* parent = nullptr);
    ~Sender() override;

    /**
     * Sends @p mail; the caller holds the sending operation and keeps @p mail and @p context until
     * @p done. @p done gets Sent when sent (a copy kept in the sent box when its keep flag is 1,
     * the recipients pushed into the histories), NotSent when not (after a message).
     */
    void SendCurrentMail(CurrentMail& mail, SendContext& context, std::function<void(SendOutcome)> done);

    /**
     * Reads and sends the outgoing file @p folder + @p name, listed in @p section; from the outbox
     * it is then removed. @p done gets whether a walk goes on or stops. As SendCurrentMail.
     */
    void SendStoredMail(CurrentMail& mail, SendContext& context, const QString& folder, const QString& name,
                        const QString& section, std::function<void(WalkStep)> done);

    /**
     * Sends the selected rows of the folder shown from @p currentMailDir, walking from the last row
     * to the first and stopping at the first failure. @p done gets false at once when another
     * operation runs, else true when the walk ended and released the operation; the caller shows
     * the folder again then.
     */
    void sendSelected(OperationGuard& guard, CurrentMail& mail, SendContext context, const QString& currentMailDir,
                      const QList<SelectedMail>& selectedInListOrder, std::function<void(bool ran)> done);

    /**
     * Sends every message queued in the outbox index, in file order; @p done gets what it did,
     * once the operation is released.
     */
    void sendAll(OperationGuard& guard, CurrentMail& mail, SendContext context,
                 std::function<void(const SendAllResult&)> done);

    /** Whether a send or a walk is under way. */
    bool isSending() const { return m_runner.isRunning() || m_walking; }

private:
    class Walk;
    class SelectedWalk;
    class OutboxWalk;

    /**
     * Makes sure SMTP AUTH has a password: when the account has a login but no password, asks for
     * it once per SendContext. An account that signs in gets its access token instead (renewed on
     * the worker; a lapsed sign-in is offered to be renewed). @p ready gets false when the prompt
     * was cancelled or no token could be had (nothing is to be sent then).
     */
    void prepareLogin(SendContext& context, std::function<void(bool ready)> ready);

    void startExchange(const CurrentMail& mail, SendContext& context, const QString& recipients,
                       const QString& sender, bool afterRefusal,
                       std::function<void(const std::optional<QString>& result)> done);

    TransferRunner m_runner;
    bool m_walking = false;
};

/** Send all, waiting in a local event loop until it ended: for the tool and tests. */
SendAllResult sendAllAndWait(OperationGuard& guard, CurrentMail& mail, SendContext context);

} // namespace fumibako::transfer
