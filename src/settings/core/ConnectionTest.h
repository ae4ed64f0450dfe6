#pragma once

#include "settings/core/AccountManager.h"
#include "transfer/TransferRunner.h"

#include <QObject>

namespace fumibako::platform {
class UserPrompts;
}

namespace fumibako::settings {

/** The server texts and logins the account's transfers would use, from what the boxes hold. */
QString pop3ServerText(const AccountForm& form);
QString smtpServerText(const AccountForm& form);

/**
 * @short The account manager's "接続テスト": tries the typed POP3 and SMTP servers (connect,
 * secure, log in) off the window's thread and says what happened in one message.
 */
class ConnectionTest : public QObject {
    Q_OBJECT
public:
    ConnectionTest(platform::UserPrompts& prompts, QObject* parent = nullptr);

    /**
     * Starts trying the servers of @p form; false (after a message) when there is nothing to try or a
     * test runs. An account that signs in logs in with the token of @p bearerToken; without one
     * (no source, or none from it) it is told to sign in first.
     */
    bool start(const AccountForm& form, AccessTokenSource bearerToken = {});
    bool isRunning() const { return m_runner.isRunning(); }

Q_SIGNALS:
    /** The report was shown. */
    void finished();

private:
    platform::UserPrompts& m_prompts;
    transfer::TransferRunner m_runner;
};

} // namespace fumibako::settings
