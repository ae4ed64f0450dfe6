// Signing in with OAuth 2.0 and using the sign-in, against real servers: the authorization server of
// oauth_server.py (PKCE, refresh, revocation, introspection), Dovecot taking POP3 AUTH XOAUTH2
// through its oauth2 passdb (root only), aiosmtpd taking AUTH XOAUTH2; the tool run as a process
// and the transfer core in this one. The browser is an HTTP client following the printed address.
#include "MailServers.h"

#include "platform/UserPrompts.h"
#include "platform/auth/BrowserOpener.h"
#include "platform/mail/ConnectionCheck.h"
#include "platform/mail/MailLibrary.h"
#include "storage/AccountSecrets.h"
#include "storage/AddressHistory.h"
#include "storage/DataDirectory.h"
#include "storage/FolderTree.h"
#include "storage/OAuthProviderFile.h"
#include "storage/ProfileStore.h"
#include "support/FollowingBrowser.h"
#include "support/RecordingPrompts.h"
#include "support/TestFiles.h"
#include "support/ToolRun.h"
#include "transfer/AccountLogin.h"
#include "transfer/OperationGuard.h"
#include "transfer/OutgoingMailFile.h"
#include "transfer/Receiving.h"
#include "transfer/Sending.h"
#include "SendTestSupport.h"
#include "transfer/StoredMail.h"
#include "transfer/TransferRunner.h"
#include "ScriptedReceiveUi.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonObject>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QUrlQuery>
#include <QTest>

using namespace fumibako;
using namespace fumibako::test;
using platform::auth::OAuthOutcome;

namespace {

const QString kAccount = QStringLiteral("taro");

int counter(const QJsonObject& stats, const char* name)
{
    return stats.value(QLatin1String(name)).toInt();
}

} // namespace

class TestOAuthSignIn : public QObject {
    Q_OBJECT

    OAuthServer m_oauth;
    MailServers m_servers;
    bool m_pop3Up = false;
    bool m_smtpUp = false;
    std::unique_ptr<QTemporaryDir> m_data;

    QString dir() const { return m_data->path() + QLatin1Char('/'); }
    storage::AccountPaths paths() const { return storage::AccountPaths::make(dir(), kAccount); }
    QString userFile() const { return paths().userFile; }

    // Runs "signin" with the tool, sending @p browser to the address it prints.
    ToolRun signInWithTool(FollowingBrowser& browser)
    {
        QProcess process;
        process.start(qEnvironmentVariable("FUMIBAKO_TOOL"), {QStringLiteral("--data-dir"), dir(), QStringLiteral("signin"), kAccount});
        QByteArray out;
        const QDeadlineTimer deadline(30000);
        while (process.state() != QProcess::NotRunning && !deadline.hasExpired()) {
            QTest::qWait(20); // the browser's requests run on this thread's event loop
            out += process.readAllStandardOutput();
            for (const QByteArray& line : out.split('\n')) {
                if (line.startsWith("http") && browser.opened.isEmpty())
                    browser.openUrl(QUrl(QString::fromUtf8(line.trimmed())));
            }
        }
        process.waitForFinished(1000);
        ToolRun run;
        run.exitCode = process.state() == QProcess::NotRunning ? process.exitCode() : -1;
        run.out = QString::fromUtf8(out + process.readAllStandardOutput());
        run.err = QString::fromUtf8(process.readAllStandardError());
        return run;
    }

    // Signs the account in within this process, as the account manager does.
    void signInHere()
    {
        FollowingBrowser browser;
        const std::optional<platform::auth::OAuthProvider> provider =
            storage::findOAuthProvider(dir(), QStringLiteral("Test"));
        QVERIFY(provider);
        const platform::auth::OAuthResult result = platform::auth::signInAndWait(*provider, browser, QString(), 20);
        QCOMPARE(int(result.outcome), int(OAuthOutcome::Granted));
        QVERIFY(transfer::keepSignIn(userFile(), result.tokens));
    }

