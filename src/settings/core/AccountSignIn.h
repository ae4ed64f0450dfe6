#pragma once

#include "settings/core/AccountManager.h"

#include <QObject>

#include <memory>

namespace fumibako::platform {
class UserPrompts;
}

namespace fumibako::platform::auth {
class BrowserOpener;
class OAuthSignIn;
} // namespace fumibako::platform::auth

namespace fumibako::settings {

/**
 * @short The account manager's "サインイン": signs the form's account in with its provider in the
 * browser, hands the result to the AccountManager (which keeps it) and says whether it worked.
 */
class AccountSignIn : public QObject {
    Q_OBJECT
public:
    AccountSignIn(AccountManager& manager, platform::UserPrompts& prompts, QObject* parent = nullptr);
    ~AccountSignIn() override;

    /**
     * Starts signing in with the provider @p form names, sending @p browser to it (which must
     * outlive the sign-in). False, after a message, when the provider cannot be used or a
     * sign-in runs already.
     */
    bool start(const AccountForm& form, platform::auth::BrowserOpener& browser, int timeoutSeconds = 300);
    bool isRunning() const;

Q_SIGNALS:
    /** The result was said; @p signedIn when the sign-in is kept. */
    void finished(bool signedIn);

private:
    void signInEnded(const platform::auth::OAuthResult& result);

    AccountManager& m_manager;
    platform::UserPrompts& m_prompts;
    std::unique_ptr<platform::auth::OAuthSignIn> m_signIn;
};

} // namespace fumibako::settings
