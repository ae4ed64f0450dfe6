#include "platform/Cp932.h"
#include "storage/ProfileStore.h"
#include "support/TestFiles.h"
#include "transfer/MailFileReader.h"
#include "transfer/OutgoingMailFile.h"
#include "transfer/ReceivedFileWorker.h"
#include "transfer/StoredMail.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace fumibako::transfer;
using fumibako::test::readBytes;
using fumibako::test::writeBytes;

namespace {

const QByteArray kPlainMessage = "From: =?UTF-8?B?5bGx55Sw?= <yamada@example.jp>\r\n"
                                 "To: sato@example.com\r\nSubject: =?UTF-8?B?5pel5pys6Kqe?=\r\n"
                                 "Date: Sat, 05 Dec 2026 10:00:00 +0900\r\nMIME-Version: 1.0\r\n"
                                 "Content-Type: text/plain; charset=UTF-8\r\n\r\n"
                                 "一行目\r\n二行目\r\n";

const QByteArray kTwoAttachments = "From: yamada@example.jp\r\nTo: sato@example.com\r\nSubject: files\r\n"
                                   "Date: Sat, 05 Dec 2026 10:00:00 +0900\r\nMIME-Version: 1.0\r\n"
                                   "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n"
                                   "--b\r\nContent-Type: text/plain\r\n\r\nsee\r\n"
                                   "--b\r\nContent-Type: application/octet-stream\r\n"
                                   "Content-Disposition: attachment; filename=\"one.bin\"\r\n"
                                   "Content-Transfer-Encoding: base64\r\n\r\nAAEC\r\n"
                                   "--b\r\nContent-Type: text/plain\r\n"
                                   "Content-Disposition: attachment; filename=\"two.txt\"\r\n\r\ntwo\r\n"
                                   "--b--\r\n";

CurrentMail outgoingSample()
{
    CurrentMail mail;
    mail.to = QStringLiteral("佐藤 <sato@example.com>, b@example.jp");
    mail.cc = QStringLiteral("cc@example.jp");
    mail.bcc = QString();
    mail.attachments = QStringList{QStringLiteral("/tmp/報告書.pdf|report.pdf, /tmp/a.txt")};
    mail.subject = QStringLiteral("〜波ダッシュと①の件名");
    mail.keepFlag = 1;
    mail.body = QStringLiteral("本文 1 行目\r\n\r\n3 行目 🍣");
    return mail;
}

} // namespace

class TestStoredMail : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_folder;
    QString m_work;

