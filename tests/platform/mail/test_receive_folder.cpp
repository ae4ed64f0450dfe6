#include "platform/mail/ReceiveFolder.h"
#include "support/TestFiles.h"

#include <QDateTime>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace fumibako::platform::mail;
using fumibako::test::readBytes;
using fumibako::test::writeBytes;

Q_DECLARE_METATYPE(QList<int>)

// The files of receiving: the staging folder, the batch journal, the record of received ids,
// and what a new receive makes of whatever an earlier one left at each of its steps.
class ReceiveFolderTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_mailbox;

    QString input() const { return m_mailbox->filePath(QStringLiteral("input")); }
    QString staging() const { return input() + QStringLiteral("/.receiving"); }
    QString recordFile() const { return m_mailbox->filePath(QStringLiteral("ReceivedIds.txt")); }
    QString journalFile() const { return ReceiveFolder::journalFile(recordFile()); }
    QStringList inputFiles() const { return QDir(input()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }
    QStringList stagedFiles() const { return QDir(staging()).entryList(QDir::Files | QDir::Hidden); }
    QStringList mailboxFiles() const { return QDir(m_mailbox->path()).entryList(QDir::Files | QDir::Hidden); }

    QString stage(const QByteArray& bytes, const QString& name)
    {
        const QString path = staging() + QLatin1Char('/') + name;
        writeBytes(path, bytes);
        return path;
    }

    ReceivedIdRecord savedRecord()
    {
        ReceivedIdRecord record;
        QString error;
        if (!record.load(recordFile(), &error))
            qWarning("%s", qPrintable(error));
        return record;
    }

private Q_SLOTS:
    void init()
    {
        m_mailbox = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir().mkpath(input()));
    }

    void recordRoundTrip()
    {
        ReceivedIdRecord record;
        QString error;
        QVERIFY(record.load(recordFile(), &error)); // a missing record is an empty one
        QCOMPARE(record.size(), 0);
        for (int i = 0; i < 1000; ++i)
            record.add("uid-" + QByteArray::number(i));
        QVERIFY(!record.add("uid-7"));
        QVERIFY(record.save(recordFile(), &error));
        ReceivedIdRecord reread = savedRecord();
        QCOMPARE(reread.size(), 1000);
        QVERIFY(reread.contains("uid-999"));
        QVERIFY(reread.keepOnly({"uid-1", "uid-2", "not-there"}));
        QCOMPARE(reread.size(), 2);
        QVERIFY(!reread.keepOnly({"uid-1", "uid-2"}));
    }

    void damagedRecordStopsTheReceive()
    {
        writeBytes(recordFile(), "something else\r\nuid-1\r\n");
        ReceiveFolder folder(input(), recordFile());
        QString error;
        QVERIFY(!folder.open(&error));
        QVERIFY2(error.contains(QStringLiteral("受信済みメールの記録が読めない")), qPrintable(error));
        QCOMPARE(readBytes(recordFile()), QByteArray("something else\r\nuid-1\r\n"));
    }

    void oneReceiveAtATime()
    {
        auto first = std::make_unique<ReceiveFolder>(input(), recordFile());
        QString error;
        QVERIFY(first->open(&error));
        ReceiveFolder second(input(), recordFile());
        QVERIFY(!second.open(&error));
        QVERIFY2(error.contains(QStringLiteral("まだ終わっていません")), qPrintable(error));
        first.reset();
        ReceiveFolder third(input(), recordFile());
        QVERIFY(third.open(&error));
    }

    // A batch is journaled and recorded before its files get their final names, which never
    // replace a file that is there; ending the batch removes the journal.
    void commitPublishesJournalsAndRecords()
    {
        // Files named as the batch's would be (this second and the next) must stay untouched.
        const QDateTime now = QDateTime::currentDateTime();
        for (const QDateTime& when : {now, now.addSecs(1)})
            writeBytes(input() + QLatin1Char('/') + when.toString(u"yyyyMMddHHmmss") + QStringLiteral("_001.eml"), "old");
        ReceiveFolder folder(input(), recordFile());
        QString error;
        QVERIFY(folder.open(&error));
        QList<StagedMessage> batch;
        for (int i = 1; i <= 3; ++i)
            batch.append({"uid-" + QByteArray::number(i), stage("message " + QByteArray::number(i), QStringLiteral(".receiving-%1").arg(i))});
        const QStringList published = folder.commit(batch, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(published.size(), 3);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(readBytes(published.at(i)), "message " + QByteArray::number(i + 1));
        QCOMPARE(inputFiles().size(), 5);
        for (const QString& name : inputFiles()) {
            if (!published.contains(input() + QLatin1Char('/') + name))
                QCOMPARE(readBytes(input() + QLatin1Char('/') + name), QByteArray("old"));
        }
        QVERIFY(stagedFiles().isEmpty());
        QCOMPARE(savedRecord().size(), 3);
        ReceiveJournal journal;
        QVERIFY(journal.load(journalFile(), &error));
        QCOMPARE(journal.entries().size(), 3);
        QCOMPARE(journal.entries().at(2).id, QByteArray("uid-3"));
        QVERIFY(ReceiveFolder::finishBatch(recordFile(), &error));
        QVERIFY(!QFile::exists(journalFile()));
    }

    // Each row is the state a receive killed at one of its steps leaves: which messages were
    // staged, journaled, published, and whether their ids were recorded.
    void earlierReceiveIsFinished_data()
    {
        QTest::addColumn<int>("staged");             // messages 1..n were complete in the staging folder
        QTest::addColumn<bool>("journaled");         // the journal names them
        QTest::addColumn<int>("published");          // messages 1..p got their final names
        QTest::addColumn<bool>("recorded");          // their ids were in the record
        QTest::addColumn<QList<int>>("deletedLater"); // files the user deleted after they were published
        QTest::addColumn<int>("recovered");          // files to file again
        QTest::addColumn<bool>("idsRecorded");       // their ids are in the record afterwards
        QTest::newRow("killed while downloading") << 2 << false << 0 << false << QList<int>{} << 0 << false;
        QTest::newRow("killed after the journal") << 3 << true << 0 << false << QList<int>{} << 3 << true;
        QTest::newRow("killed after the record") << 3 << true << 0 << true << QList<int>{} << 3 << true;
        QTest::newRow("killed while naming") << 3 << true << 1 << true << QList<int>{} << 3 << true;
        QTest::newRow("killed before filing") << 3 << true << 3 << true << QList<int>{} << 3 << true;
        QTest::newRow("a published message deleted since") << 3 << true << 3 << true << QList<int>{2} << 2 << true;
    }
    void earlierReceiveIsFinished()
    {
        QFETCH(int, staged);
        QFETCH(bool, journaled);
        QFETCH(int, published);
        QFETCH(bool, recorded);
        QFETCH(QList<int>, deletedLater);
        QFETCH(int, recovered);
        QFETCH(bool, idsRecorded);
        ReceiveJournal journal;
        ReceivedIdRecord record;
        record.add("older");
        for (int i = 1; i <= staged; ++i) {
            const QString stagedName = QStringLiteral(".receiving-%1").arg(i);
            const QString finalName = QStringLiteral("20261208120000_00%1.eml").arg(i);
            const QByteArray bytes = "message " + QByteArray::number(i);
            if (i <= published && !deletedLater.contains(i))
                writeBytes(input() + QLatin1Char('/') + finalName, bytes);
            else if (i > published)
                stage(bytes, stagedName);
            journal.entries().append({"uid-" + QByteArray::number(i), stagedName, finalName});
            if (recorded)
                record.add("uid-" + QByteArray::number(i));
        }
        QString error;
        if (journaled)
            QVERIFY(journal.save(journalFile(), &error));
        QVERIFY(record.save(recordFile(), &error));
        writeBytes(recordFile() + QStringLiteral(".Ab12Cd"), "an atomic write that was killed");

        ReceiveFolder folder(input(), recordFile());
        QVERIFY2(folder.open(&error), qPrintable(error));
        QCOMPARE(folder.recoveredPaths().size(), recovered);
        for (const QString& path : folder.recoveredPaths())
            QVERIFY(readBytes(path).startsWith("message "));
        QVERIFY(stagedFiles().isEmpty());
        QCOMPARE(inputFiles().size(), recovered);
        const ReceivedIdRecord after = savedRecord();
        QVERIFY(after.contains("older"));
        for (int i = 1; i <= staged; ++i)
            QCOMPARE(after.contains("uid-" + QByteArray::number(i)), idsRecorded);
        QVERIFY(!mailboxFiles().contains(QStringLiteral("ReceivedIds.txt.Ab12Cd")));
    }

    void stagedFileWhoseNameWasTakenGetsAnother()
    {
        ReceiveJournal journal;
        journal.entries().append({"uid-1", QStringLiteral(".receiving-1"), QStringLiteral("20261208120000_001.eml")});
        stage("mine", QStringLiteral(".receiving-1"));
        writeBytes(input() + QStringLiteral("/20261208120000_001.eml"), "someone else's");
        QString error;
        QVERIFY(journal.save(journalFile(), &error));
        ReceiveFolder folder(input(), recordFile());
        QVERIFY(folder.open(&error));
        QCOMPARE(folder.recoveredPaths().size(), 1);
        QCOMPARE(readBytes(folder.recoveredPaths().first()), QByteArray("mine"));
        QCOMPARE(readBytes(input() + QStringLiteral("/20261208120000_001.eml")), QByteArray("someone else's"));
    }

    void withoutRecordNothingIsJournaled()
    {
        ReceiveFolder folder(input(), QString());
        QString error;
        QVERIFY(folder.open(&error));
        const QStringList published = folder.commit({{"uid-1", stage("x", QStringLiteral(".receiving-1"))}}, &error);
        QCOMPARE(published.size(), 1);
        QVERIFY(mailboxFiles().isEmpty());
    }
};

QTEST_GUILESS_MAIN(ReceiveFolderTest)
#include "test_receive_folder.moc"
