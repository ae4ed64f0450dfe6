#include "platform/SingleInstance.h"
#include "storage/DataDirectory.h"
#include "storage/MailtoCommandLine.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace fumibako::storage;
using namespace fumibako::test;

class TestStartup : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void mailtoCommandLine_data()
    {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("cc");
        QTest::addColumn<QString>("bcc");
        QTest::newRow("one address") << QStringLiteral("mailto:taro@example.jp") << QStringLiteral("taro@example.jp")
                                     << QString() << QString();
        QTest::newRow("markers and capitals")
            << QStringLiteral("MAILTO:a@x cc b@x c@x bcc d@x") << QStringLiteral("a@x") << QStringLiteral("b@x, c@x")
            << QStringLiteral("d@x");
        QTest::newRow("query fields read") << QStringLiteral("mailto:a@x,b@x?subject=Hi&cc=c@x&BCC=d@x&to=e@x")
                                           << QStringLiteral("a@x, b@x, e@x") << QStringLiteral("c@x") << QStringLiteral("d@x");
        QTest::newRow("percent-encoded Japanese address")
            << QStringLiteral("mailto:%E5%B1%B1%E7%94%B0%20%3Cyamada@x%3E") << QStringLiteral("山田 <yamada@x>")
            << QString() << QString();
        QTest::newRow("no redirect command through a link")
            << QStringLiteral("mailto:a@x,%3E%23xfr%20/home/taro/secret?cc=%3E%23xfr%20/etc/passwd")
            << QStringLiteral("a@x") << QString() << QString();
        QTest::newRow("control characters become spaces")
            << QStringLiteral("mailto:a@x%09bcc%09evil@y") << QStringLiteral("a@x bcc evil@y") << QString() << QString();
        QTest::newRow("plain pieces taken as they are") << QStringLiteral("cc a%41@x") << QString()
                                                        << QStringLiteral("a%41@x") << QString();
        QTest::newRow("last mailto counts") << QStringLiteral("xmailto:mailto:a@x") << QStringLiteral("a@x") << QString()
                                            << QString();
        QTest::newRow("empty pieces ignored") << QStringLiteral("  a@x  TO  b@x ") << QStringLiteral("a@x, b@x")
                                              << QString() << QString();
        QTest::newRow("only markers") << QStringLiteral("to cc bcc") << QString() << QString() << QString();
        QTest::newRow("empty") << QString() << QString() << QString() << QString();
        QTest::newRow("mailto alone") << QStringLiteral("mailto:") << QString() << QString() << QString();
    }
    void mailtoCommandLine()
    {
        QFETCH(QString, commandLine);
        QFETCH(QString, to);
        QFETCH(QString, cc);
        QFETCH(QString, bcc);
        const MailtoAddresses result = ParseMailtoCommandLine(commandLine);
        QCOMPARE(result.to, to);
        QCOMPARE(result.cc, cc);
        QCOMPARE(result.bcc, bcc);
        QCOMPARE(result.isEmpty(), to.isEmpty() && cc.isEmpty() && bcc.isEmpty());
    }

    void mailtoSubjectAndBody_data()
    {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<QString>("subject"); // null: none given
        QTest::addColumn<QString>("body");
        QTest::newRow("UTF-8") << QStringLiteral("mailto:a@x?subject=%E4%BC%9A%E8%AD%B0&body=%E4%B8%80%0D%0A%E4%BA%8C")
                               << QStringLiteral("会議") << QStringLiteral("一\r\n二");
        QTest::newRow("code page 932 bytes") << QStringLiteral("mailto:a@x?subject=%89%EF%8Bc") << QStringLiteral("会議")
                                             << QString();
        QTest::newRow("bare LF in the body, plus sign kept")
            << QStringLiteral("mailto:?body=a%0Ab+c") << QString() << QStringLiteral("a\r\nb+c");
        QTest::newRow("line break in the subject") << QStringLiteral("mailto:a@x?subject=a%0D%0ABcc:%20e@y")
                                                   << QStringLiteral("a  Bcc: e@y") << QString();
        QTest::newRow("empty subject given") << QStringLiteral("mailto:a@x?subject=") << QString(QLatin1String(""))
                                             << QString();
        QTest::newRow("unknown fields ignored") << QStringLiteral("mailto:a@x?in-reply-to=%3C1@x%3E&x") << QString()
                                                << QString();
    }
    void mailtoSubjectAndBody()
    {
        QFETCH(QString, commandLine);
        QFETCH(QString, subject);
        QFETCH(QString, body);
        const MailtoAddresses result = ParseMailtoCommandLine(commandLine);
        QCOMPARE(result.subject.has_value(), !subject.isNull());
        QCOMPARE(result.subject.value_or(QString()), subject);
        QCOMPARE(result.body.has_value(), !body.isNull());
        QCOMPARE(result.body.value_or(QString()), body);
        QVERIFY(!result.isEmpty());
    }

    void programDirResolution()
    {
        QTemporaryDir exe;
        DataDirectoryInputs inputs;
        inputs.executableDir = exe.path();
        inputs.xdgDataHome = QStringLiteral("/xdg/data");
        QCOMPARE(resolveProgramDir(inputs), QStringLiteral("/xdg/data/fumibako/"));
        writeBytes(exe.path() + QStringLiteral("/AName.ini"), "[AName]\r\n");
        QCOMPARE(resolveProgramDir(inputs), exe.path() + QLatin1Char('/')); // portable install
        inputs.environment = QStringLiteral("/from/env");
        QCOMPARE(resolveProgramDir(inputs), QStringLiteral("/from/env/"));
        inputs.dataDirOption = QStringLiteral("/from/option/");
        QCOMPARE(resolveProgramDir(inputs), QStringLiteral("/from/option/"));
    }

    void programDirLayout()
    {
        QTemporaryDir dir;
        const ProgramPaths paths = ProgramPaths::make(dir.path() + QStringLiteral("/data"), dir.path());
        prepareProgramDir(paths);
        QVERIFY(QFileInfo(paths.programDir + QStringLiteral("MailBox")).isDir());
        QVERIFY(QFileInfo(paths.programDir + QStringLiteral("FBTop.htm")).size() > 0);
        prepareAccountDirs(paths.programDir, QStringLiteral("太郎"));
        const AccountPaths account = AccountPaths::make(paths.programDir, QStringLiteral("太郎"));
        for (const QString& d : {account.inputDir, account.outputDir, account.draftDir})
            QVERIFY2(QFileInfo(d).isDir(), qPrintable(d));
        QVERIFY(EnsureDirectory(paths.programDir, QStringLiteral("MailBox")));
        QVERIFY(!EnsureDirectory(dir.path() + QStringLiteral("/missing/parent"), QStringLiteral("x"))); // one level only
    }

    void workDirIsPrivate()
    {
        QTemporaryDir runtime;
        const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        QString error;
        const QString work = prepareWorkDir(&error);
        QCOMPARE(work, runtime.path() + QStringLiteral("/Fumibako/"));
        struct stat info {};
        QCOMPARE(::stat(QFile::encodeName(work).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, 0700u);

        writeBytes(work + QStringLiteral("FumiMail.htm"), "page");
        QDir().mkdir(work + QStringLiteral("sub"));
        emptyWorkDir(work);
        QVERIFY(QDir(work).entryList(QDir::Files).isEmpty());
        QVERIFY(QFileInfo(work + QStringLiteral("sub")).isDir());

        if (::getuid() == 0) { // only root can hand the folder to someone else
            QCOMPARE(::chown(QFile::encodeName(work).constData(), 65534, 65534), 0);
            QVERIFY(prepareWorkDir(&error).isEmpty());
            QVERIFY(error.contains(QStringLiteral("別のユーザー")));
        }
        qputenv("XDG_RUNTIME_DIR", saved);
    }

    void secondInstanceHandsOverItsCommandLine()
    {
        const QString name = QStringLiteral("fumibako-test-%1").arg(QCoreApplication::applicationPid());
        fumibako::platform::SingleInstance first(name);
        QVERIFY(first.claim(QString()));
        QSignalSpy received(&first, &fumibako::platform::SingleInstance::messageReceived);
        fumibako::platform::SingleInstance second(name);
        QVERIFY(!second.claim(QStringLiteral("mailto:a@x")));
        QTRY_COMPARE(received.size(), 1);
        QCOMPARE(received.first().first().toString(), QStringLiteral("mailto:a@x"));
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "test_startup.moc"
