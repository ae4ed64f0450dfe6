#include "settings/core/AccountManager.h"

#include "platform/UserPrompts.h"
#include "settings/core/AccountNames.h"
#include "settings/core/NumberBoxRule.h"
#include "storage/AccountSecrets.h"
#include "storage/OAuthProviderFile.h"
#include "storage/ProfileStore.h"
#include "transfer/AccountLogin.h"

#include <QFile>
#include <QFileInfo>

namespace fumibako::settings {

using platform::Answer;
using platform::Buttons;
using platform::Icon;

namespace {

const QString kProperty = QStringLiteral("Property");
const QString kSaveFailed = QStringLiteral("保存失敗に失敗しました");

QString flag(bool set)
{
    return set ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

bool plainLoginSelectable(platform::mail::ConnectionSecurity mode)
{
    return mode == platform::mail::ConnectionSecurity::Automatic;
}

storage::AccountSecurity storedSecurity(const storage::AccountSecurity& security)
{
    storage::AccountSecurity stored = security;
    stored.pop3.allowPlainLogin = stored.pop3.allowPlainLogin && plainLoginSelectable(stored.pop3.mode);
    stored.smtp.allowPlainLogin = stored.smtp.allowPlainLogin && plainLoginSelectable(stored.smtp.mode);
    return stored;
}

QStringList propertyLines(const AccountForm& form, const storage::FillerSource& filler)
{
    return {QStringLiteral("AccName=") + form.loginName,
            QStringLiteral("MailAddress=") + form.mailAddress,
            QStringLiteral("SMTPServer=") + form.smtpServer,
            QStringLiteral("POP3Server=") + form.pop3Server,
            QStringLiteral("Name=") + form.senderName,
            QStringLiteral("Password=") + storage::scramblePassword(form.password, form.senderName, filler),
            QStringLiteral("APOP=") + flag(form.apop),
            QStringLiteral("SMTPport=") + flag(form.smtpPortGiven),
            QStringLiteral("SportNum=") + form.smtpPortText,
            QStringLiteral("POPport=") + flag(form.popPortGiven),
            QStringLiteral("PportNum=") + form.popPortText};
}

QStringList newAccountEnvironmentLines()
{
    return {QStringLiteral("KidouJusin=0"), QStringLiteral("MailHozon=0"),    QStringLiteral("MailJusin=1"),
            QStringLiteral("AutoPOP=0"),    QStringLiteral("AutoPOPTime=3"),  QStringLiteral("MailSound=0"),
            QStringLiteral("MailSoundPath="), QStringLiteral("Syomei=0"),     QStringLiteral("GridLine=0")};
}

AccountForm applyProvider(AccountForm form, const platform::auth::OAuthProvider& provider)
{
    form.oauthProvider = provider.name;
    form.apop = false;
    const auto fill = [](const platform::auth::ServerPreset& preset, QString& host, bool& portGiven, QString& portText,
                         platform::mail::ServerSecurity& security) {
        if (preset.host.isEmpty())
            return;
        host = preset.host;
        portGiven = true;
        portText = QString::number(preset.port);
        security = {preset.security, false};
    };
    fill(provider.pop3, form.pop3Server, form.popPortGiven, form.popPortText, form.security.pop3);
    fill(provider.smtp, form.smtpServer, form.smtpPortGiven, form.smtpPortText, form.security.smtp);
    if (form.loginName.trimmed().isEmpty())
        form.loginName = form.mailAddress.trimmed();
    return form;
}

AccountForm readAccountForm(const QString& userFile)
{
    const storage::AccountProperties p = storage::readAccountProperties(userFile);
    AccountForm form;
    form.loginName = p.loginName;
    form.mailAddress = p.mailAddress;
    form.smtpServer = p.smtpServer;
    form.pop3Server = p.pop3Server;
    form.senderName = p.senderName;
    form.password = p.password;
    form.apop = p.apop == 1;
    form.smtpPortGiven = p.smtpPortGiven == 1;
    form.smtpPortText = QString::number(p.smtpPort);
    form.popPortGiven = p.popPortGiven == 1;
    form.popPortText = QString::number(p.popPort);
    form.security = p.security;
    form.oauthProvider = p.oauthProvider;
    return form;
}

AccountManager::AccountManager(const QString& programDir, platform::UserPrompts& prompts)
    : m_programDir(programDir), m_registryFile(programDir + QStringLiteral("AName.ini")), m_prompts(prompts)
{
}

QString AccountManager::userFileOf(const QString& name) const
{
    return m_programDir + name + QStringLiteral(".ini");
}

void AccountManager::open(const QString& currentAccount)
{
    m_mainAccount = currentAccount;
    m_mode = AccountMode::View;
    m_accounts.clear();
    for (const QString& name : readAccountRegistry(m_registryFile)) {
        if (!name.isEmpty() && QFileInfo::exists(userFileOf(name)))
            m_accounts.append(name);
    }
    m_shown = m_accounts.isEmpty() ? -1 : std::max<int>(0, m_accounts.indexOf(currentAccount));
    m_selectedAccount = shownAccount();
    if (m_accounts.isEmpty())
        m_mode = AccountMode::New;
}

QString AccountManager::shownAccount() const
{
    return m_shown >= 0 && m_shown < m_accounts.size() ? m_accounts.at(m_shown) : QString();
}

AccountManagerLayout AccountManager::layout() const
{
    AccountManagerLayout layout;
    layout.accountListShown = !m_accounts.isEmpty();
    if (m_mode == AccountMode::View) {
        layout.cancelCaption = QStringLiteral("閉じる");
        layout.cancelCloses = true;
        return layout;
    }
    layout.fieldsEnabled = true;
    layout.userNameShown = m_mode == AccountMode::New;
    layout.okEnabled = true;
    layout.listEnabled = false;
    layout.editEnabled = false;
    layout.cancelCloses = m_shown < 0;
    layout.cancelCaption = layout.cancelCloses ? QStringLiteral("閉じる") : QStringLiteral("キャンセル");
    return layout;
}

AccountForm AccountManager::showAccount(int index)
{
    if (index < 0 || index >= m_accounts.size())
        return {};
    m_shown = index;
    m_selectedAccount = shownAccount();
    return readAccountForm(userFileOf(shownAccount()));
}

AccountForm AccountManager::startNew(const AccountForm& shown)
{
    m_mode = AccountMode::New;
    m_pendingSignIn.reset();
    AccountForm form;
    form.apop = shown.apop;
    form.smtpPortGiven = shown.smtpPortGiven;
    form.smtpPortText = shown.smtpPortText;
    form.popPortGiven = shown.popPortGiven;
    form.popPortText = shown.popPortText;
    form.security = shown.security;
    return form;
}

void AccountManager::startEdit()
{
    if (m_shown >= 0)
        m_mode = AccountMode::Edit;
}

bool AccountManager::cancel()
{
    if (layout().cancelCloses)
        return true;
    m_mode = AccountMode::View;
    return false;
}

int AccountManager::accountAfterCancel() const
{
    const int main = m_accounts.indexOf(m_mainAccount);
    return main >= 0 ? main : m_shown;
}

void AccountManager::popPortChanged()
{
    m_selectedAccount = shownAccount();
}

bool AccountManager::confirm(const AccountForm& form)
{
    switch (m_mode) {
    case AccountMode::View:
        return false;
    case AccountMode::New:
        // What the user typed stays in the boxes, and in this mode, until it could be saved.
        if (!checkNewAccountName(form.userName, m_accounts, m_prompts) || !checkPorts(form) || !createAccount(form))
            return false;
        break;
    case AccountMode::Edit:
        if (!checkPorts(form))
            return false;
        if (!saveShownAccount(form)) {
            m_mode = AccountMode::View;
            return false;
        }
        break;
    }
    m_mode = AccountMode::View;
    return true;
}

bool AccountManager::checkPorts(const AccountForm& form)
{
    if ((!form.smtpPortGiven || portInRange(form.smtpPortText)) && (!form.popPortGiven || portInRange(form.popPortText)))
        return true;
    m_prompts.message(QStringLiteral("ポート番号は1から65535までの数で指定してください"), QStringLiteral("ポート番号"),
                      Icon::Exclamation, Buttons::Ok);
    return false;
}

QList<platform::auth::OAuthProvider> AccountManager::providers() const
{
    return storage::loadOAuthProviders(m_programDir);
}

std::optional<platform::auth::OAuthProvider> AccountManager::provider(const QString& name) const
{
    return storage::findOAuthProvider(m_programDir, name);
}

QString AccountManager::signInNote(const QString& providerName) const
{
    if (!providerName.isEmpty()) {
        const std::optional<platform::auth::OAuthProvider> chosen = provider(providerName);
        if (!chosen)
            return QStringLiteral("サインイン先「%1」がありません（%2 を確認してください）")
                .arg(providerName, storage::kOAuthProviderFile);
        if (const QString problem = platform::auth::providerProblem(*chosen); !problem.isEmpty())
            return problem;
    }
    return storage::secretPlaceText(storage::secretPlace(m_programDir));
}

bool AccountManager::signedIn(const platform::auth::OAuthTokens& tokens)
{
    if (m_mode == AccountMode::New) {
        m_pendingSignIn = tokens;
        return true;
    }
    return !shownAccount().isEmpty() && transfer::keepSignIn(userFileOf(shownAccount()), tokens);
}

AccessTokenSource AccountManager::accessTokenForCheck(const AccountForm& form) const
{
    if (m_mode == AccountMode::New) {
        if (!m_pendingSignIn)
            return {};
        return [token = m_pendingSignIn->accessToken](const platform::auth::GiveUp&) { return std::optional<QString>(token); };
    }
    if (shownAccount().isEmpty())
        return {};
    return [userFile = userFileOf(shownAccount()), provider = form.oauthProvider](const platform::auth::GiveUp& giveUp) {
        const transfer::AccessTokenAnswer answer = transfer::accessTokenFor(userFile, provider, false, giveUp);
        return answer.status == transfer::TokenStatus::Ok ? std::optional<QString>(answer.token) : std::nullopt;
    };
}

bool AccountManager::writeAccount(const QString& file, const AccountForm& form, bool newAccount)
{
    // The password goes to the keyring when one answers; the file then keeps an empty value.
    const bool toKeyring = storage::secretPlace(m_programDir) == storage::SecretPlace::Keyring;
    AccountForm inFile = form;
    if (toKeyring)
        inFile.password.clear();
    bool written = false;
    {
        storage::ProfileWriteBatch batch;
        written = storage::IniWriteSection(kProperty, file, propertyLines(inFile));
        if (newAccount)
            written = storage::IniWriteSection(QStringLiteral("Kankyou"), file, newAccountEnvironmentLines()) && written;
        written = storage::writeAccountSecurity(file, storedSecurity(form.security)) && written;
        if (form.oauthProvider != storage::readAccountProvider(file)) // a password account gets no section
            written = storage::writeAccountProvider(file, form.oauthProvider) && written;
        written = batch.commit() && written;
    }
    if (written && toKeyring)
        written = storage::storeAccountSecret(file, storage::AccountSecret::Password, form.password);
    if (written)
        transfer::forgetAccessToken(file); // the provider or the login may have changed
    return written;
}

bool AccountManager::createAccount(const AccountForm& form)
{
    const QString file = userFileOf(form.userName);
    const bool existed = QFileInfo::exists(file);
    const bool written = writeAccount(file, form, true);
    if (!written) {
        m_prompts.message(kSaveFailed, QString(), Icon::None, Buttons::Ok);
        return false;
    }
    if (!writeAccountRegistry(m_registryFile, QStringList(m_accounts) << form.userName)) {
        // Not listed, so not an account: the file made for it goes again.
        if (!existed)
            QFile::remove(file);
        m_prompts.message(QStringLiteral("INIファイル保存に失敗しました"), QString(), Icon::None, Buttons::Ok);
        return false;
    }
    if (m_pendingSignIn && !form.oauthProvider.isEmpty())
        transfer::keepSignIn(file, *m_pendingSignIn);
    m_pendingSignIn.reset();
    return true;
}

bool AccountManager::saveShownAccount(const AccountForm& form)
{
    const bool written = writeAccount(userFileOf(shownAccount()), form, false);
    if (!written)
        m_prompts.message(kSaveFailed, QString(), Icon::None, Buttons::Ok);
    return written;
}

bool AccountManager::deleteShown()
{
    const QString name = shownAccount();
    if (name.isEmpty())
        return false;
    if (m_prompts.message(QStringLiteral("本当に削除してもよろしいですか？"), QStringLiteral("ユーザーを削除します"),
                          Icon::Exclamation, Buttons::YesNo)
        != Answer::Yes)
        return false;
    QStringList remaining = m_accounts;
    remaining.removeAt(m_shown);
    if (!writeAccountRegistry(m_registryFile, remaining)) {
        m_prompts.message(QStringLiteral("削除に失敗しました"), QString(), Icon::None, Buttons::Ok);
        return false;
    }
    const QString file = userFileOf(name);
    storage::forgetKeyringSecrets(file);
    transfer::forgetAccessToken(file);
    if (QFile::remove(file))
        return true;
    m_prompts.message(file + QStringLiteral(" は、削除できませんでした。"), QStringLiteral("ファイル削除"),
                      Icon::Information, Buttons::Ok);
    // The registry no longer lists it: the dialog goes on without it.
    open(m_mainAccount);
    return false;
}

} // namespace fumibako::settings
