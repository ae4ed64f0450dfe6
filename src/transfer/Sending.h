#pragma once

#include "transfer/PasswordChoice.h"
#include "transfer/StoredMail.h"

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
    /** Hears of the sent-box copies and of what leaves the outbox (none: nobody). */
    storage::MailChangeListener* changes = nullptr;
};

/**
 * Makes sure SMTP AUTH has a password: when the account has a login but no password, asks for
 * it once per SendContext. False when the prompt was cancelled (nothing is to be sent then).
 */
bool ensureSendPassword(SendContext& context);

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

/**
 * Sends @p mail; the caller holds the sending operation. 1 when sent (a copy kept in the sent box
 * when its keep flag is 1, the recipients pushed into the histories), -1 when not (after a message).
 */
int SendCurrentMail(CurrentMail& mail, SendContext& context);

/**
 * Reads and sends the outgoing file @p folder + @p name, listed in @p section; from the outbox it
 * is then removed. 0 to go on with a walk, -1 to stop it.
 */
int SendStoredMail(CurrentMail& mail, SendContext& context, const QString& folder, const QString& name,
                   const QString& section);

/** A selected row of the mail list: its file name and its index section. */
struct SelectedMail {
    QString key;
    QString section;
};

/**
 * Sends the selected rows of the folder shown from @p currentMailDir, walking from the last row
 * to the first and stopping at the first failure. False when another operation runs. The caller
 * shows the folder again afterwards.
 */
bool sendSelected(OperationGuard& guard, CurrentMail& mail, SendContext& context, const QString& currentMailDir,
                  const QList<SelectedMail>& selectedInListOrder);

/** What send all did. */
struct SendAllResult {
    bool ran = false; ///< false: another operation runs
    int sent = 0;
    int failed = 0;
};

/** Sends every message queued in the outbox index, in file order. */
SendAllResult sendAll(OperationGuard& guard, CurrentMail& mail, SendContext& context);

} // namespace fumibako::transfer
