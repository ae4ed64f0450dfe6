// Importing the sample stores into an account: the folders they bring, the flags they keep, the
// bytes stored, what a second import skips, bad input, and an export that imports back the same.
#include "ImportFixture.h"

#include "mailimport/MailExport.h"
#include "platform/mail/ReceiveFolder.h"
#include "storage/FolderTree.h"
#include "storage/MailFolderView.h"
#include "storage/ProfileStore.h"
#include "support/RecordingPrompts.h"
#include "support/TestFiles.h"
#include "transfer/MailFileReader.h"

#include <QDir>
#include <QTest>

using namespace fumibako;
using namespace fumibako::mailimport;
using fumibako::test::ImportAccounts;
using fumibako::test::readBytes;

using Entries = QMap<QString, QStringList>; // section -> "subject flags", sorted
Q_DECLARE_METATYPE(Entries)

class MailImportTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ImportAccounts> m_accounts;

private Q_SLOTS:
    void init() { m_accounts = std::make_unique<ImportAccounts>(); }

    // Each store's messages land in the folder its structure names, with the flags it kept
    // (save, unread, attachment digits); messages deleted in the store go into the trash.
    void storesBecomeFolders_data()
    {
        QTest::addColumn<QString>("sample");
        QTest::addColumn<QString>("target");
        QTest::addColumn<Entries>("expected");
        QTest::newRow("Thunderbird tree") << "thunderbird" << "標準BOX"
            << Entries{{"受信BOX\\Inbox", {"tb flagged 100", "tb read 000", "tb unread 010"}},
                       {"受信BOX\\Inbox\\仕事", {"仕事のメール 000"}},
                       {"ごみ箱", {"tb deleted 000"}}};
        QTest::newRow("Maildir into a folder of one's own") << "maildir" << "受信BOX\\移行"
            << Entries{{"受信BOX\\移行", {"md flagged 100", "md new 010", "md seen 000", "md unseen 010"}},
                       {"受信BOX\\移行\\Work", {"md work 000"}},
                       {"受信BOX\\移行\\Work\\2024", {"md work 2024 000"}},
                       {"受信BOX\\移行\\仕事", {"md in mUTF-7 010"}},
                       {"ごみ箱", {"md trashed 000"}}};
        QTest::newRow("MH with sequences") << "mh" << "受信BOX"
            << Entries{{"標準BOX", {"mh one 000", "mh ten 100", "mh three 010", "mh two 010"}},
                       {"受信BOX\\sub", {"mh in sub 000"}}};
        QTest::newRow("mboxrd with Status") << "mboxrd.mbox" << "標準BOX"
            << Entries{{"標準BOX", {"plain 010", "third 000", "会議のお知らせ 000"}}};
        QTest::newRow("into the trash") << "mboxo.mbox" << "ごみ箱"
            << Entries{{"ごみ箱", {"mboxo one 000", "mboxo two 000"}}};
    }
    void storesBecomeFolders()
    {
        QFETCH(QString, sample);
        QFETCH(QString, target);
        QFETCH(Entries, expected);
        if (target.startsWith(QStringLiteral("受信BOX\\"))) {
            storage::FolderTree tree;
            tree.addFolderPath(target);
            tree.save(m_accounts->account().userFile);
        }
        const ImportReport report = m_accounts->import({ImportAccounts::sample(sample)}, target);
        QVERIFY2(report.isClean(), qPrintable(importReportText(report)));
        int count = 0;
        for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
            QCOMPARE(m_accounts->entries(it.key()), it.value());
            count += int(it.value().size());
            if (it.key().startsWith(QStringLiteral("受信BOX\\")))
                QVERIFY2(m_accounts->folderList().contains(it.key()), qPrintable(it.key()));
        }
        QCOMPARE(report.imported, count);
        QCOMPARE(m_accounts->messageFiles().size(), count);
    }

    // Stored byte for byte: a file of its own as it is, an mbox message without its "From " line,
    // its quoting or the empty line after it.
    void bytesAsTheSourceHeldThem()
    {
        QVERIFY(m_accounts->import({ImportAccounts::sample(QStringLiteral("maildir/cur")), // a folder of message files
                                    ImportAccounts::sample(QStringLiteral("files/crlf.eml")),
                                    ImportAccounts::sample(QStringLiteral("mboxrd.mbox"))})
                    .isClean());
        const QList<QByteArray> stored = m_accounts->messageFiles();
        for (const QString& name : QDir(ImportAccounts::sample(QStringLiteral("maildir/cur"))).entryList(QDir::Files))
            QVERIFY(stored.contains(readBytes(ImportAccounts::sample(QStringLiteral("maildir/cur/")) + name)));
        QVERIFY(stored.contains(readBytes(ImportAccounts::sample(QStringLiteral("files/crlf.eml")))));
        const QByteArray mbox = readBytes(ImportAccounts::sample(QStringLiteral("mboxrd.mbox")));
        const qsizetype begin = mbox.indexOf('\n') + 1;
        const QByteArray first = mbox.mid(begin, mbox.indexOf("\n\nFrom ", begin) + 1 - begin)
                                     .replace(">From the start", "From the start")
                                     .replace(">>From a quoted", ">From a quoted");
        QVERIFY(stored.contains(first));
    }

    // The same sources again add nothing: by Message-ID, and by a digest where there is none.
    void importedOnce()
    {
        const QStringList sources = {ImportAccounts::sample(QStringLiteral("mh")), ImportAccounts::sample(QStringLiteral("files/crlf.eml"))};
        const ImportReport first = m_accounts->import(sources);
        QCOMPARE(first.imported, 6);
        const QList<QByteArray> files = m_accounts->messageFiles();
        const ImportReport again = m_accounts->import(sources);
        QCOMPARE(again.imported, 0);
        QCOMPARE(again.alreadyImported, 6);
        QVERIFY(importReportText(again).contains(QStringLiteral("インポート済みのため飛ばしたメール: 6 通")));
        QCOMPARE(m_accounts->messageFiles(), files);
        // A message met twice in one import comes in once.
        const ImportReport twice = m_accounts->import({ImportAccounts::sample(QStringLiteral("mboxrd.mbox")),
                                                       ImportAccounts::sample(QStringLiteral("mboxrd.mbox"))});
        QCOMPARE(twice.imported, 3);
        QCOMPARE(twice.alreadyImported, 3);
    }

    // Files that are no mail are named in the report; the good messages come in; a message
    // whose MIME is broken comes in as it is; a cut mbox is named with its last message.
    void badInputIsNamed()
    {
        const ImportReport report = m_accounts->import({ImportAccounts::sample(QStringLiteral("files")),
                                                        ImportAccounts::sample(QStringLiteral("truncated.mbox")),
                                                        m_accounts->dataDir() + QStringLiteral("/nothing-here")});
        QCOMPARE(report.end, RunEnd::Completed);
        QCOMPARE(report.imported, 4);
        QStringList named;
        for (const ReportItem& item : report.notImported)
            named.append(QFileInfo(item.where).fileName() + QLatin1Char(' ') + item.reason);
        QCOMPARE(named, (QStringList{QStringLiteral("notes.txt メールのファイルではありません"),
                                     QStringLiteral("picture.png メールのファイルではありません"),
                                     QStringLiteral("nothing-here 見つかりません")}));
        QCOMPARE(report.notes.size(), 1);
        QVERIFY(report.notes.first().where.endsWith(QStringLiteral("truncated.mbox の 2 通目")));
        const QString text = importReportText(report);
        QVERIFY2(text.contains(QStringLiteral("メールとして読めず、インポートしなかったもの: 3 件")), qPrintable(text));
        QVERIFY(!report.isClean());
        QCOMPARE(m_accounts->entries(QStringLiteral("標準BOX")),
                 (QStringList{"broken mime 001", "crlf 000", "cut short 000", "whole 000"}));
        // Nothing was written outside the account's mailbox.
        QCOMPARE(QDir(ImportAccounts::sample(QStringLiteral("files"))).entryList(QDir::Files).size(), 4);
    }

    // A batch that was stored and journaled but not filed (the import was killed) is filed by the
    // next import, into the folder and with the flags its journal names, and not twice.
    void journaledBatchIsFiledByTheNext()
    {
        const storage::AccountPaths paths = m_accounts->account();
        const QString stagingFile = paths.inputDir + QStringLiteral(".importing/.receiving-1");
        test::writeBytes(stagingFile, readBytes(ImportAccounts::sample(QStringLiteral("mh/10"))));
        platform::mail::ReceiveJournal journal;
        journal.entries().append({importKey("<sample-34@example.jp>", {}), QStringLiteral(".receiving-1"), QStringLiteral("20261209120000_001.eml"),
                                  QByteArray("10\tごみ箱")});
        QString error;
        QVERIFY(journal.save(platform::mail::ReceiveFolder::journalFile(importRecordFile(paths)), &error));
        const ImportReport report = m_accounts->import({ImportAccounts::sample(QStringLiteral("mh/10"))});
        QCOMPARE(report.resumed, 1);
        QCOMPARE(report.imported, 0); // the same message: its key was journaled
        QCOMPARE(m_accounts->entries(QStringLiteral("ごみ箱")), QStringList{"mh ten 100"});
        QVERIFY(!QFileInfo::exists(platform::mail::ReceiveFolder::journalFile(importRecordFile(paths))));
        QCOMPARE(m_accounts->messageFiles().size(), 1);
    }

    void outgoingFoldersTakeNoImport_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("messages");
        QTest::addColumn<QString>("folders");
        QTest::newRow("inbox") << "受信BOX" << "標準BOX" << "受信BOX";
        QTest::newRow("unread view") << "未読メール" << "標準BOX" << "受信BOX";
        QTest::newRow("trash") << "ごみ箱" << "ごみ箱" << "受信BOX";
        QTest::newRow("own folder") << "受信BOX\\a" << "受信BOX\\a" << "受信BOX\\a";
        QTest::newRow("outbox") << "送信BOX" << "" << "";
        QTest::newRow("drafts") << "下書き" << "" << "";
        QTest::newRow("no such folder") << "受信BOX\\zz" << "" << "";
    }
    void outgoingFoldersTakeNoImport()
    {
        QFETCH(QString, key);
        storage::FolderTree tree;
        tree.addFolderPath(QStringLiteral("受信BOX\\a"));
        const std::optional<ImportTarget> target = importTargetFor(tree, key);
        QTEST(target ? target->messagesKey : QString(), "messages");
        QTEST(target ? target->parentKey : QString(), "folders");
    }

    // An export imports back as the same messages, byte for byte.
    void exportImportsBack_data()
    {
        QTest::addColumn<int>("format");
        QTest::newRow("mbox") << int(ExportFormat::Mbox);
        QTest::newRow("eml files") << int(ExportFormat::EmlFiles);
    }
    void exportImportsBack()
    {
        QFETCH(int, format);
        QVERIFY(m_accounts->import({ImportAccounts::sample(QStringLiteral("mboxrd.mbox")), ImportAccounts::sample(QStringLiteral("mboxo.mbox")),
                                    ImportAccounts::sample(QStringLiteral("files/crlf.eml")), ImportAccounts::sample(QStringLiteral("mh"))},
                                   QStringLiteral("受信BOX"))
                    .isClean());
        test::RecordingPrompts prompts;
        storage::FolderTree tree;
        tree.load(m_accounts->account().userFile, prompts);
        transfer::MailFileReader reader;
        storage::MailFolderView view(tree, prompts, reader);
        view.setAccount(m_accounts->account(), m_accounts->dataDir());
        view.SelectFolder(QStringLiteral("標準BOX"));
        const QString target = m_accounts->dataDir() + (format == int(ExportFormat::Mbox) ? QStringLiteral("/out.mbox") : QStringLiteral("/out"));
        MailExporter exporter(exportItems(view), ExportFormat(format), target);
        const ExportReport report = exporter.run();
        QCOMPARE(report.end, RunEnd::Completed);
        QCOMPARE(report.written, 10);
        const ImportReport back = m_accounts->import({target}, QStringLiteral("標準BOX"), QStringLiteral("hanako"));
        QCOMPARE(back.imported, 10);
        QList<QByteArray> exported = m_accounts->messageFiles(QStringLiteral("hanako"));
        QList<QByteArray> original;
        for (const QByteArray& bytes : m_accounts->messageFiles())
            original.append(bytes);
        original.removeIf([&](const QByteArray& bytes) { return bytes.contains("mh in sub"); });
        QCOMPARE(exported, original);
    }

    // A cancelled mbox export leaves no file; the .eml export never replaces a file.
    void exportKeepsWhatIsThere()
    {
        QVERIFY(m_accounts->import({ImportAccounts::sample(QStringLiteral("mboxrd.mbox"))}).isClean());
        QList<ExportItem> items;
        for (const QString& name : QDir(m_accounts->account().inputDir).entryList(QDir::Files))
            items.append({m_accounts->account().inputDir + name, QString()});
        MailExporter cancelled(items, ExportFormat::Mbox, m_accounts->dataDir() + QStringLiteral("/cancelled.mbox"));
        cancelled.requestCancel();
        QCOMPARE(cancelled.run().end, RunEnd::Cancelled);
        QVERIFY(!QFileInfo::exists(m_accounts->dataDir() + QStringLiteral("/cancelled.mbox")));
        const QString folder = m_accounts->dataDir() + QStringLiteral("/emls");
        test::writeBytes(folder + QLatin1Char('/') + QFileInfo(items.first().path).fileName(), "mine");
        QCOMPARE(MailExporter(items, ExportFormat::EmlFiles, folder).run().written, 3);
        QCOMPARE(readBytes(folder + QLatin1Char('/') + QFileInfo(items.first().path).fileName()), QByteArray("mine"));
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 4);
    }
};

QTEST_GUILESS_MAIN(MailImportTest)
#include "test_mail_import.moc"
