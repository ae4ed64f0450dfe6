#include "storage/ProfileStore.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace fumibako::storage;
using fumibako::test::readBytes;
using fumibako::test::writeBytes;

namespace {

const QString kS = QStringLiteral("s");
const QString kK = QStringLiteral("k");

QString get(const QString& file, const QString& key = kK)
{
    return IniGetString(kS, key, 256, file);
}

/** Sets the file's modification time, so that a rewrite within one clock tick is still seen. */
void touch(const QString& path, long seconds)
{
    const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    QVERIFY(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0);
}

} // namespace

/** How the store deals with the disk: caching, batches and every way a write can fail. */
class TestProfileFiles : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void otherWritersAreSeen_data();
    void otherWritersAreSeen();
    void batchWritesOnceAtCommit();
    void nestedBatchWritesAtOutermostEnd();
    void manyDeletesInBatch();
    void failedCommitDropsCache();
    void refusedWrites_data();
    void refusedWrites();
    void fullDiskKeepsOldFile();
    void unreadableFilesReadEmptyAndStayUntouched_data();
    void unreadableFilesReadEmptyAndStayUntouched();
    void garbageFileKeepsItsBytes();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_file;
};

void TestProfileFiles::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_file = m_dir->filePath(QStringLiteral("test.ini"));
    clearProfileCache();
}

void TestProfileFiles::otherWritersAreSeen_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("different size") << "size";
    QTest::newRow("same size, other time") << "mtime";
    QTest::newRow("replaced by rename") << "rename";
    QTest::newRow("deleted") << "delete";
}

void TestProfileFiles::otherWritersAreSeen()
{
    QFETCH(QString, how);
    QCOMPARE(IniWriteString(kS, kK, QStringLiteral("one"), m_file), QStringLiteral("1"));
    QCOMPARE(get(m_file), QStringLiteral("one"));
    QString expected = QStringLiteral("two");
    if (how == QLatin1String("size")) {
        writeBytes(m_file, "[s]\r\nk=longer\r\n");
        expected = QStringLiteral("longer");
    } else if (how == QLatin1String("mtime")) {
        writeBytes(m_file, "[s]\r\nk=two\r\n");
        touch(m_file, 1000000);
    } else if (how == QLatin1String("rename")) {
        writeBytes(m_file + QStringLiteral(".new"), "[s]\r\nk=two\r\n");
        QVERIFY(::rename(QFile::encodeName(m_file + QStringLiteral(".new")).constData(),
                         QFile::encodeName(m_file).constData()) == 0);
    } else {
        QVERIFY(QFile::remove(m_file));
        expected.clear();
    }
    QCOMPARE(get(m_file), expected);
    // A write after the outside change builds on the new content.
    QCOMPARE(IniWriteString(kS, QStringLiteral("j"), QStringLiteral("x"), m_file), QStringLiteral("1"));
    QCOMPARE(get(m_file), expected);
}

void TestProfileFiles::batchWritesOnceAtCommit()
{
    writeBytes(m_file, "[s]\r\nk=old\r\n");
    touch(m_file, 1000000);
    struct stat before {};
    QVERIFY(::stat(QFile::encodeName(m_file).constData(), &before) == 0);
    {
        ProfileWriteBatch batch;
        QCOMPARE(IniWriteString(kS, kK, QStringLiteral("new"), m_file), QStringLiteral("1"));
        QVERIFY(IniWriteSection(QStringLiteral("t"), m_file, {QStringLiteral("a=1")}));
        QVERIFY(IniDeleteSection(m_file, QStringLiteral("t")));
        QCOMPARE(IniWriteString(kS, QStringLiteral("j"), QStringLiteral("2"), m_file), QStringLiteral("1"));
        QCOMPARE(get(m_file), QStringLiteral("new")); // reads see the pending writes
        QCOMPARE(readBytes(m_file), QByteArray("[s]\r\nk=old\r\n"));
        struct stat during {};
        QVERIFY(::stat(QFile::encodeName(m_file).constData(), &during) == 0);
        QCOMPARE(during.st_ino, before.st_ino);
        QVERIFY(batch.commit());
        QCOMPARE(readBytes(m_file), QByteArray("[s]\r\nk=new\r\nj=2\r\n"));
        QCOMPARE(IniWriteString(kS, kK, QStringLiteral("later"), m_file), QStringLiteral("1"));
    }
    // The destructor writes what came after commit().
    QCOMPARE(readBytes(m_file), QByteArray("[s]\r\nk=later\r\nj=2\r\n"));
}