    void queueOutgoing(const QString& subject)
    {
        transfer::CurrentMail mail;
        mail.to = QStringLiteral("hanako@example.jp");
        mail.subject = subject;
        mail.body = QStringLiteral("本文");
        mail.mailPath = paths().outputDir;
        mail.mailName = QStringLiteral("20261205100000.txt");
        QVERIFY(transfer::WriteOutgoingFile(mail));
        storage::IniWriteString(storage::FixedFolder::Outbox, mail.mailName,
                                QStringLiteral("000\thanako@example.jp\t") + subject + QStringLiteral("\t2026/12/05 10:00:00"),
                                paths().outgoingIndexFile);
    }

    // One receive of the account in this process; the prompts say what was shown.
    transfer::ReceiveResult receiveHere(RecordingPrompts& prompts)
    {
        storage::AccountProperties properties = storage::readAccountProperties(userFile());
        transfer::ReceiveAccount account;
        account.paths = paths();
        account.properties = &properties;
        account.workDir = dir();
        transfer::OperationGuard guard(prompts);
        ScriptedReceiveUi ui;
        transfer::CurrentMail mail;
        transfer::Receiver receiver(guard, prompts, ui, mail);
        receiver.setAccount(account);
        return transfer::runServerCommandAndWait(receiver, transfer::ServerMode::SaveAll, QString());
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_oauth.start());
        m_servers.acceptBearerTokens(m_oauth.url(QStringLiteral("/introspect")));
        const int running = m_servers.startPop3AndSmtp(5);
        m_pop3Up = running & MailServers::Pop3;
        m_smtpUp = running & MailServers::Smtp;
    }

    void init()
    {
        m_data = std::make_unique<QTemporaryDir>();
        QVERIFY(m_oauth.control({{"authorize", "approve"}, {"access_lifetime", 3600}, {"reported_lifetime", QJsonValue()},
                                 {"rotate_refresh", true}, {"refresh_delay", 0}}));
        storage::clearProfileCache();
        writeBytes(dir() + QStringLiteral("OAuth2.ini"), m_oauth.providerSection());
        writeBytes(dir() + QStringLiteral("AName.ini"), cp932Lines(QStringLiteral("[AName]\nCount=1\n0=taro\n")));
        // POP3 over STLS and SMTP over STARTTLS, both required: the token never goes in clear.
        writeBytes(userFile(), cp932Lines(QStringLiteral("[Property]\nAccName=taro\nMailAddress=taro@example.jp\n"
                                                         "SMTPServer=127.0.0.1\nPOP3Server=127.0.0.1\nName=太郎\n"
                                                         "SMTPport=1\nSportNum=%1\nPOPport=1\nPportNum=%2\n"
                                                         "[Security]\nPOP3Security=2\nSMTPSecurity=2\n"
                                                         "[OAuth2]\nProvider=Test\n")
                                               .arg(m_servers.submissionPort())
                                               .arg(m_servers.pop3Port())));
        storage::prepareAccountDirs(dir(), kAccount);
        transfer::forgetAccessToken(userFile());
        platform::auth::setSystemBrowser(nullptr);
    }

    void toolSignIn_data()
    {
        QTest::addColumn<QString>("authorize");
        QTest::addColumn<bool>("wrongState");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("said");
        QTest::newRow("approved") << "approve" << false << 0 << "サインインしました。";
        QTest::newRow("access denied") << "deny" << false << 1
                                       << "サインインは認められませんでした（access_denied: the user said no）";
        QTest::newRow("redirect with another state")
            << "approve" << true << 1 << "このサインインのものではない応答が届いたため、受け付けませんでした";
    }
    void toolSignIn()
    {
        QFETCH(QString, authorize);
        QFETCH(bool, wrongState);
        QFETCH(int, exitCode);
        QFETCH(QString, said);
        QVERIFY(m_oauth.control({{"authorize", authorize}}));
        FollowingBrowser browser;
        browser.redirect = wrongState ? FollowingBrowser::Redirect::WrongState : FollowingBrowser::Redirect::AsGiven;
        const int grantsBefore = counter(m_oauth.stats(), "code_grants");
        const ToolRun run = signInWithTool(browser);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2((run.out + run.err).contains(said), qPrintable(run.out + run.err));
        // The tokens never reach the output; the refresh token reaches the store only when granted.
        const QString refreshToken = storage::readAccountSecret(userFile(), storage::AccountSecret::RefreshToken);
        QCOMPARE(refreshToken.startsWith(QLatin1String("rt-")), exitCode == 0);
        QVERIFY(!run.out.contains(QLatin1String("rt-")) && !run.out.contains(QLatin1String("at-")));
        QVERIFY(!readBytes(userFile()).contains("rt-"));
        QCOMPARE(counter(m_oauth.stats(), "code_grants") - grantsBefore, exitCode == 0 ? 1 : 0);
    }

    void toolReceivesAndSends()
    {
        FollowingBrowser browser;
        QCOMPARE(signInWithTool(browser).exitCode, 0);
        if (m_pop3Up) {
            QVERIFY(m_servers.seedMailbox(kAccount, MailServers::seedMessages()));
            const ToolRun received = runTool({QStringLiteral("--data-dir"), dir(), QStringLiteral("receive"), kAccount,
                                              QStringLiteral("--method"), QStringLiteral("1")});
            QVERIFY2(received.exitCode == 0, qPrintable(received.err));
            QCOMPARE(received.out.trimmed(), QStringLiteral("新着メールあり"));
            QCOMPARE(QDir(paths().inputDir).entryList(QDir::Files).size(), 3);
        }
        if (!m_smtpUp)
            QSKIP("no SMTP fixture");
        m_servers.takeReceived();
        queueOutgoing(QStringLiteral("by XOAUTH2"));
        const ToolRun sent = runTool({QStringLiteral("--data-dir"), dir(), QStringLiteral("send"), kAccount});
        QVERIFY2(sent.exitCode == 0, qPrintable(sent.err));
        const QList<ReceivedMail> mail = m_servers.takeReceived();
        QCOMPARE(mail.size(), 1);
        QCOMPARE(mail.first().envelope.value(QStringLiteral("auth_user")).toString(), kAccount);
        QCOMPARE(mail.first().envelope.value(QStringLiteral("listener")).toString(), QStringLiteral("submission"));
        QVERIFY(mail.first().envelope.value(QStringLiteral("tls")).toBool());
        if (!m_pop3Up)
            QSKIP("no POP3 fixture (needs root)");
    }

    void tokenRenewedSilently_data()
    {
        QTest::addColumn<bool>("sending");
        QTest::addColumn<bool>("refusedByServer"); // else: its lifetime says it has ended
        QTest::newRow("receiving, lifetime ended") << false << false;
        QTest::newRow("receiving, refused by the server") << false << true;
        QTest::newRow("sending, refused by the server") << true << true;
    }
    void tokenRenewedSilently()
    {
        QFETCH(bool, sending);
        QFETCH(bool, refusedByServer);
        if ((sending && !m_smtpUp) || (!sending && !m_pop3Up))
            QSKIP("no mail server fixture for this (POP3 needs root)");
        // Half a minute is too little to use: renewed before the login.
        QVERIFY(m_oauth.control({{"reported_lifetime", refusedByServer ? 3600 : 30}}));
        signInHere();
        if (refusedByServer)
            QVERIFY(m_oauth.control({{"expire_access_tokens", true}}));
        const int refreshesBefore = counter(m_oauth.stats(), "refreshes");
        RecordingPrompts prompts;
        if (sending) {
            m_servers.takeReceived();
            storage::AccountProperties properties = storage::readAccountProperties(userFile());
            storage::AddressHistories histories;
            const storage::AccountPaths accountPaths = paths();
            transfer::SendContext context{properties, accountPaths, histories, prompts};
            transfer::CurrentMail mail;
            mail.to = QStringLiteral("hanako@example.jp");
            mail.subject = QStringLiteral("renewed");
            QCOMPARE(test::sendAndWait(mail, context), transfer::SendOutcome::Sent);
            QCOMPARE(m_servers.takeReceived().size(), 1);
        } else {
            QVERIFY(m_servers.seedMailbox(kAccount, {MailServers::seedMessage(QStringLiteral("1.eml"))}));
            QCOMPARE(receiveHere(prompts), transfer::ReceiveResult::NewMail);
        }
        QCOMPARE(counter(m_oauth.stats(), "refreshes"), refreshesBefore + 1);
        QVERIFY(prompts.messages.isEmpty());
        // The provider handed out a new refresh token: it replaced the old one, which is void now.
        QVERIFY(m_oauth.control({{"expire_access_tokens", true}}));
        transfer::forgetAccessToken(userFile());
        QCOMPARE(transfer::accessTokenFor(userFile(), QStringLiteral("Test")).status, transfer::TokenStatus::Ok);
    }

    // The renewal waits on a worker: the command returns at once and this thread's timers keep
    // their pace until the transfer ends.
    void tokenRenewedOffThisThread_data()
    {
        QTest::addColumn<bool>("sending");
        QTest::newRow("receiving") << false;
        QTest::newRow("sending") << true;
    }
    void tokenRenewedOffThisThread()
    {
        QFETCH(bool, sending);
        if ((sending && !m_smtpUp) || (!sending && !m_pop3Up))
            QSKIP("no mail server fixture for this (POP3 needs root)");
        signInHere();
        transfer::forgetAccessToken(userFile());
        constexpr double kDelaySeconds = 1.5;
        QVERIFY(m_oauth.control({{"refresh_delay", kDelaySeconds}}));
        const int refreshesBefore = counter(m_oauth.stats(), "refreshes");

        RecordingPrompts prompts;
        storage::AccountProperties properties = storage::readAccountProperties(userFile());
        const storage::AccountPaths accountPaths = paths();
        storage::AddressHistories histories;
        transfer::SendContext context{properties, accountPaths, histories, prompts};
        transfer::CurrentMail mail;
        mail.to = QStringLiteral("hanako@example.jp");
        mail.subject = QStringLiteral("renewed meanwhile");
        transfer::ReceiveAccount account;
        account.paths = accountPaths;
        account.properties = &properties;
        account.workDir = dir();
        transfer::OperationGuard guard(prompts);
        ScriptedReceiveUi ui;
        transfer::Receiver receiver(guard, prompts, ui, mail);
        receiver.setAccount(account);
        transfer::Sender sender;
        if (sending)
            m_servers.takeReceived();
        else
            QVERIFY(m_servers.seedMailbox(kAccount, {MailServers::seedMessage(QStringLiteral("1.eml"))}));

        QElapsedTimer sinceTick;
        qint64 longestPause = 0;
        QTimer ticker;
        ticker.setInterval(20);
        connect(&ticker, &QTimer::timeout, this, [&] {
            longestPause = std::max(longestPause, sinceTick.restart());
        });
        std::optional<bool> succeeded; // set when the command ended
        QElapsedTimer clock;
        clock.start();
        if (sending) {
            sender.SendCurrentMail(mail, context,
                                   [&](transfer::SendOutcome sent) { succeeded = sent == transfer::SendOutcome::Sent; });
        } else {
            receiver.RunServerCommand(transfer::ServerMode::SaveAll, QString(), [&](transfer::ReceiveResult result) {
                succeeded = result == transfer::ReceiveResult::NewMail;
            });
        }
        const qint64 startTook = clock.elapsed();
        sinceTick.start();
        ticker.start();
        QTRY_VERIFY_WITH_TIMEOUT(succeeded.has_value(), 20000);
        ticker.stop();
        QVERIFY2(*succeeded, qPrintable(prompts.messages.isEmpty() ? QString() : prompts.messages.first().text));

        QVERIFY2(startTook < 500, qPrintable(QStringLiteral("the command held this thread %1 ms").arg(startTook)));
        QVERIFY(clock.elapsed() >= kDelaySeconds * 1000);
        QVERIFY2(longestPause < 500, qPrintable(QStringLiteral("a pause of %1 ms").arg(longestPause)));
        QCOMPARE(counter(m_oauth.stats(), "refreshes"), refreshesBefore + 1);
        QVERIFY(prompts.messages.isEmpty());
        if (sending)
            QCOMPARE(m_servers.takeReceived().size(), 1);
    }

    void revokedSignInTold()
    {
        if (!m_pop3Up)
            QSKIP("no POP3 fixture (needs root)");
        FollowingBrowser browser;
        QCOMPARE(signInWithTool(browser).exitCode, 0);
        QVERIFY(m_oauth.control({{"revoke_all", true}}));
        const ToolRun run = runTool({QStringLiteral("--data-dir"), dir(), QStringLiteral("receive"), kAccount,
                                     QStringLiteral("--method"), QStringLiteral("1")});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains(QStringLiteral("アカウント「taro」のサインインが無効になりました（取り消されたか、期限が切れました: invalid_grant）。")),
                 qPrintable(run.err));
        QVERIFY(run.err.contains(QStringLiteral("fumibako-tool signin taro でサインインしてください")));
        QCOMPARE(run.out.trimmed(), QStringLiteral("エラー"));
    }

    // A lapsed sign-in renewed in the browser waits for it without a loop of its own: this thread
    // goes on meanwhile, and a runner destroyed first ends the sign-in (its listener closed) and
    // drops the callback.
    void browserSignInEndsWithItsRunner()
    {
        signInHere();
        QVERIFY(m_oauth.control({{"revoke_all", true}}));
        transfer::forgetAccessToken(userFile());
        struct WaitingBrowser : platform::auth::BrowserOpener {
            QList<QUrl> opened;
            bool openUrl(const QUrl& url) override
            {
                opened.append(url);
                return true;
            }
        } browser;
        platform::auth::setSystemBrowser(&browser);
        RecordingPrompts prompts;
        prompts.answerNext(platform::Answer::Yes);
        auto runner = std::make_unique<transfer::TransferRunner>();
        bool called = false;
        transfer::tokenForTransfer(*runner, userFile(), storage::readAccountProperties(userFile()), prompts, false,
                                   [&called](const std::optional<QString>&) { called = true; });
        QTRY_COMPARE_WITH_TIMEOUT(browser.opened.size(), 1, 20000);
        platform::auth::setSystemBrowser(nullptr);
        const QUrl listener(QUrlQuery(browser.opened.first()).queryItemValue(QStringLiteral("redirect_uri"), QUrl::FullyDecoded));
        QTcpSocket probe;
        probe.connectToHost(QStringLiteral("127.0.0.1"), quint16(listener.port()));
        QVERIFY(probe.waitForConnected(5000));
        probe.abort();

        runner.reset();
        probe.connectToHost(QStringLiteral("127.0.0.1"), quint16(listener.port()));
        QVERIFY(!probe.waitForConnected(2000));
        QTest::qWait(100);
        QVERIFY(!called);
        QCOMPARE(prompts.messages.size(), 1); // the offer, nothing after it
    }

    // A runner destroyed while the renewal waits for a slow provider gives the wait up at once.
    void renewalGivenUpWithItsRunner()
    {
        signInHere();
        transfer::forgetAccessToken(userFile());
        QVERIFY(m_oauth.control({{"refresh_delay", 5}}));
        RecordingPrompts prompts;
        auto runner = std::make_unique<transfer::TransferRunner>();
        bool called = false;
        transfer::tokenForTransfer(*runner, userFile(), storage::readAccountProperties(userFile()), prompts, false,
                                   [&called](const std::optional<QString>&) { called = true; });
        QTest::qWait(300);
        QVERIFY(runner->isRunning());
        QElapsedTimer closing;
        closing.start();
        runner.reset();
        QVERIFY2(closing.elapsed() < 1000, qPrintable(QStringLiteral("closing took %1 ms").arg(closing.elapsed())));
        QVERIFY(m_oauth.control({{"refresh_delay", 0}}));
        QTest::qWait(100);
        QVERIFY(!called);
        QVERIFY(prompts.messages.isEmpty());
    }

    void revokedSignInRenewedWhenAccepted()
    {
        if (!m_pop3Up)
            QSKIP("no POP3 fixture (needs root)");
        signInHere();
        QVERIFY(m_oauth.control({{"revoke_all", true}}));
        FollowingBrowser browser;
        platform::auth::setSystemBrowser(&browser);
        QVERIFY(m_servers.seedMailbox(kAccount, {MailServers::seedMessage(QStringLiteral("1.eml"))}));
        RecordingPrompts prompts;
        prompts.answerNext(platform::Answer::Yes);
        const transfer::ReceiveResult code = receiveHere(prompts);
        platform::auth::setSystemBrowser(nullptr);
        QCOMPARE(code, transfer::ReceiveResult::NewMail);
        QCOMPARE(prompts.messages.size(), 1);
        QVERIFY(prompts.messages.first().text.endsWith(QStringLiteral("\r\nもう一度サインインしますか？")));
        QCOMPARE(prompts.messages.first().buttons, platform::Buttons::YesNo);
        QCOMPARE(browser.opened.size(), 1);
    }

    void connectionTestLogsInWithTheToken()
    {
        if (!m_pop3Up)
            QSKIP("no POP3 fixture (needs root)");
        signInHere();
        const transfer::AccessTokenAnswer token = transfer::accessTokenFor(userFile(), QStringLiteral("Test"));
        QCOMPARE(token.status, transfer::TokenStatus::Ok);
        using platform::mail::ConnectionSecurity;
        const platform::mail::ConnectionReport pop3 = platform::mail::checkPop3BearerConnection(
            QStringLiteral("127.0.0.1\t%1").arg(m_servers.pop3sPort()), kAccount, token.token, {ConnectionSecurity::Tls, false});
        const platform::mail::ConnectionReport smtp = platform::mail::checkSmtpConnection(
            QStringLiteral("127.0.0.1\t%1").arg(m_servers.submissionPort()),
            {kAccount, QString(), {ConnectionSecurity::StartTls, false}, token.token});
        QVERIFY2(pop3.loginAccepted, qPrintable(pop3.serverReply + pop3.failure));
        QVERIFY2(smtp.loginAccepted, qPrintable(smtp.serverReply + smtp.failure));
    }

    void tokenKeptOffServersThatCannotTakeIt_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("said");
        QTest::newRow("SMTP without XOAUTH2 (implicit TLS)")
            << "smtps" << "は OAuth 2.0 でのサインイン (XOAUTH2) に対応していません";
        QTest::newRow("SMTP with XOAUTH2 but no TLS, clear logins allowed")
            << "smtp-auth" << "サインイン（OAuth 2.0）のトークンは、暗号化した接続でしか送りません";
        QTest::newRow("POP3 without TLS, clear logins allowed")
            << "pop3-plain" << "サインイン（OAuth 2.0）のトークンは、暗号化した接続でしか送りません";
    }
    void tokenKeptOffServersThatCannotTakeIt()
    {
        QFETCH(QString, server);
        QFETCH(QString, said);
        if (!m_smtpUp)
            QSKIP("no SMTP fixture");
        const int introspectionsBefore = counter(m_oauth.stats(), "introspections");
        const QString token = QStringLiteral("at-not-for-these-servers");
        QString text;
        if (server == QLatin1String("pop3-plain")) {
            BadPop3Server pop3;
            QVERIFY(pop3.start(QStringLiteral("plain")));
            platform::mail::ReceiveOptions options;
            options.security.allowPlainLogin = true;
            options.bearerToken = token;
            text = platform::mail::RcvMail2(pop3.server(), kAccount, QString(), QStringLiteral("STAT"), QString(), {},
                                            options)
                       .text;
            QVERIFY(!pop3.log().contains(QLatin1String("AUTH")));
        } else {
            const bool tls = server == QLatin1String("smtps");
            const quint16 port = tls ? m_servers.smtpsPort() : m_servers.smtpAuthPort();
            const platform::mail::SmtpLogin login{
                kAccount, QString(), {tls ? platform::mail::ConnectionSecurity::Tls : platform::mail::ConnectionSecurity::Automatic, true},
                token};
            bool refused = true;
            text = platform::mail::SendMail(QStringLiteral("127.0.0.1\t%1").arg(port), QStringLiteral("hanako@example.jp"),
                                            QStringLiteral("taro@example.jp"), QStringLiteral("s"), QStringLiteral("b\r\n"),
                                            QString(), login, {}, &refused);
            QVERIFY(!refused); // not a refusal of the token: nothing worth renewing it for
        }
        QVERIFY2(text.contains(said), qPrintable(text));
        QVERIFY(!text.contains(token));
        QCOMPARE(counter(m_oauth.stats(), "introspections"), introspectionsBefore);
    }
};

QTEST_GUILESS_MAIN(TestOAuthSignIn)
#include "test_oauth_signin.moc"
