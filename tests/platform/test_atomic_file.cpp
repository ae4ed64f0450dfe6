#include "platform/AtomicFile.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace fumibako::platform;
using fumibako::test::readBytes;
using fumibako::test::writeBytes;

class TestAtomicFile : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void replacesContentAndKeepsMode();
    void refusedPaths_data();
    void refusedPaths();
    void failingRenameLeavesNoTemporary();
    void fullDiskKeepsOldFile();
    void killedWriterLeavesOldOrNew();

private:
    QStringList entries() const { return QDir(m_dir->path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestAtomicFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestAtomicFile::replacesContentAndKeepsMode()
{
    const QString path = m_dir->filePath(QStringLiteral("a.ini"));
    QVERIFY(writeFileAtomically(path, "first"));
    QCOMPARE(readBytes(path), QByteArray("first"));
    QVERIFY(::chmod(QFile::encodeName(path).constData(), 0640) == 0);
    QVERIFY(writeFileAtomically(path, QByteArray("second\0x", 8)));
    QCOMPARE(readBytes(path), QByteArray("second\0x", 8));
    struct stat st {};
    QVERIFY(::stat(QFile::encodeName(path).constData(), &st) == 0);
    QCOMPARE(int(st.st_mode & 07777), 0640);
    QCOMPARE(entries(), QStringList{QStringLiteral("a.ini")});
}

void TestAtomicFile::refusedPaths_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("missing directory") << QStringLiteral("missing/sub/a.ini");
    QTest::newRow("directory is a regular file") << QStringLiteral("plain/a.ini");
    QTest::newRow("read-only file system") << QStringLiteral("/proc/fumibako-test.ini");
}

void TestAtomicFile::refusedPaths()
{
    QFETCH(QString, path);
    writeBytes(m_dir->filePath(QStringLiteral("plain")), "x");
    const QString full = QDir::isAbsolutePath(path) ? path : m_dir->filePath(path);
    QString error;
    QVERIFY(!writeFileAtomically(full, "data", &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!QFile::exists(full));
}

// rename() over a non-empty directory fails after the temporary file is complete.
void TestAtomicFile::failingRenameLeavesNoTemporary()
{
    const QString path = m_dir->filePath(QStringLiteral("target"));
    writeBytes(path + QStringLiteral("/inside"), "keep");
    QVERIFY(!writeFileAtomically(path, "data"));
    QCOMPARE(readBytes(path + QStringLiteral("/inside")), QByteArray("keep"));
    QCOMPARE(entries(), QStringList{QStringLiteral("target")});
}

void TestAtomicFile::fullDiskKeepsOldFile()
{
    const QString path = m_dir->filePath(QStringLiteral("a.ini"));
    writeBytes(path, "old content");
    const pid_t child = ::fork();
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const struct rlimit limit = {4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::_exit(writeFileAtomically(path, QByteArray(100000, 'x')) ? 1 : 0);
    }
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);
    QCOMPARE(readBytes(path), QByteArray("old content"));
    QCOMPARE(entries(), QStringList{QStringLiteral("a.ini")});
}

// A writer killed at any moment leaves one complete version, never a mix or a short file.
void TestAtomicFile::killedWriterLeavesOldOrNew()
{
    const QString path = m_dir->filePath(QStringLiteral("a.ini"));
    const QByteArray a(1 << 20, 'A');
    const QByteArray b(1 << 20, 'B');
    writeBytes(path, a);
    for (int round = 0; round < 5; ++round) {
        const pid_t child = ::fork();
        if (child == 0) {
            for (int i = 0;; ++i)
                writeFileAtomically(path, i % 2 ? a : b);
        }
        ::usleep(useconds_t(15000 + round * 7000));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        const QByteArray now = readBytes(path);
        QVERIFY(now == a || now == b);
    }
}

QTEST_APPLESS_MAIN(TestAtomicFile)
#include "test_atomic_file.moc"