void TestProfileFiles::nestedBatchWritesAtOutermostEnd()
{
    {
        ProfileWriteBatch outer;
        {
            ProfileWriteBatch inner;
            QCOMPARE(IniWriteString(kS, kK, QStringLiteral("v"), m_file), QStringLiteral("1"));
            QVERIFY(inner.commit());
        }
        QVERIFY(!QFile::exists(m_file));
    }
    QCOMPARE(readBytes(m_file), QByteArray("[s]\r\nk=v\r\n"));
}

// The mail index case: a section of thousands of entries, most of them deleted in one batch,
// with keys appended at the end in between.
void TestProfileFiles::manyDeletesInBatch()
{
    QStringList lines;
    for (int i = 0; i < 4000; ++i)
        lines << QStringLiteral("m%1.eml=010\tfrom\tsubject %1").arg(i);
    QVERIFY(IniWriteSection(kS, m_file, lines));
    {
        ProfileWriteBatch batch;
        for (int i = 0; i < 4000; i += 4) {
            QVERIFY(IniDeleteKey(m_file, kS, QStringLiteral("M%1.EML").arg(i)));
            QVERIFY(IniDeleteKey(m_file, kS, QStringLiteral("m%1.eml").arg(i + 1)));
            QVERIFY(IniDeleteKey(m_file, kS, QStringLiteral("m%1.eml").arg(i + 2)));
            IniWriteString(kS, QStringLiteral("n%1.eml").arg(i), QStringLiteral("x"), m_file);
        }
        QCOMPARE(get(m_file, QStringLiteral("m3.eml")), QStringLiteral("010\tfrom\tsubject 3"));
        QCOMPARE(get(m_file, QStringLiteral("m4.eml")), QString());
    }
    QStringList expected;
    for (int i = 3; i < 4000; i += 4)
        expected << lines.at(i);
    for (int i = 0; i < 4000; i += 4)
        expected << QStringLiteral("n%1.eml=x").arg(i);
    QStringList cached;
    QVERIFY(IniGetSection(kS, m_file, cached));
    QCOMPARE(cached, expected);
    clearProfileCache();
    QStringList fromDisk;
    QVERIFY(IniGetSection(kS, m_file, fromDisk));
    QCOMPARE(fromDisk, expected);
}

void TestProfileFiles::failedCommitDropsCache()
{
    const QString sub = m_dir->filePath(QStringLiteral("sub"));
    const QString file = sub + QStringLiteral("/a.ini");
    writeBytes(file, "[s]\r\nk=disk\r\n");
    ProfileWriteBatch batch;
    QCOMPARE(IniWriteString(kS, kK, QStringLiteral("pending"), file), QStringLiteral("1"));
    QCOMPARE(get(file), QStringLiteral("pending"));
    QVERIFY(QDir(sub).removeRecursively());
    QVERIFY(!batch.commit());
    QCOMPARE(get(file), QString());
    writeBytes(file, "[s]\r\nk=back\r\n");
    QCOMPARE(get(file), QStringLiteral("back"));
}

void TestProfileFiles::refusedWrites_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("missing directory") << "missing/a.ini";
    QTest::newRow("directory is a file") << "plain/a.ini";
    QTest::newRow("read-only file system") << "/proc/fumibako-test.ini";
    QTest::newRow("empty name") << "";
}

