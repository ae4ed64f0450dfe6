// The account manager's connection test against the real servers of the fixture: Dovecot POP3
// (plain with STLS, implicit TLS; root only) and aiosmtpd (plain, STARTTLS + AUTH, implicit TLS,
// AUTH without TLS).
#include "DialogDriving.h"
#include "MailServers.h"

#include "platform/mail/ConnectionCheck.h"
#include "settings/AccountManagerDialog.h"
#include "settings/NumberBox.h"
#include "support/RecordingPrompts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTemporaryDir>

using namespace fumibako;
using namespace fumibako::platform::mail;
using namespace fumibako::test;

namespace {

QString server(quint16 port)
{
    return QStringLiteral("127.0.0.1\t%1").arg(port);
}

QStringList lines(const QString& text)
{
    return text.split(QStringLiteral("\r\n"));
}

} // namespace

class TestConnectionCheck : public QObject {
    Q_OBJECT

    MailServers m_servers;
    bool m_pop3Up = false;
    bool m_smtpUp = false;

private Q_SLOTS:
    void initTestCase()
    {
        const int running = m_servers.startPop3AndSmtp(5);
        m_pop3Up = running & MailServers::Pop3;
        m_smtpUp = running & MailServers::Smtp;
    }

    void pop3_data()
    {
        QTest::addColumn<int>("port"); // 0 plain + STLS, 1 implicit TLS
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("encryption");
        QTest::addColumn<QString>("login");
        QTest::newRow("automatic takes STLS") << 0 << 0 << "secret" << "TLSv1.3（証明書は信頼できます）"
                                              << "成功しました（+OK Logged in.）";
        QTest::newRow("STARTTLS required") << 0 << 2 << "secret" << "TLSv1.3（証明書は信頼できます）"
                                           << "成功しました（+OK Logged in.）";
        QTest::newRow("TLS on its own port") << 1 << 1 << "secret" << "TLSv1.3（証明書は信頼できます）"
                                             << "成功しました（+OK Logged in.）";
        QTest::newRow("wrong password") << 1 << 1 << "wrong" << "TLSv1.3（証明書は信頼できます）"
                                        << "拒否されました（-ERR [AUTH] Authentication failed.）";
    }
    void pop3()
    {
        if (!m_pop3Up)
            QSKIP("no POP3 fixture (needs root)");
        QFETCH(int, port);
        QFETCH(int, mode);
        QFETCH(QString, password);
        QFETCH(QString, encryption);
        QFETCH(QString, login);
        const quint16 number = port == 0 ? m_servers.pop3Port() : m_servers.pop3sPort();
        const ConnectionReport report = checkPop3Connection(server(number), QStringLiteral("taro"), password, false,
                                                            {ConnectionSecurity(mode), false});
        QCOMPARE(lines(describeConnectionReport(QStringLiteral("POPサーバー"), report)),
                 (QStringList{QStringLiteral("【POPサーバー】127.0.0.1:%1").arg(number), "　接続: できました",
                              "　暗号化: " + encryption, "　ログイン: " + login}));
    }

    void untrustedCertificateSendsNoPassword()
    {
        if (!m_pop3Up)
            QSKIP("no POP3 fixture (needs root)");
        const QByteArray trusted = qgetenv("FUMIBAKO_CA_FILE");
        qunsetenv("FUMIBAKO_CA_FILE");
        const ConnectionReport report = checkPop3Connection(server(m_servers.pop3sPort()), QStringLiteral("taro"),
                                                            QStringLiteral("secret"), false,
                                                            {ConnectionSecurity::Tls, false});
        qputenv("FUMIBAKO_CA_FILE", trusted);
        QVERIFY(report.connected);
        QVERIFY(!report.certificateTrusted);
        QVERIFY(!report.loginTried);
        const QStringList shown = lines(describeConnectionReport(QStringLiteral("POPサーバー"), report));
        // The fixture's certificate signs itself.
        QCOMPARE(shown.value(2), QStringLiteral("　暗号化: できませんでした — 証明書が信頼できません: 自己署名の証明書です"));
        QCOMPARE(shown.value(3), QStringLiteral("　ログイン: 試していません"));
    }

