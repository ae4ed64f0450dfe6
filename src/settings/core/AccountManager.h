#pragma once

#include "platform/auth/OAuthFlow.h"
#include "storage/AccountSettings.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace fumibako::platform {
class UserPrompts;
}

namespace fumibako::settings {

/**
 * Where the connection test of an account that signs in gets its access token. It is called on
 * the test's worker, so that renewing the token at the provider never holds up the window, and
 * gives up when its argument says so; nothing when the account has no usable sign-in.
 */
using AccessTokenSource = std::function<std::optional<QString>(const platform::auth::GiveUp& giveUp)>;

/** What the boxes of the account manager hold. */
struct AccountForm {
    QString loginName;   ///< `txtAccName` ("AccName")
    QString userName;    ///< `txtUserName`: names a new account and its file
    QString mailAddress; ///< `txtMailA`
    QString smtpServer;  ///< `txtSMTP`
    QString pop3Server;  ///< `txtPOP`
    QString senderName;  ///< `txtName` ("Name", the key of the password's stored form)
    QString password;    ///< `txtPass`, plain
    bool apop = false;          ///< `chkAPOP`
    bool smtpPortGiven = false; ///< `chkSMTP`
    QString smtpPortText = QStringLiteral("25");
    bool popPortGiven = false; ///< `chkPOP`
    QString popPortText = QStringLiteral("110");
    storage::AccountSecurity security; ///< section "Security"
    QString oauthProvider; ///< `cmbAuth`: "" for "パスワード", else the provider signed in with (section "OAuth2")
};

/** The first choice of `cmbAuth`: the login with the password. */
inline const QString kPasswordLogin = QStringLiteral("パスワード");

/**
 * @p form after choosing @p provider: its servers, ports and security (no clear-text login), no
 * APOP, and the mail address as the login name when none is given (what XOAUTH2 logs in with).
 */
AccountForm applyProvider(AccountForm form, const platform::auth::OAuthProvider& provider);

enum class AccountMode { View, New, Edit };

/** Which controls the dialog enables and shows in its present mode. */
struct AccountManagerLayout {
    bool fieldsEnabled = false;  ///< the six text boxes
    bool userNameShown = false;  ///< `txtUserName` and its label
    bool okEnabled = false;
    bool listEnabled = true;     ///< `cmbUser`, "新規", "削除"
    bool editEnabled = true;     ///< "編集"
    bool accountListShown = true; ///< `lblUser`, `cmbUser` and "削除" are shown
    QString cancelCaption;       ///< "閉じる" or "キャンセル"
    bool cancelCloses = true;    ///< the cancel button closes the dialog ("閉じる")
};

/**
 * Whether the opt-in to a password in clear text means anything for @p mode: only the automatic
 * choice may end up without encryption; TLS and STARTTLS insist on it.
 */
bool plainLoginSelectable(platform::mail::ConnectionSecurity mode);

/** @p security as it is stored: the opt-in cleared where it cannot apply. */
storage::AccountSecurity storedSecurity(const storage::AccountSecurity& security);

/** The eleven lines of section "Property" for @p form, the password scrambled with @p filler. */
QStringList propertyLines(const AccountForm& form, const storage::FillerSource& filler = storage::randomFiller);

/** The nine lines of section "Kankyou" a new account starts with. */
QStringList newAccountEnvironmentLines();

/** The form that shows the account file @p userFile. */
AccountForm readAccountForm(const QString& userFile);

/**
 * @short The rules of `frmAccount` "アカウント管理": viewing, creating, editing and deleting accounts.
 *
 * The dialog shows what this class decides and hands back what the user typed. An account is
 * entered in the registry only after its file was written, and a new account's file is written
 * in one step ("Property", "Kankyou" and "Security" together), so a failure leaves neither an
 * account without its file nor a file with half its sections.
 */
class AccountManager {
public:
    AccountManager(const QString& programDir, platform::UserPrompts& prompts);

    /**
     * Opening: reads the usable accounts and shows @p currentAccount (the first account when it is
     * not listed). Without accounts the dialog starts a new account at once.
     */
    void open(const QString& currentAccount);

    const QStringList& accounts() const { return m_accounts; }
    /** Index of the account `cmbUser` shows; -1 when none. */
    int shownIndex() const { return m_shown; }
    QString shownAccount() const;
    AccountMode mode() const { return m_mode; }
    AccountManagerLayout layout() const;

    /** Chooses account @p index in `cmbUser`: the form of its file. */
    AccountForm showAccount(int index);
    /** The form "新規" leaves: text boxes emptied, check and port boxes as @p shown holds them. */
    AccountForm startNew(const AccountForm& shown);
    void startEdit();

    /** "閉じる" closes (true); "キャンセル" goes back to view mode on the main window's account. */
    bool cancel();
    /** The account view mode returns to after "キャンセル" (the form to show), or -1. */
    int accountAfterCancel() const;

    /** "OK": true when the dialog is to close. */
    bool confirm(const AccountForm& form);
    /** "削除" on the shown account: true when the dialog is to close. */
    bool deleteShown();

    /** The providers `cmbAuth` offers after "パスワード": built in, and those of OAuth2.ini. */
    QList<platform::auth::OAuthProvider> providers() const;
    std::optional<platform::auth::OAuthProvider> provider(const QString& name) const;

    /**
     * The text under `cmbAuth` for the choice @p providerName: what keeps the provider from
     * signing in (no client id …), else where the password or the sign-in is kept.
     */
    QString signInNote(const QString& providerName) const;

    /**
     * A sign-in of the form's account worked: kept at once for an existing account, and for a new
     * one once "OK" created it. False when it could not be stored.
     */
    bool signedIn(const platform::auth::OAuthTokens& tokens);
    /**
     * Where a connection test of the form's sign-in gets its access token: a new account's sign-in
     * as it is, a stored account's token kept in memory or renewed (on the test's worker). Nothing
     * before a new account signed in.
     */
    AccessTokenSource accessTokenForCheck(const AccountForm& form) const;

    /** The POP port box's text changed: `SentakuUser` becomes the shown account (or ""). */
    void popPortChanged();
    /** `SentakuUser` as the dialog leaves it: the main window opens this account afterwards. */
    const QString& selectedAccount() const { return m_selectedAccount; }

    QString userFileOf(const QString& name) const;

private:
    /** A port that is to be used must be 1 to 65535; false after the message. */
    bool checkPorts(const AccountForm& form);
    bool createAccount(const AccountForm& form);
    bool saveShownAccount(const AccountForm& form);
    /** Writes the account's sections; the password goes to the keyring where there is one. */
    bool writeAccount(const QString& file, const AccountForm& form, bool newAccount);

    QString m_programDir;
    QString m_registryFile;
    platform::UserPrompts& m_prompts;
    QStringList m_accounts;
    int m_shown = -1;
    AccountMode m_mode = AccountMode::View;
    QString m_mainAccount;
    QString m_selectedAccount;
    std::optional<platform::auth::OAuthTokens> m_pendingSignIn; ///< of a new account, until it is created
};

} // namespace fumibako::settings
