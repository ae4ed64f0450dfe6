// The secrets of accounts in the desktop keyring: a real gnome-keyring-daemon in a session bus of
// this test's own (tests/fixtures/keyring/with-private-keyring.sh starts it, unlocked), QtKeychain
// speaking to it; and the scrambled account file where no keyring answers (the tool without a bus).
#include "settings/core/AccountManager.h"
#include "storage/AccountSecrets.h"
#include "storage/ProfileStore.h"
#include "support/RecordingPrompts.h"
#include "support/TestFiles.h"
#include "transfer/PasswordChoice.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace fumibako;
using namespace fumibako::storage;
using namespace fumibako::test;

namespace {

// What the keyring itself holds for the entry (libsecret's command-line tool), "" for nothing.
QString keyringEntry(const QString& userFile, const QString& kind)
{
    const QFileInfo file(userFile);
    QProcess lookup;
    lookup.start(QStringLiteral("secret-tool"), {QStringLiteral("lookup"), QStringLiteral("server"), QStringLiteral("fumibako"),
                                                 QStringLiteral("user"),
                                                 file.absolutePath() + QLatin1Char('/') + file.completeBaseName() + kind});
    lookup.waitForFinished(10000);
    return QString::fromUtf8(lookup.readAllStandardOutput());
}

// The "Password" of the file as it is stored (scrambled).
QString filePassword(const QString& userFile)
{
    return IniGetString(QStringLiteral("Property"), QStringLiteral("Password"), 1024, userFile);
}

int runPasswordCommand(const QString& dataDir, const QByteArray& password, bool withoutBus)
{
    QProcess tool;
    if (withoutBus) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), dataDir); // no bus socket there either
        tool.setProcessEnvironment(environment);
    }
    tool.start(qEnvironmentVariable("FUMIBAKO_TOOL"), {QStringLiteral("--data-dir"), dataDir, QStringLiteral("password"), QStringLiteral("taro")});
    tool.write(password + '\n');
    tool.closeWriteChannel();
    return tool.waitForFinished(30000) ? tool.exitCode() : -1;
}

} // namespace

class TestAccountSecrets : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString dir() const { return m_dir->path() + QLatin1Char('/'); }
    QString userFile() const { return dir() + QStringLiteral("taro.ini"); }

private Q_SLOTS:
    void initTestCase()
    {
        if (!qEnvironmentVariableIsSet("FUMIBAKO_PRIVATE_KEYRING"))
            QSKIP("runs inside with-private-keyring.sh");
        QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("secret-tool")).isEmpty(), "libsecret-tools missing");
    }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        clearProfileCache();
        writeBytes(userFile(), cp932Lines(QStringLiteral("[Property]\nAccName=taro\nName=太郎\n")));
    }

    void keptInTheKeyring_data()
    {
        QTest::addColumn<int>("which");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("kind");
        QTest::newRow("password") << int(AccountSecret::Password) << QStringLiteral("秘密 pass☃") << ":password";
        QTest::newRow("refresh token of a few thousand characters")
            << int(AccountSecret::RefreshToken) << QString(3000, QLatin1Char('r')) << ":oauth2-refresh-token";
    }
    void keptInTheKeyring()
    {
        QFETCH(int, which);
        QFETCH(QString, value);
        QFETCH(QString, kind);
        QCOMPARE(secretPlace(dir()), SecretPlace::Keyring);
        QVERIFY(storeAccountSecret(userFile(), AccountSecret(which), value));
        QCOMPARE(keyringEntry(userFile(), kind), value);
        QCOMPARE(readAccountSecret(userFile(), AccountSecret(which)), value);
        QVERIFY(!readBytes(userFile()).contains("Password=") && !readBytes(userFile()).contains("RefreshToken="));
    }

    void oldFileFormReadThenMoved()
    {
        // An account file of the original form: the password scrambled in "Property".
        QVERIFY(storePassword(userFile(), QStringLiteral("secret")));
        QCOMPARE(readAccountProperties(userFile()).password, QStringLiteral("secret"));
        // Typed again with "保存する": into the keyring, and out of the file.
        AccountProperties properties = readAccountProperties(userFile());
        transfer::keepPassword(properties, userFile(), {QStringLiteral("new secret"), transfer::PasswordKeep::Store});
        QCOMPARE(keyringEntry(userFile(), QStringLiteral(":password")), QStringLiteral("new secret"));
        QCOMPARE(filePassword(userFile()), QString());
        QCOMPARE(readAccountProperties(userFile()).password, QStringLiteral("new secret"));
    }

    void toolPassword_data()
    {
        QTest::addColumn<bool>("withoutBus");
        QTest::newRow("keyring") << false;
        QTest::newRow("no session bus: the account file") << true;
    }
    void toolPassword()
    {
        QFETCH(bool, withoutBus);
        QCOMPARE(runPasswordCommand(dir(), "tool secret", withoutBus), 0);
        clearProfileCache();
        QCOMPARE(keyringEntry(userFile(), QStringLiteral(":password")), withoutBus ? QString() : QStringLiteral("tool secret"));
        QCOMPARE(unscramblePassword(filePassword(userFile()), QStringLiteral("太郎")),
                 withoutBus ? QStringLiteral("tool secret") : QString());
        // A file given a secret is made its owner's alone (this one was written 0644).
        const bool shared = QFileInfo(userFile()).permissions() & (QFile::ReadGroup | QFile::ReadOther);
        QCOMPARE(shared, !withoutBus);
        // Either way the program reads it back.
        QCOMPARE(readAccountProperties(userFile()).password, QStringLiteral("tool secret"));
    }

    void accountManagerKeepsPasswordInKeyring()
    {
        writeBytes(dir() + QStringLiteral("AName.ini"), cp932Lines(QStringLiteral("[AName]\nCount=1\n0=taro\n")));
        RecordingPrompts prompts;
        settings::AccountManager manager(dir(), prompts);
        manager.open(QStringLiteral("taro"));
        QCOMPARE(manager.signInNote(QString()),
                 QStringLiteral("パスワードとサインインの情報は、デスクトップのキーリング（Secret Service）に保存します。"));
        settings::AccountForm form = manager.showAccount(0);
        manager.startEdit();
        form.password = QStringLiteral("typed");
        QVERIFY(manager.confirm(form));
        QCOMPARE(keyringEntry(userFile(), QStringLiteral(":password")), QStringLiteral("typed"));
        QCOMPARE(filePassword(userFile()), QString());
        // A deleted account leaves nothing behind in the keyring.
        QVERIFY(storeAccountSecret(userFile(), AccountSecret::RefreshToken, QStringLiteral("rt-1")));
        prompts.answerNext(platform::Answer::Yes);
        QVERIFY(manager.deleteShown());
        QCOMPARE(keyringEntry(userFile(), QStringLiteral(":password")), QString());
        QCOMPARE(keyringEntry(userFile(), QStringLiteral(":oauth2-refresh-token")), QString());
    }
};

QTEST_GUILESS_MAIN(TestAccountSecrets)
#include "test_account_secrets.moc"