    void smtp_data()
    {
        QTest::addColumn<int>("which"); // 0 plain, 1 submission, 2 smtps, 3 AUTH without TLS
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("plainLogin");
        QTest::addColumn<QStringList>("expected"); // lines after the heading and "接続: できました"
        const QString accepted = QStringLiteral("　ログイン: 成功しました（235 2.7.0 Authentication successful）");
        QTest::newRow("no AUTH, no TLS") << 0 << 0 << false
                                         << QStringList{"　暗号化: なし（暗号化されていない接続です）",
                                                        "　ログイン: しませんでした（サーバーが認証を求めていないか、ユーザー名が空です）"};
        QTest::newRow("STARTTLS then AUTH") << 1 << 0 << false
                                            << QStringList{"　暗号化: TLSv1.3（証明書は信頼できます）", accepted};
        QTest::newRow("implicit TLS") << 2 << 1 << false << QStringList{"　暗号化: TLSv1.3（証明書は信頼できます）", accepted};
        QTest::newRow("AUTH in clear, not allowed")
            << 3 << 0 << false
            << QStringList{"　暗号化: なし（サーバーが暗号化に対応していません）", "　ログイン: 試していません（パスワードは送っていません）",
                           "暗号化しないでログインするには、アカウントの設定で許可してください"};
        QTest::newRow("AUTH in clear, allowed") << 3 << 0 << true
                                                << QStringList{"　暗号化: なし（暗号化されていない接続です）", accepted};
    }
    void smtp()
    {
        if (!m_smtpUp)
            QSKIP("no SMTP fixture");
        QFETCH(int, which);
        QFETCH(int, mode);
        QFETCH(bool, plainLogin);
        QFETCH(QStringList, expected);
        const quint16 ports[] = {m_servers.smtpPort(), m_servers.submissionPort(), m_servers.smtpsPort(),
                                 m_servers.smtpAuthPort()};
        const ConnectionReport report = checkSmtpConnection(
            server(ports[which]), {QStringLiteral("taro"), QStringLiteral("secret"), {ConnectionSecurity(mode), plainLogin}});
        QCOMPARE(lines(describeConnectionReport(QStringLiteral("SMTPサーバー"), report)),
                 QStringList({QStringLiteral("【SMTPサーバー】127.0.0.1:%1").arg(ports[which]), QStringLiteral("　接続: できました")})
                     + expected);
    }

    void nobodyListening()
    {
        const quint16 port = freePorts(1).value(0);
        const ConnectionReport report = checkSmtpConnection(server(port), {});
        QVERIFY(!report.connected);
        const QStringList shown = lines(describeConnectionReport(QStringLiteral("SMTPサーバー"), report));
        QCOMPARE(shown.value(1), QStringLiteral("　接続: できませんでした（サーバー「127.0.0.1」のポート %1 は接続を拒否しました。"
                                                "ポート番号とサーバー名を確認してください）")
                                     .arg(port));
        QCOMPARE(shown.value(2), QStringLiteral("　サーバー名とポート番号を確認してください"));
    }

    void dialogTriesTheTypedSettings_data()
    {
        QTest::addColumn<bool>("listening");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("icon");
        QTest::newRow("logged in") << true << 3 << "　ログイン: 成功しました（235 2.7.0 Authentication successful）"
                                   << int(platform::Icon::Information);
        QTest::newRow("nobody listening") << false << 2 << "　サーバー名とポート番号を確認してください"
                                          << int(platform::Icon::Exclamation);
    }
    void dialogTriesTheTypedSettings()
    {
        QFETCH(bool, listening);
        QFETCH(int, line);
        QFETCH(QString, expected);
        QFETCH(int, icon);
        if (listening && !m_smtpUp)
            QSKIP("no SMTP fixture");
        QTemporaryDir data;
        RecordingPrompts prompts;
        settings::AccountManagerDialog dialog(data.path() + QLatin1Char('/'), QString(), &prompts, nullptr);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto* smtp = named<QLineEdit>(&dialog, "txtSMTP");
        smtp->setFocus();
        typeText(smtp, QStringLiteral("127.0.0.1"));
        click(named<QCheckBox>(&dialog, "chkSMTP"));
        const quint16 port = listening ? m_servers.submissionPort() : freePorts(1).value(0);
        retype(named<settings::NumberBox>(&dialog, "txtSMTPport"), QString::number(port));
        retype(named<QLineEdit>(&dialog, "txtAccName"), QStringLiteral("taro"));
        retype(named<QLineEdit>(&dialog, "txtPass"), QStringLiteral("secret"));
        auto* check = named<QPushButton>(&dialog, "cmdCheck");
        click(check);
        QVERIFY(!check->isEnabled()); // the window stays usable while the check runs elsewhere
        QTRY_VERIFY_WITH_TIMEOUT(check->isEnabled(), 30000);
        QCOMPARE(prompts.messages.size(), 1);
        QCOMPARE(prompts.messages.first().title, QStringLiteral("接続テスト"));
        QCOMPARE(lines(prompts.messages.first().text).value(line), expected);
        QCOMPARE(int(prompts.messages.first().icon), icon); // a failure warns
        QVERIFY(!QFileInfo::exists(data.path() + QStringLiteral("/AName.ini"))); // nothing saved
    }
};

QTEST_MAIN(TestConnectionCheck)
#include "test_connection_check.moc"
