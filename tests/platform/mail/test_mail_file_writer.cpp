#include "platform/mail/MailFileWriter.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using fumibako::platform::mail::MailFileWriter;
using fumibako::test::readBytes;

class TestMailFileWriter : public QObject {
    Q_OBJECT

    static QStringList visibleFiles(const QString& dir) { return QDir(dir).entryList(QDir::Files); }
    static QStringList allFiles(const QString& dir) { return QDir(dir).entryList(QDir::Files | QDir::Hidden); }

private Q_SLOTS:
    void bytesArriveUnchangedWhateverTheChunks_data()
    {
        QTest::addColumn<int>("chunk");
        QTest::addColumn<int>("total");
        QTest::newRow("tiny pieces") << 7 << 100000;
        QTest::newRow("one piece beyond the buffer") << 600000 << 600000;
        QTest::newRow("pieces around the buffer size") << 262143 << 1000000;
        QTest::newRow("empty message") << 1 << 0;
    }
    void bytesArriveUnchangedWhateverTheChunks()
    {
        QFETCH(int, chunk);
        QFETCH(int, total);
        QTemporaryDir dir;
        QByteArray data(total, Qt::Uninitialized);
        for (int i = 0; i < total; ++i)
            data[i] = char('a' + (i * 7) % 26);
        MailFileWriter writer(dir.path());
        QVERIFY(writer.open());
        for (int at = 0; at < total; at += chunk)
            QVERIFY(writer.write(data.constData() + at, size_t(std::min(chunk, total - at))));
        const QString temp = writer.commit();
        QVERIFY(!temp.isEmpty());
        QVERIFY(visibleFiles(dir.path()).isEmpty()); // a hidden file until it is published
        QCOMPARE(readBytes(temp), data);
        QCOMPARE(allFiles(dir.path()).size(), 1);
    }

    void droppedWriterLeavesNothing()
    {
        QTemporaryDir dir;
        {
            MailFileWriter writer(dir.path());
            QVERIFY(writer.open());
            QVERIFY(writer.write("partial", 7));
        }
        QVERIFY(allFiles(dir.path()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestMailFileWriter)
#include "test_mail_file_writer.moc"
