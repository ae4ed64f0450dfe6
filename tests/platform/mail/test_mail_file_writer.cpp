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
        QVERIFY(visibleFiles(dir.path()).isEmpty()); // nothing shows before it is published
        QString error;
        const QStringList published = MailFileWriter::publish(dir.path(), {temp}, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(published.size(), 1);
        QCOMPARE(readBytes(published.first()), data);
        QCOMPARE(allFiles(dir.path()).size(), 1); // no temporary file left behind
    }

    void publishingNeverReplacesAndKeepsOrder()
    {
        QTemporaryDir dir;
        QStringList temps;
        for (int i = 0; i < 3; ++i) {
            MailFileWriter writer(dir.path());
            QVERIFY(writer.open());
            const QByteArray text = "message " + QByteArray::number(i);
            QVERIFY(writer.write(text.constData(), size_t(text.size())));
            temps.append(writer.commit());
        }
        QString error;
        const QStringList first = MailFileWriter::publish(dir.path(), temps.mid(0, 2), &error);
        const QStringList second = MailFileWriter::publish(dir.path(), temps.mid(2), &error);
        QVERIFY(error.isEmpty());
        QCOMPARE(visibleFiles(dir.path()).size(), 3);
        QCOMPARE(readBytes(first.at(1)), QByteArray("message 1"));
        QCOMPARE(readBytes(second.at(0)), QByteArray("message 2"));
        QVERIFY(!first.contains(second.first()));
    }

    void aFileThatCannotBeMadeDurablePublishesNothing()
    {
        QTemporaryDir dir;
        MailFileWriter writer(dir.path());
        QVERIFY(writer.open());
        QVERIFY(writer.write("x", 1));
        const QString temp = writer.commit();
        QString error;
        const QStringList published
            = MailFileWriter::publish(dir.path(), {temp, dir.path() + QStringLiteral("/.gone")}, &error);
        QVERIFY(published.isEmpty());
        QVERIFY(!error.isEmpty());
        QVERIFY(allFiles(dir.path()).isEmpty()); // the complete one is removed too: its message stays on the server
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