void TestProfileFiles::refusedWrites()
{
    QFETCH(QString, path);
    writeBytes(m_dir->filePath(QStringLiteral("plain")), "x");
    const QString file = path.isEmpty() || QDir::isAbsolutePath(path) ? path : m_dir->filePath(path);
    QCOMPARE(IniWriteString(kS, kK, QStringLiteral("v"), file), QStringLiteral("0"));
    QVERIFY(!IniWriteSection(kS, file, {QStringLiteral("a=1")}));
    QCOMPARE(get(file), QString());
    QCOMPARE(IniDeleteKey(file, kS, kK), !file.isEmpty()); // nothing to delete is no failure
    {
        // Inside a batch the failure shows at once or, at the latest, from commit().
        ProfileWriteBatch batch;
        const bool refusedAtOnce = IniWriteString(kS, kK, QStringLiteral("v"), file) == QLatin1String("0");
        QVERIFY(refusedAtOnce || !batch.commit());
    }
    QVERIFY(file.isEmpty() || !QFile::exists(file));
}

// In a child with a small file size limit the write fails like on a full disk.
void TestProfileFiles::fullDiskKeepsOldFile()
{
    const QByteArray old = "[s]\r\nk=old\r\n";
    writeBytes(m_file, old);
    QCOMPARE(get(m_file), QStringLiteral("old"));
    const pid_t child = ::fork();
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const struct rlimit limit = {1024, 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const bool refused = IniWriteString(kS, kK, QString(5000, u'x'), m_file) == QLatin1String("0");
        const bool oldSeen = get(m_file) == QLatin1String("old");
        ::_exit(refused && oldSeen ? 0 : 1);
    }
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);
    QCOMPARE(readBytes(m_file), old);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{QStringLiteral("test.ini")});
}

void TestProfileFiles::unreadableFilesReadEmptyAndStayUntouched_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("directory") << "dir";
    QTest::newRow("FIFO") << "fifo";
    QTest::newRow("huge sparse file") << "huge";
}

void TestProfileFiles::unreadableFilesReadEmptyAndStayUntouched()
{
    QFETCH(QString, kind);
    const QByteArray path = QFile::encodeName(m_file);
    if (kind == QLatin1String("dir")) {
        QVERIFY(QDir().mkdir(m_file));
    } else if (kind == QLatin1String("fifo")) {
        QVERIFY(::mkfifo(path.constData(), 0600) == 0);
    } else {
        writeBytes(m_file, "[s]\r\nk=v\r\n");
        QVERIFY(::truncate(path.constData(), qint64(3) << 30) == 0);
    }
    QCOMPARE(get(m_file), QString());
    QStringList list{QStringLiteral("untouched")};
    QVERIFY(!IniGetSection(kS, m_file, list));
    QVERIFY(!IniGetSectionNames(m_file, list));
    QCOMPARE(IniWriteString(kS, kK, QStringLiteral("v"), m_file), QStringLiteral("0"));
    QVERIFY(!IniDeleteSection(m_file, kS));
    struct stat st {};
    QVERIFY(::stat(path.constData(), &st) == 0);
    if (kind == QLatin1String("huge"))
        QCOMPARE(qint64(st.st_size), qint64(3) << 30);
}

void TestProfileFiles::garbageFileKeepsItsBytes()
{
    QByteArray garbage;
    quint32 seed = 12345;
    for (int i = 0; i < 200000; ++i) {
        seed = seed * 1103515245u + 12345u;
        garbage.append(char(seed >> 16));
    }
    garbage.append("\r\n");
    writeBytes(m_file, garbage);
    QStringList names;
    IniGetSectionNames(m_file, names);
    QCOMPARE(IniWriteString(QStringLiteral("zz new"), kK, QStringLiteral("v"), m_file), QStringLiteral("1"));
    QCOMPARE(readBytes(m_file), garbage + "[zz new]\r\nk=v\r\n");
    QCOMPARE(IniGetString(QStringLiteral("zz new"), kK, 256, m_file), QStringLiteral("v"));
}

QTEST_APPLESS_MAIN(TestProfileFiles)
#include "test_profile_files.moc"
