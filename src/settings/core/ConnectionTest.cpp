#include "settings/core/ConnectionTest.h"

#include "platform/UserPrompts.h"
#include "platform/mail/ConnectionCheck.h"

#include <memory>

namespace fumibako::settings {

using namespace platform::mail;

namespace {

const QString kTitle = QStringLiteral("接続テスト");

} // namespace

QString pop3ServerText(const AccountForm& form)
{
    return serverArgument(form.pop3Server.trimmed(), form.popPortGiven, form.popPortText);
}

QString smtpServerText(const AccountForm& form)
{
    return serverArgument(form.smtpServer.trimmed(), form.smtpPortGiven, form.smtpPortText);
}

ConnectionTest::ConnectionTest(platform::UserPrompts& prompts, QObject* parent) : QObject(parent), m_prompts(prompts)
{
}

bool ConnectionTest::start(const AccountForm& form, AccessTokenSource bearerToken)
{
    if (m_runner.isRunning())
        return false;
    if (form.pop3Server.trimmed().isEmpty() && form.smtpServer.trimmed().isEmpty()) {
        m_prompts.message(QStringLiteral("POPサーバーかSMTPサーバーを入力してください"), kTitle,
                          platform::Icon::Exclamation, platform::Buttons::Ok);
        return false;
    }
    const QString signInFirst = QStringLiteral("先に「サインイン」でサインインしてください");
    const bool signsIn = !form.oauthProvider.isEmpty();
    if (signsIn && !bearerToken) {
        m_prompts.message(signInFirst, kTitle, platform::Icon::Exclamation, platform::Buttons::Ok);
        return false;
    }
    const storage::AccountSecurity security = storedSecurity(form.security);
    const QString pop3 = form.pop3Server.trimmed().isEmpty() ? QString() : pop3ServerText(form);
    const QString smtp = form.smtpServer.trimmed().isEmpty() ? QString() : smtpServerText(form);
    const QString user = form.loginName;
    const QString password = form.password;
    const bool apop = form.apop;
    auto noToken = std::make_shared<bool>(false); // written on the worker, read after it ended
    auto failed = std::make_shared<bool>(false);  // the same
    const transfer::TransferRunner* runner = &m_runner;
    const auto call = [=](const ProgressCallback& shouldStop) {
        QString token;
        if (signsIn) {
            const std::optional<QString> given = bearerToken([runner] { return runner->isClosing(); });
            if (!given) {
                *noToken = true;
                return LibraryResult::ofText(signInFirst);
            }
            token = *given;
        }
        QStringList parts;
        const auto add = [&parts, &failed](const QString& label, const ConnectionReport& report) {
            parts << describeConnectionReport(label, report);
            *failed = *failed || !connectionSucceeded(report);
        };
        if (!pop3.isEmpty())
            add(QStringLiteral("POPサーバー"),
                signsIn ? checkPop3BearerConnection(pop3, user, token, security.pop3, shouldStop)
                        : checkPop3Connection(pop3, user, password, apop, security.pop3, shouldStop));
        if (!smtp.isEmpty())
            add(QStringLiteral("SMTPサーバー"),
                checkSmtpConnection(smtp, SmtpLogin{user, signsIn ? QString() : password, security.smtp, token},
                                    shouldStop));
        return LibraryResult::ofText(parts.join(QStringLiteral("\r\n\r\n")));
    };
    return m_runner.start(call, [this, noToken, failed](const LibraryResult& result) {
        const bool warn = *noToken || *failed;
        m_prompts.message(result.text, kTitle, warn ? platform::Icon::Exclamation : platform::Icon::Information,
                          platform::Buttons::Ok);
        Q_EMIT finished();
    });
}

} // namespace fumibako::settings
