#pragma once

#include "settings/DesktopBrowser.h"
#include "settings/core/AccountManager.h"
#include "settings/core/AccountSignIn.h"
#include "settings/core/ConnectionTest.h"
#include "widgets/WindowPrompts.h"

#include <QDialog>

class QCheckBox;
class QGridLayout;
class QLayout;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace fumibako::settings {

class NumberBox;

/**
 * @short `frmAccount` "アカウント管理": the modal dialog in which accounts are created, viewed,
 * edited and deleted. Its rules are AccountManager's; this class shows them.
 */
class AccountManagerDialog : public QDialog {
    Q_OBJECT
public:
    /**
     * Shows the accounts of @p programDir, starting on @p currentAccount (the main window's).
     * @p scriptedPrompts answers the message boxes instead of the user (tests), else nullptr.
     */
    AccountManagerDialog(const QString& programDir, const QString& currentAccount,
                         platform::UserPrompts* scriptedPrompts, QWidget* parent);

    /** `SentakuUser`: the account the dialog showed last, for the main window to open. */
    QString selectedAccount() const { return m_manager.selectedAccount(); }

    /** Where "サインイン" sends the browser: the desktop's by default, a test's follower in tests. */
    void setBrowser(platform::auth::BrowserOpener* browser) { m_browser = browser; }

protected:
    /** Escape acts as the cancel button: back to viewing from a new or edited account, else closing. */
    void keyPressEvent(QKeyEvent* event) override;
    /** Keeps the wrapped sign-in note as tall as its text at the width it is given. */
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createWidgets();
    QWidget* createAccountFrame();
    QWidget* createSecurityFrame();
    void createSignInRow(QGridLayout* grid, int row);
    QLineEdit* addField(QGridLayout* grid, int row, const QString& name, const QString& label,
                        const QString& hint);
    void createSecurityRow(QGridLayout* grid, int row, const QString& label, const QString& prefix);
    QLayout* createButtons();
    void wire();

    void openAccounts();
    void fillAccountList();
    void showForm(const AccountForm& form);
    AccountForm currentForm() const;
    void applyLayout();
    void updateSecurityControls();
    void updateSignInControls();
    void authChosen(int index);
    void signInClicked();

    void accountChosen(int index);
    void newClicked();
    void editClicked();
    void deleteClicked();
    void okClicked();
    void cancelClicked();
    void checkClicked();

    widgets::WindowPrompts m_prompts;
    AccountManager m_manager;
    ConnectionTest m_connectionTest;
    AccountSignIn m_signIn;
    DesktopBrowser m_desktopBrowser;
    platform::auth::BrowserOpener* m_browser = &m_desktopBrowser;
    QString m_currentAccount;

    QLabel* m_userLabel = nullptr;
    QComboBox* m_accounts = nullptr;
    QLabel* m_userNameLabel = nullptr;
    QLineEdit* m_userName = nullptr;
    QLineEdit* m_loginName = nullptr;
    QLineEdit* m_mailAddress = nullptr;
    QLineEdit* m_smtp = nullptr;
    QLineEdit* m_pop = nullptr;
    QLineEdit* m_senderName = nullptr;
    QLineEdit* m_password = nullptr;
    QComboBox* m_auth = nullptr;       ///< "パスワード" or a provider
    QPushButton* m_signInButton = nullptr;
    QLabel* m_signInNote = nullptr;    ///< what is missing for a sign-in, or where secrets are kept
    QCheckBox* m_apop = nullptr;
    QCheckBox* m_smtpPortGiven = nullptr;
    NumberBox* m_smtpPort = nullptr;
    QCheckBox* m_popPortGiven = nullptr;
    NumberBox* m_popPort = nullptr;
    QComboBox* m_popSecurity = nullptr;
    QCheckBox* m_popPlain = nullptr;
    QComboBox* m_smtpSecurity = nullptr;
    QCheckBox* m_smtpPlain = nullptr;
    QLabel* m_plainWarning = nullptr; ///< shown while a password may go in clear text
    QPushButton* m_check = nullptr;
    QPushButton* m_new = nullptr;
    QPushButton* m_edit = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace fumibako::settings
