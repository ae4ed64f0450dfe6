// The account manager's sign-in: the authentication choice, what it fills in and what it says,
// and a sign-in against the authorization server of oauth_server.py, whose address the test's
// browser follows with an HTTP client (offscreen, no keyring: secrets go to the account file).
#include "DialogDriving.h"
#include "MailServers.h"

#include "platform/auth/OAuthProvider.h"
#include "settings/AccountManagerDialog.h"
#include "settings/NumberBox.h"
#include "settings/core/AccountManager.h"
#include "storage/AccountSecrets.h"
#include "storage/ProfileStore.h"
#include "support/FollowingBrowser.h"
#include "support/RecordingPrompts.h"
#include "support/TestFiles.h"
#include "transfer/AccountLogin.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUrlQuery>

using namespace fumibako;
using namespace fumibako::settings;
using namespace fumibako::test;

namespace {

const QString kFileNote = QStringLiteral("キーリングが使えないため、パスワードとサインインの情報は、アカウントのファイルに"
                                         "読み取りにくくした形で保存します（ファイルは本人だけが読み書きできます）。");

void choose(QComboBox* box, const QString& text)
{
    const int index = box->findText(text);
    QVERIFY(index >= 0);
    box->setCurrentIndex(index);
    Q_EMIT box->activated(index); // as a choice made with the mouse or the keyboard
}

} // namespace

class TestAccountSignIn : public QObject {
    Q_OBJECT

    OAuthServer m_oauth;
    std::unique_ptr<QTemporaryDir> m_dir;
    RecordingPrompts m_prompts;

    QString dir() const { return m_dir->path() + QLatin1Char('/'); }