private Q_SLOTS:
    void init()
    {
        m_folder = m_dir.path() + QStringLiteral("/box%1/").arg(QTest::currentTestFunction());
        m_work = m_folder + QStringLiteral("work/");
        QDir().mkpath(m_work);
    }

    void outgoingRoundTrip()
    {
        CurrentMail written = outgoingSample();
        written.mailPath = m_folder;
        written.mailName = QStringLiteral("20261205-100000.txt");
        QVERIFY(WriteOutgoingFile(written));
        const QByteArray bytes = readBytes(m_folder + written.mailName);
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        QVERIFY(bytes.contains("\r\n 1 \r\n"));
        QVERIFY(bytes.endsWith("\r\n"));

        CurrentMail read;
        QVERIFY(ReadStoredMail(read, StoredMailKind::Outgoing, m_folder, written.mailName, QString()));
        QCOMPARE(read.to, written.to);
        QCOMPARE(read.cc, written.cc);
        QCOMPARE(read.bcc, QString());
        QCOMPARE(read.attachments, written.attachments);
        QCOMPARE(read.subject, written.subject);
        QCOMPARE(read.keepFlag, qint16(1));
        QCOMPARE(read.body, written.body);
        QCOMPARE(read.from, written.to);
        QCOMPARE(read.date, QStringLiteral("20261205-100000"));
        QCOMPARE(read.mailPath, m_folder);
        QCOMPARE(read.mailName, written.mailName);
    }

    void headerLineBreaksCannotShiftLines()
    {
        CurrentMail written = outgoingSample();
        written.subject = QStringLiteral("two\r\nlines");
        written.to = QStringLiteral("a@example.jp\n");
        written.mailPath = m_folder;
        written.mailName = QStringLiteral("x.txt");
        QVERIFY(WriteOutgoingFile(written));
        CurrentMail read;
        QVERIFY(ReadOutgoingFile(read, m_folder, written.mailName));
        QCOMPARE(read.subject, QStringLiteral("two lines"));
        QCOMPARE(read.to, QStringLiteral("a@example.jp "));
        QCOMPARE(read.keepFlag, qint16(1));
        QCOMPARE(read.body, written.body);
    }

    void readsFilesOfOtherForms_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("subject");
        QTest::addColumn<qint16>("keepFlag");
        QTest::addColumn<QString>("body");
        QTest::newRow("code page 932, no byte order mark")
            << fumibako::platform::encodeCp932(u"to\r\n\r\n\r\n\r\n件名①\r\n 0 \r\n本文\r\n")
            << QStringLiteral("件名①") << qint16(0) << QStringLiteral("本文");
        QTest::newRow("exactly six lines: empty body") << QByteArray("to\r\n\r\n\r\n\r\ns\r\n 1 \r\n") << "s"
                                                       << qint16(1) << QString();
        QTest::newRow("six lines, last without line end") << QByteArray("to\r\n\r\n\r\n\r\ns\r\n1") << "s"
                                                          << qint16(1) << QString();
        QTest::newRow("any flag but 0 is 1") << QByteArray("to\r\n\r\n\r\n\r\ns\r\n -7 \r\nb\r\n") << "s"
                                             << qint16(1) << "b";
        QTest::newRow("empty lines kept in the body")
            << QByteArray("to\r\n\r\n\r\n\r\ns\r\n 0 \r\n\r\nb\r\n\r\n\r\n") << "s" << qint16(0)
            << QStringLiteral("\r\nb\r\n\r\n");
        QTest::newRow("LF line ends") << QByteArray("to\n\n\n\ns\n 0 \nb1\nb2\n") << "s" << qint16(0)
                                      << QStringLiteral("b1\r\nb2");
    }
    void readsFilesOfOtherForms()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, subject);
        QFETCH(qint16, keepFlag);
        QFETCH(QString, body);
        writeBytes(m_folder + QStringLiteral("m.txt"), bytes);
        CurrentMail mail;
        QVERIFY(ReadOutgoingFile(mail, m_folder, QStringLiteral("m.txt")));
        QCOMPARE(mail.to, QStringLiteral("to"));
        QCOMPARE(mail.subject, subject);
        QCOMPARE(mail.keepFlag, keepFlag);
        QCOMPARE(mail.body, body);
    }

    void unreadableOutgoingFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("five lines") << QByteArray("to\r\n\r\n\r\n\r\ns\r\n");
        QTest::newRow("line 6 not a number") << QByteArray("to\r\n\r\n\r\n\r\ns\r\n x \r\nbody\r\n");
        QTest::newRow("line 6 empty") << QByteArray("to\r\n\r\n\r\n\r\ns\r\n\r\nbody\r\n");
        QTest::newRow("line 6 beyond 16 bits") << QByteArray("to\r\n\r\n\r\n\r\ns\r\n 70000 \r\nbody\r\n");
        QTest::newRow("missing file") << QByteArray();
    }
    void unreadableOutgoingFiles()
    {
        QFETCH(QByteArray, bytes);
        if (!bytes.isEmpty())
            writeBytes(m_folder + QStringLiteral("m.txt"), bytes);
        CurrentMail mail = outgoingSample();
        QVERIFY(!ReadStoredMail(mail, StoredMailKind::Outgoing, m_folder, QStringLiteral("m.txt"), QString()));
        QCOMPARE(mail.subject, outgoingSample().subject); // unchanged
        MailFileReader reader;
        QVERIFY(!reader.readOutgoing(m_folder, QStringLiteral("m.txt")));
    }

    void readsReceivedMail()
    {
        writeBytes(m_folder + QStringLiteral("r.eml"), kTwoAttachments);
        CurrentMail mail = outgoingSample();
        QVERIFY(ReadStoredMail(mail, StoredMailKind::Received, m_folder, QStringLiteral("r.eml"), m_work));
        QCOMPARE(mail.subject, QStringLiteral("files"));
        QCOMPARE(mail.from, QStringLiteral("yamada@example.jp"));
        QCOMPARE(mail.to, QStringLiteral("sato@example.com"));
        QCOMPARE(mail.attachments.size(), 3);
        QCOMPARE(mail.attachments.at(0), QStringLiteral("2"));
        QCOMPARE(mail.attachments.at(1), m_work + QStringLiteral("one.bin"));
        QCOMPARE(readBytes(mail.attachments.at(2)), QByteArray("two"));
        // What a received file has no place for stays from the previous read.
        QCOMPARE(mail.cc, outgoingSample().cc);
        QCOMPARE(mail.keepFlag, qint16(1));
        QCOMPARE(mail.mailName, QStringLiteral("r.eml"));
    }

    // Read without an attachment folder (the preview): the attachments are counted and named,
    // and however often the message is read, nothing lands in the work folder.
    void readsReceivedMailWithoutWritingAttachments()
    {
        writeBytes(m_folder + QStringLiteral("r.eml"), kTwoAttachments);
        for (int read = 0; read < 3; ++read) {
            CurrentMail mail;
            QVERIFY(ReadStoredMail(mail, StoredMailKind::Received, m_folder, QStringLiteral("r.eml"), QString()));
            QCOMPARE(mail.attachments, (QStringList{QStringLiteral("2"), QStringLiteral("one.bin"), QStringLiteral("two.txt")}));
            QVERIFY(mail.body.startsWith(QStringLiteral("see")));
        }
        QVERIFY(QDir(m_work).isEmpty());
        QCOMPARE(QDir(m_folder).entryList(QDir::Files), QStringList{QStringLiteral("r.eml")});
    }

    void indexesReceivedMail_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<bool>("isNew");
        QTest::addColumn<QString>("value");
        QTest::newRow("no attachment, new")
            << kPlainMessage << true
            << QStringLiteral("010\t山田 <yamada@example.jp>\t日本語\t2026/12/05 10:00:00");
        QTest::newRow("two attachments, new") << kTwoAttachments << true
                                              << QStringLiteral("011\tyamada@example.jp\tfiles\t2026/12/05 10:00:00");
        QTest::newRow("not new") << kPlainMessage << false
                                 << QStringLiteral("000\t山田 <yamada@example.jp>\t日本語\t2026/12/05 10:00:00");
    }
    void indexesReceivedMail()
    {
        QFETCH(QByteArray, message);
        QFETCH(bool, isNew);
        QFETCH(QString, value);
        qputenv("TZ", "Asia/Tokyo");
        writeBytes(m_folder + QStringLiteral("plain.eml"), message);
        const QString index = m_folder + QStringLiteral("MailCom.ini");
        CurrentMail mail;
        QCOMPARE(IndexReceivedMail(mail, isNew, m_folder, QStringLiteral("plain.eml"), QStringLiteral("標準BOX"),
                                   index, m_work),
                 Filing::Filed);
        QCOMPARE(fumibako::storage::IniGetString(QStringLiteral("標準BOX"), QStringLiteral("plain.eml"), 1024, index),
                 value);
    }

    // Filing from the summary must give exactly the entry a full read gives.
    void summaryFilingGivesTheSameEntry_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::newRow("plain") << kPlainMessage;
        QTest::newRow("two attachments") << kTwoAttachments;
        const QDir samples(QStringLiteral(MAIL_SAMPLES));
        for (const QString& name : samples.entryList({QStringLiteral("*.eml")}, QDir::Files, QDir::Name))
            QTest::newRow(qPrintable(name)) << readBytes(samples.filePath(name));
    }
    void summaryFilingGivesTheSameEntry()
    {
        QFETCH(QByteArray, message);
        qputenv("TZ", "Asia/Tokyo");
        const QString full = m_folder + QStringLiteral("full.ini");
        const QString summary = m_folder + QStringLiteral("summary.ini");
        writeBytes(m_folder + QStringLiteral("a b.eml"), message);
        writeBytes(m_folder + QStringLiteral("c d.eml"), message);
        CurrentMail mail;
        const Filing fullResult =
            IndexReceivedMail(mail, true, m_folder, QStringLiteral("a b.eml"), QStringLiteral("標準BOX"), full, m_work);
        const Filing summaryResult =
            IndexReceivedMailSummary(true, m_folder, QStringLiteral("c d.eml"), QStringLiteral("標準BOX"), summary);
        QCOMPARE(summaryResult, fullResult);
        const auto entry = [](const QString& key, const QString& index) {
            return fumibako::storage::IniGetString(QStringLiteral("標準BOX"), key, 4096, index);
        };
        QCOMPARE(entry(QStringLiteral("cd.eml"), summary), entry(QStringLiteral("ab.eml"), full));
    }

    void workerReadsFilesAsTheyArrive()
    {
        writeBytes(m_folder + QStringLiteral(".r1"), kTwoAttachments);
        writeBytes(m_folder + QStringLiteral(".r2"), "not mail");
        writeBytes(m_folder + QStringLiteral(".r3"), kPlainMessage);
        ReceivedFileWorker worker;
        worker.add(2, m_folder + QStringLiteral(".r3"));
        worker.add(0, m_folder + QStringLiteral(".r1"));
        worker.add(1, m_folder + QStringLiteral(".r2"));
        const auto summaries = worker.takeAll();
        QCOMPARE(summaries.size(), size_t(3));
        QCOMPARE(summaries[0]->summary->attachments, 2);
        QCOMPARE(summaries[0]->summary->subject, QStringLiteral("files"));
        QVERIFY(!summaries[1]->summary.has_value());
        QCOMPARE(summaries[2]->summary->subject, QStringLiteral("日本語"));
        QCOMPARE(summaries[2]->summary->attachments, 0);
    }

    // What the filing rules read is read by the worker: deciding later needs the file no more.
    void workerReadsWhatTheRulesNeed()
    {
        const QString path = m_folder + QStringLiteral(".r1");
        writeBytes(path, "From: a@example.jp\r\nList-Id: <ml.example.jp>\r\nSubject: x\r\n\r\nbody\r\n");
        fumibako::filing::FieldNeeds needs;
        needs.addHeader(QStringLiteral("List-Id"));
        needs.body = true;
        ReceivedFileWorker worker(needs);
        worker.add(0, path);
        auto read = worker.takeAll();
        QVERIFY(QFile::remove(path));
        fumibako::filing::FilingInput& input = read.at(0)->filing;
        QCOMPARE(input.header(QStringLiteral("list-id")), QStringList{QStringLiteral("<ml.example.jp>")});
        QCOMPARE(input.header(QStringLiteral("From")), QStringList{QStringLiteral("a@example.jp")});
        QCOMPARE(input.body(), QStringLiteral("body\r\n"));
    }

    // More files than the worker is woken for at once: the worker and takeAll() share them, and
    // every one is read exactly where it belongs.
    void workerAndTakerShareManyFiles()
    {
        constexpr int kFiles = 100;
        ReceivedFileWorker worker;
        for (int i = 0; i < kFiles; ++i) {
            const QString path = m_folder + QStringLiteral(".m%1").arg(i);
            writeBytes(path, i % 3 == 0 ? kTwoAttachments : kPlainMessage);
            worker.add(i, path);
        }
        const auto summaries = worker.takeAll();
        QCOMPARE(summaries.size(), size_t(kFiles));
        for (int i = 0; i < kFiles; ++i) {
            QVERIFY2(summaries[size_t(i)] && summaries[size_t(i)]->summary, qPrintable(QString::number(i)));
            QCOMPARE(summaries[size_t(i)]->summary->attachments, i % 3 == 0 ? 2 : 0);
        }
    }

    void unsafeNamesAreCleaned()
    {
        const QString index = m_folder + QStringLiteral("MailCom.ini");
        const QStringList expected{QStringLiteral("ab1.txt"), QStringLiteral("ab1.txt(1)"),
                                   QStringLiteral("ab1.txt(2)")};
        for (const QString& name : expected) {
            const QString received = QStringLiteral("a b[1]=.txt");
            writeBytes(m_folder + received, kPlainMessage);
            CurrentMail mail;
            QCOMPARE(IndexReceivedMail(mail, true, m_folder, received, QStringLiteral("標準BOX"), index, m_work),
                     Filing::FiledRenamed);
            QVERIFY(QFile::exists(m_folder + name));
            QVERIFY(!QFile::exists(m_folder + received));
            QCOMPARE(mail.mailName, name);
            QVERIFY(fumibako::storage::IniGetString(QStringLiteral("標準BOX"), name, 1024, index).startsWith("010\t"));
        }
    }

    void failuresWriteNoEntry()
    {
        const QString index = m_folder + QStringLiteral("MailCom.ini");
        CurrentMail mail;
        // A file that is not there.
        QCOMPARE(IndexReceivedMail(mail, true, m_folder, QStringLiteral("none.eml"), QStringLiteral("標準BOX"), index,
                                   m_work),
                 Filing::NotFiled);
        // A name that needs a move the folder does not allow.
        const QString name = QStringLiteral("a b.eml");
        writeBytes(m_folder + name, kPlainMessage);
        QFile::setPermissions(m_folder, QFile::ReadOwner | QFile::ExeOwner);
        const Filing result = IndexReceivedMail(mail, true, m_folder, name, QStringLiteral("標準BOX"), index, m_work);
        QFile::setPermissions(m_folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (QFile::exists(m_folder + QStringLiteral("ab.eml")))
            QSKIP("running with rights that ignore folder permissions");
        QCOMPARE(result, Filing::NotFiled);
        QStringList lines;
        QVERIFY(!fumibako::storage::IniGetSection(QStringLiteral("標準BOX"), index, lines));
    }

    void readerForListings()
    {
        writeBytes(m_folder + QStringLiteral("r.eml"), kTwoAttachments);
        writeBytes(m_folder + QStringLiteral("p.eml"), kPlainMessage);
        writeBytes(m_folder + QStringLiteral("o.txt"), "to\r\n\r\n\r\n/x.pdf\r\ns\r\n 0 \r\n");
        writeBytes(m_folder + QStringLiteral("n.txt"), "to\r\n\r\n\r\n\r\ns\r\n 0 \r\n");
        MailFileReader reader;
        QCOMPARE(reader.readReceived(m_folder, QStringLiteral("r.eml"), m_work)->hasAttachments, true);
        const auto plain = reader.readReceived(m_folder, QStringLiteral("p.eml"), m_work);
        QCOMPARE(plain->hasAttachments, false);
        QCOMPARE(plain->subject, QStringLiteral("日本語"));
        QVERIFY(!reader.readReceived(m_folder, QStringLiteral("missing.eml"), m_work));
        const auto outgoing = reader.readOutgoing(m_folder, QStringLiteral("o.txt"));
        QCOMPARE(outgoing->hasAttachments, true);
        QCOMPARE(outgoing->from, QStringLiteral("to"));
        QCOMPARE(outgoing->date, QStringLiteral("o"));
        QCOMPARE(reader.readOutgoing(m_folder, QStringLiteral("n.txt"))->hasAttachments, false);
        QVERIFY(QDir(m_work).isEmpty()); // listing extracts no attachment
    }
};

QTEST_GUILESS_MAIN(TestStoredMail)
#include "test_stored_mail.moc"
