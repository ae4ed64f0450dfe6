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
        QTest::newRow("query part stays") << QStringLiteral("mailto:a@x?subject=Hi") << QStringLiteral("a@x?subject=Hi")
                                          << QString() << QString();
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