    // A dialog on a new account "taro" (there is none yet), its address typed.
    std::unique_ptr<AccountManagerDialog> newAccountDialog(FollowingBrowser* browser = nullptr)
    {
        auto dialog = std::make_unique<AccountManagerDialog>(dir(), QString(), &m_prompts, nullptr);
        if (browser)
            dialog->setBrowser(browser);
        dialog->show();
        if (!QTest::qWaitForWindowExposed(dialog.get()))
            return nullptr;
        named<QLineEdit>(dialog.get(), "txtUserName")->setFocus();
        typeText(named<QLineEdit>(dialog.get(), "txtUserName"), QStringLiteral("taro"));
        named<QLineEdit>(dialog.get(), "txtMailA")->setFocus();
        typeText(named<QLineEdit>(dialog.get(), "txtMailA"), QStringLiteral("taro@example.jp"));
        return dialog;
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_oauth.start()); }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_prompts = RecordingPrompts();
        storage::clearProfileCache();
        QVERIFY(m_oauth.control({{"authorize", "approve"}}));
        writeBytes(dir() + QStringLiteral("OAuth2.ini"),
                   m_oauth.providerSection()
                       + "[Remote]\r\nAuthorizationUrl=http://auth.example.jp/authorize\r\n"
                         "TokenUrl=https://auth.example.jp/token\r\nClientId=x\r\n");
    }

    void signInNotes_data()
    {
        QTest::addColumn<QString>("choice");
        QTest::addColumn<QByteArray>("googleSection"); // added to OAuth2.ini
        QTest::addColumn<QString>("note");
        QTest::newRow("password") << "" << QByteArray() << kFileNote;
        QTest::newRow("provider over http on this computer") << "Test" << QByteArray() << kFileNote;
        QTest::newRow("provider over http elsewhere")
            << "Remote" << QByteArray()
            << "「Remote」のアドレス http://auth.example.jp/authorize は使えません。https:// のアドレスにしてください"
               "（http:// はこのコンピューターの中 (127.0.0.1) だけに使えます）";
        QTest::newRow("built-in provider without a client id")
            << "Google" << QByteArray()
            << "「Google」でサインインするには、このプログラム用に登録したクライアントID（ClientId）が必要ですが、"
               "設定されていません。データフォルダーの OAuth2.ini の [Google] に書くか、ビルド時に指定してください"
               "（手順は README の「OAuth 2.0 のクライアントIDの登録」にあります）";
        QTest::newRow("client id given in OAuth2.ini") << "Google" << QByteArray("[Google]\r\nClientId=123.apps\r\n")
                                                       << kFileNote;
        QTest::newRow("provider nobody defined") << "Yahoo" << QByteArray()
                                                 << "サインイン先「Yahoo」がありません（OAuth2.ini を確認してください）";
    }
    void signInNotes()
    {
        QFETCH(QString, choice);
        QFETCH(QByteArray, googleSection);
        QFETCH(QString, note);
        if (!googleSection.isEmpty())
            writeBytes(dir() + QStringLiteral("OAuth2.ini"), readBytes(dir() + QStringLiteral("OAuth2.ini")) + googleSection);
        const AccountManager manager(dir(), m_prompts);
        QCOMPARE(manager.signInNote(choice), note);
    }

    void choosingProviderFillsServers_data()
    {
        QTest::addColumn<QString>("provider");
        QTest::addColumn<QStringList>("pop3");  // server, port, security index
        QTest::addColumn<QStringList>("smtp");
        QTest::newRow("Google") << "Google" << QStringList{"pop.gmail.com", "995", "1"}
                                << QStringList{"smtp.gmail.com", "465", "1"};
        QTest::newRow("Microsoft") << "Microsoft" << QStringList{"outlook.office365.com", "995", "1"}
                                   << QStringList{"smtp.office365.com", "587", "2"};
    }
    void choosingProviderFillsServers()
    {
        QFETCH(QString, provider);
        QFETCH(QStringList, pop3);
        QFETCH(QStringList, smtp);
        const auto dialog = newAccountDialog();
        QVERIFY(dialog);
        click(named<QCheckBox>(dialog.get(), "chkAPOP"));
        choose(named<QComboBox>(dialog.get(), "cmbAuth"), provider);
        const auto text = [&](const char* name) { return named<QLineEdit>(dialog.get(), name)->text(); };
        const auto port = [&](const char* name) { return named<NumberBox>(dialog.get(), name)->text(); };
        QCOMPARE((QStringList{text("txtPOP"), port("txtPOPport"),
                              QString::number(named<QComboBox>(dialog.get(), "cmbPOPSecurity")->currentIndex())}),
                 pop3);
        QCOMPARE((QStringList{text("txtSMTP"), port("txtSMTPport"),
                              QString::number(named<QComboBox>(dialog.get(), "cmbSMTPSecurity")->currentIndex())}),
                 smtp);
        QVERIFY(named<QCheckBox>(dialog.get(), "chkPOP")->isChecked() && named<QCheckBox>(dialog.get(), "chkSMTP")->isChecked());
        QVERIFY(!named<QCheckBox>(dialog.get(), "chkAPOP")->isChecked());
        QCOMPARE(text("txtAccName"), QStringLiteral("taro@example.jp")); // what XOAUTH2 logs in with
        QVERIFY(!named<QLineEdit>(dialog.get(), "txtPass")->isEnabled());
        // No client id in this build: the button waits, and the text says what is missing.
        QVERIFY(!named<QPushButton>(dialog.get(), "cmdSignIn")->isEnabled());
        QVERIFY(named<QLabel>(dialog.get(), "lblSignIn")->text().contains(QStringLiteral("クライアントID（ClientId）が必要")));
    }

    void signInKeptWithTheNewAccount()
    {
        FollowingBrowser browser;
        const auto dialog = newAccountDialog(&browser);
        QVERIFY(dialog);
        choose(named<QComboBox>(dialog.get(), "cmbAuth"), QStringLiteral("Test"));
        auto* signIn = named<QPushButton>(dialog.get(), "cmdSignIn");
        QVERIFY(signIn->isEnabled());
        click(signIn);
        QTRY_COMPARE_WITH_TIMEOUT(m_prompts.messages.size(), 1, 20000);
        QCOMPARE(m_prompts.messages.first().text,
                 QStringLiteral("サインインしました。\r\nアカウントは「OK」で保存したときに作られます。"));
        QCOMPARE(browser.opened.size(), 1);
        QCOMPARE(QUrlQuery(browser.opened.first()).queryItemValue(QStringLiteral("login_hint")),
                 QStringLiteral("taro@example.jp"));
        click(named<QPushButton>(dialog.get(), "cmdAOK"));
        QCOMPARE(dialog->result(), int(QDialog::Accepted));

        const QString file = dir() + QStringLiteral("taro.ini");
        QCOMPARE(storage::readAccountProvider(file), QStringLiteral("Test"));
        QVERIFY(storage::readAccountSecret(file, storage::AccountSecret::RefreshToken).startsWith(QLatin1String("rt-")));
        QVERIFY(!readBytes(file).contains("rt-")); // scrambled, as passwords are
        // The access token of the sign-in serves the first transfer: no refresh needed.
        const int refreshes = m_oauth.stats().value(QStringLiteral("refreshes")).toInt();
        QCOMPARE(transfer::accessTokenFor(file, QStringLiteral("Test")).status, transfer::TokenStatus::Ok);
        QCOMPARE(m_oauth.stats().value(QStringLiteral("refreshes")).toInt(), refreshes);
    }

    // 接続テスト on a stored account whose access token must be renewed first: the renewal waits
    // off the window's thread (the dialog answers at once), and a refused one says to sign in.
    void connectionTestRenewsTheTokenMeanwhile_data()
    {
        QTest::addColumn<bool>("revoked");
        QTest::newRow("renewed") << false;
        QTest::newRow("sign-in revoked") << true;
    }
    void connectionTestRenewsTheTokenMeanwhile()
    {
        QFETCH(bool, revoked);
        {
            FollowingBrowser browser;
            const auto dialog = newAccountDialog(&browser);
            QVERIFY(dialog);
            choose(named<QComboBox>(dialog.get(), "cmbAuth"), QStringLiteral("Test"));
            auto* pop = named<QLineEdit>(dialog.get(), "txtPOP");
            pop->setFocus();
            typeText(pop, QStringLiteral("127.0.0.1"));
            click(named<QCheckBox>(dialog.get(), "chkPOP"));
            retype(named<NumberBox>(dialog.get(), "txtPOPport"), QString::number(freePorts(1).value(0))); // nobody listens
            click(named<QPushButton>(dialog.get(), "cmdSignIn"));
            QTRY_COMPARE_WITH_TIMEOUT(m_prompts.messages.size(), 1, 20000);
            click(named<QPushButton>(dialog.get(), "cmdAOK"));
            QCOMPARE(dialog->result(), int(QDialog::Accepted));
        }
        m_prompts = RecordingPrompts();
        const QString file = dir() + QStringLiteral("taro.ini");
        transfer::forgetAccessToken(file);
        constexpr double kDelaySeconds = 1.5;
        QVERIFY(m_oauth.control({{"refresh_delay", kDelaySeconds}, {"revoke_all", revoked}}));
        const int refreshesBefore = m_oauth.stats().value(QStringLiteral("refreshes")).toInt();

        AccountManagerDialog dialog(dir(), QStringLiteral("taro"), &m_prompts, nullptr);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto* check = named<QPushButton>(&dialog, "cmdCheck");
        QElapsedTimer clicked;
        clicked.start();
        click(check);
        QVERIFY2(clicked.elapsed() < kDelaySeconds * 1000 / 2, qPrintable(QString::number(clicked.elapsed())));
        QVERIFY(!check->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(check->isEnabled(), 30000);
        QVERIFY(m_oauth.control({{"refresh_delay", 0}, {"revoke_all", false}}));
        QCOMPARE(m_prompts.messages.size(), 1);
        QCOMPARE(m_prompts.messages.first().title, QStringLiteral("接続テスト"));
        if (revoked) {
            QCOMPARE(m_prompts.messages.first().text, QStringLiteral("先に「サインイン」でサインインしてください"));
            QCOMPARE(m_prompts.messages.first().icon, platform::Icon::Exclamation);
        } else {
            QVERIFY2(m_prompts.messages.first().text.startsWith(QStringLiteral("【POPサーバー】127.0.0.1:")),
                     qPrintable(m_prompts.messages.first().text));
            QCOMPARE(m_oauth.stats().value(QStringLiteral("refreshes")).toInt(), refreshesBefore + 1);
        }
    }

    void refusedSignInSaysWhy()
    {
        QVERIFY(m_oauth.control({{"authorize", "deny"}}));
        FollowingBrowser browser;
        const auto dialog = newAccountDialog(&browser);
        QVERIFY(dialog);
        choose(named<QComboBox>(dialog.get(), "cmbAuth"), QStringLiteral("Test"));
        click(named<QPushButton>(dialog.get(), "cmdSignIn"));
        QTRY_COMPARE_WITH_TIMEOUT(m_prompts.messages.size(), 1, 20000);
        QCOMPARE(m_prompts.messages.first().text,
                 QStringLiteral("サインインは認められませんでした（access_denied: the user said no）"));
        QTRY_VERIFY(named<QPushButton>(dialog.get(), "cmdSignIn")->isEnabled());
        click(named<QPushButton>(dialog.get(), "cmdAOK"));
        QVERIFY(storage::readAccountSecret(dir() + QStringLiteral("taro.ini"), storage::AccountSecret::RefreshToken).isEmpty());
    }
};

QTEST_MAIN(TestAccountSignIn)
#include "test_account_signin.moc"
