#include "storage/FolderTree.h"
#include "storage/IndexEntry.h"
#include "storage/MailFolderView.h"
#include "storage/ProfileStore.h"
#include "storage/StoredMailReader.h"
#include "support/RecordingPrompts.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <tuple>

using namespace fumibako::storage;
using namespace fumibako::test;
using fumibako::platform::Answer;

namespace {

/** Reads a file named "r-*" as received mail and "o-*" as outgoing; any other file is unreadable. */
class FakeMailReader : public StoredMailReader {
public:
    std::optional<StoredMailSummary> readReceived(const QString& dir, const QString& name, const QString&) override
    {
        const QByteArray content = readBytes(dir + name);
        if (!content.startsWith("From: "))
            return std::nullopt;
        return StoredMailSummary{QString::fromUtf8(content.mid(6)).trimmed(), QStringLiteral("件名\t") + name,
                                 QStringLiteral("2026/12/01 10:00:00"),
                                 name.contains(QLatin1String("att"))};
    }
    std::optional<StoredMailSummary> readOutgoing(const QString& dir, const QString& name) override
    {
        if (readBytes(dir + name).isEmpty())
            return std::nullopt;
        return StoredMailSummary{QStringLiteral("to@example.jp"), QStringLiteral("下書き件名"), name.chopped(4), false};
    }
};

QString entry(const QString& flags, const QString& subject = QStringLiteral("件名"))
{
    return flags + QStringLiteral("\t差出人\t") + subject + QStringLiteral("\t2026/12/01 09:00:00");
}

} // namespace

class TestFolderIndex : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    AccountPaths m_paths;
    FolderTree m_tree;
    RecordingPrompts m_prompts;
    FakeMailReader m_reader;

    QString index() const { return m_paths.receivedIndexFile; }
    void mail(const QString& name, const QByteArray& content = "From: 山田 <y@example.jp>\r\n")
    {
        writeBytes(m_paths.inputDir + name, content);
    }
    void put(const QString& section, const QString& key, const QString& value)
    {
        IniWriteString(section, key, value, index());
    }
    QStringList keys(const MailFolderView& view) const
    {
        QStringList result;
        for (const MailRow& row : view.rows().rows())
            result.append(row.keyString());
        return result;
    }
    QStringList rowsWithFolders(const MailFolderView& view) const
    {
        QStringList result;
        for (const MailRow& row : view.rows().rows())
            result.append(row.tag + QLatin1Char('/') + row.keyString());
        return result;
    }
    // A received message in "標準BOX" and one in a user folder, a draft and a sent message.
    void searchResultsData()
    {
        mail(QStringLiteral("a.eml"));
        mail(QStringLiteral("w.eml"));
        put(QStringLiteral("標準BOX"), QStringLiteral("a.eml"), entry(QStringLiteral("010")));
        put(QStringLiteral("受信BOX\\仕事"), QStringLiteral("w.eml"), entry(QStringLiteral("010"), QStringLiteral("仕事の件")));
        writeBytes(m_paths.draftDir + QStringLiteral("d.txt"), "draft");
        writeBytes(m_paths.outputDir + QStringLiteral("s.txt"), "sent");
        IniWriteString(QStringLiteral("下書き"), QStringLiteral("d.txt"), entry(QStringLiteral("001")), m_paths.outgoingIndexFile);
        IniWriteString(QStringLiteral("送信済BOX"), QStringLiteral("s.txt"), entry(QStringLiteral("000")), m_paths.outgoingIndexFile);
    }
    QStringList sectionKeys(const QString& section, const QString& file) const
    {
        QStringList lines;
        IniGetSection(section, file, lines);
        for (QString& line : lines)
            line = line.left(line.indexOf(QLatin1Char('=')));
        return lines;
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_paths = AccountPaths::make(m_dir.path(), QStringLiteral("acc"));
        for (const QString& d : {m_paths.inputDir, m_paths.outputDir, m_paths.draftDir})
            QVERIFY(QDir().mkpath(d));
        m_tree = FolderTree();
        m_tree.rename(m_tree.addFolder(kInboxNode), QStringLiteral("仕事"), index(), m_prompts);
        m_prompts = RecordingPrompts();
    }
    void cleanup()
    {
        m_dir.remove();
        m_dir = QTemporaryDir();
    }

    void parseIndexLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("parses");
        QTest::addColumn<QString>("subject");
        QTest::newRow("normal") << QStringLiteral("a.eml=110\tfrom\tsub\tdate") << true << QStringLiteral("sub");
        QTest::newRow("empty fields") << QStringLiteral("a=000\t\t\t") << true << QString();
        QTest::newRow("date may hold tabs") << QStringLiteral("a=000\tf\ts\td\tmore") << true << QStringLiteral("s");
        QTest::newRow("one tab") << QStringLiteral("a=000\tf\ts") << false << QString();
        QTest::newRow("flag not a digit") << QStringLiteral("a=0x0\tf\ts\td") << false << QString();
        QTest::newRow("full-width digit") << QStringLiteral("a=０00\tf\ts\td") << false << QString();
        QTest::newRow("short value") << QStringLiteral("a=00") << false << QString();
        QTest::newRow("no equals") << QStringLiteral("garbage") << false << QString();
        QTest::newRow("value with equals") << QStringLiteral("k=000\tf=1\ts=2\td") << true << QStringLiteral("s=2");
    }
    void parseIndexLine()
    {
        QFETCH(QString, line);
        QFETCH(bool, parses);
        QFETCH(QString, subject);
        const std::optional<MailRow> row = ParseIndexLine(line);
        QCOMPARE(row.has_value(), parses);
        if (row)
            QCOMPARE(row->subject().toString(), subject);
    }

    void indexValueRoundTrip()
    {
        const std::optional<MailRow> row = ParseIndexLine(QStringLiteral("k=101\t差出人\t件名\t2026/12/01"));
        QVERIFY(row);
        QVERIFY(row->saved && !row->unread && row->attachment);
        QCOMPARE(row->savedText(), QStringLiteral("♪"));
        QCOMPARE(row->attachmentText(), QStringLiteral("有"));
        QCOMPARE(BuildIndexValue(*row), QStringLiteral("101\t差出人\t件名\t2026/12/01"));
    }

    void sanitizeMailFileName()
    {
        const QString dir = m_paths.inputDir;
        mail(QStringLiteral("a b=[1].eml"));
        mail(QStringLiteral("ab1.eml"));
        QCOMPARE(SanitizeMailFileName(dir, QStringLiteral("a b=[1].eml")), QStringLiteral("ab1.eml(1)"));
        QVERIFY(QFile::exists(dir + QStringLiteral("ab1.eml(1)")));
        mail(QStringLiteral("x　y.eml"));
        QCOMPARE(SanitizeMailFileName(dir, QStringLiteral("x　y.eml")), QStringLiteral("xy.eml"));
        QCOMPARE(SanitizeMailFileName(dir, QStringLiteral("clean.eml")), QStringLiteral("clean.eml"));
    }

    void timestampName()
    {
        QCOMPARE(MakeTimestampName(QDateTime(QDate(2026, 12, 6), QTime(9, 5, 3))), QStringLiteral("20261206-090503.txt"));
    }

    void listingDropsEntriesWhoseFileIsGone()
    {
        mail(QStringLiteral("m1"));
        put(QStringLiteral("標準BOX"), QStringLiteral("m1"), entry(QStringLiteral("010")));
        put(QStringLiteral("標準BOX"), QStringLiteral("gone"), entry(QStringLiteral("010")));
        put(QStringLiteral("標準BOX"), QStringLiteral("bad"), QStringLiteral("x"));
        MailFolderView view(m_tree, m_prompts, m_reader);
        view.setAccount(m_paths, QString());
        const FolderPresentation shown = view.SelectFolder(QStringLiteral("標準BOX"));
        QCOMPARE(shown.senderColumnCaption, QStringLiteral("送信者"));
        QVERIFY(shown.acceptsDrops);
        QCOMPARE(keys(view), QStringList{QStringLiteral("m1")});
        QCOMPARE(sectionKeys(QStringLiteral("標準BOX"), index()), QStringList{QStringLiteral("m1")});
        QCOMPARE(m_prompts.status.value(2), QStringLiteral("1件あります"));
    }

    void unreadViewAndInboxView()
    {
        for (const char* name : {"u1", "r1", "t1", "w1", "j1"})
            mail(QLatin1String(name));
        // Unread junk is no new mail; its section outlives a tree that was loaded before it came.
        put(QStringLiteral("迷惑メール"), QStringLiteral("j1"), entry(QStringLiteral("010")));
        put(QStringLiteral("標準BOX"), QStringLiteral("u1"), entry(QStringLiteral("010")));
        put(QStringLiteral("標準BOX"), QStringLiteral("r1"), entry(QStringLiteral("000")));
        put(QStringLiteral("ごみ箱"), QStringLiteral("t1"), entry(QStringLiteral("010")));
        put(QStringLiteral("受信BOX\\仕事"), QStringLiteral("w1"), entry(QStringLiteral("010")));
        put(QStringLiteral("受信BOX\\消えた"), QStringLiteral("x1"), entry(QStringLiteral("010")));
        MailFolderView view(m_tree, m_prompts, m_reader);
        view.setAccount(m_paths, QString());
        view.SelectFolder(QStringLiteral("未読メール"));
        QCOMPARE(keys(view), (QStringList{QStringLiteral("u1"), QStringLiteral("w1")}));
        QStringList sections;
        IniGetSectionNames(index(), sections);
        QVERIFY(!sections.contains(QStringLiteral("受信BOX\\消えた"))); // orphan section deleted
        QVERIFY(sections.contains(QStringLiteral("迷惑メール")));
        view.SelectFolder(QStringLiteral("受信BOX"));
        QCOMPARE(keys(view), (QStringList{QStringLiteral("j1"), QStringLiteral("u1"), QStringLiteral("r1"), QStringLiteral("t1"),
                                          QStringLiteral("w1")}));
        QCOMPARE(view.rows().at(3).tag, QStringLiteral("ごみ箱"));
    }

    void sameFileInTwoSectionsIsListedOnce()
    {
        mail(QStringLiteral("m1"));
        put(QStringLiteral("標準BOX"), QStringLiteral("m1"), entry(QStringLiteral("010")));
        put(QStringLiteral("受信BOX\\仕事"), QStringLiteral("m1"), entry(QStringLiteral("010")));
        MailFolderView view(m_tree, m_prompts, m_reader);
        view.setAccount(m_paths, QString());
        view.SelectFolder(QStringLiteral("受信BOX"));
        QCOMPARE(view.rows().size(), 1);
        QVERIFY(sectionKeys(QStringLiteral("受信BOX\\仕事"), index()).isEmpty());
        QVERIFY(QFile::exists(m_paths.inputDir + QStringLiteral("m1")));
    }

    void inboxIndexesUnknownFiles()
    {
        mail(QStringLiteral("known"));
        put(QStringLiteral("標準BOX"), QStringLiteral("known"), entry(QStringLiteral("010")));
        mail(QStringLiteral("new mail=[1] att.eml"));
        mail(QStringLiteral("unreadable"), "\x00\x01garbage");
        mail(QStringLiteral(".partial"), "From: still arriving");
        MailFolderView view(m_tree, m_prompts, m_reader);
        view.setAccount(m_paths, QString());
        view.SelectFolder(QStringLiteral("受信BOX"));
        QCOMPARE(keys(view), (QStringList{QStringLiteral("known"), QStringLiteral("newmail1att.eml")}));
        const MailRow& added = view.rows().at(1);
        QVERIFY(!added.unread);
        QVERIFY(added.attachment);
        QCOMPARE(added.subject().toString(), QStringLiteral("件名 new mail=[1] att.eml")); // a TAB must not split the entry
        QVERIFY(QFile::exists(m_paths.inputDir + QStringLiteral("newmail1att.eml")));
        QVERIFY(QFile::exists(m_paths.inputDir + QStringLiteral("unreadable"))); // stays, tried again later
        QCOMPARE(sectionKeys(QStringLiteral("標準BOX"), index()),
                 (QStringList{QStringLiteral("newmail1att.eml"), QStringLiteral("known")}));
        view.SelectFolder(QStringLiteral("標準BOX"));
        QCOMPARE(view.rows().size(), 2);
    }

    void outgoingFolders()
    {
        const QString out = m_paths.outgoingIndexFile;
        writeBytes(m_paths.outputDir + QStringLiteral("q.txt"), "queued");
        writeBytes(m_paths.outputDir + QStringLiteral("s.txt"), "sent");
        writeBytes(m_paths.outputDir + QStringLiteral("20261201-101010.txt"), "unindexed");
        writeBytes(m_paths.draftDir + QStringLiteral("20261202-111111.txt"), "draft");
        IniWriteString(QStringLiteral("送信BOX"), QStringLiteral("q.txt"), entry(QStringLiteral("000")), out);
        IniWriteString(QStringLiteral("送信BOX"), QStringLiteral("s.txt"), entry(QStringLiteral("000")), out);
        IniWriteString(QStringLiteral("送信済BOX"), QStringLiteral("s.txt"), entry(QStringLiteral("100")), out);
        MailFolderView view(m_tree, m_prompts, m_reader);
        view.setAccount(m_paths, QString());
        const FolderPresentation shown = view.SelectFolder(QStringLiteral("送信BOX"));
        QCOMPARE(shown.senderColumnCaption, QStringLiteral("あて先"));
        QVERIFY(!shown.acceptsDrops);
        QCOMPARE(keys(view), QStringList{QStringLiteral("q.txt")}); // s.txt was sent
        QCOMPARE(sectionKeys(QStringLiteral("送信BOX"), out), QStringList{QStringLiteral("q.txt")});

        view.SelectFolder(QStringLiteral("送信済BOX"));
        QCOMPARE(keys(view), (QStringList{QStringLiteral("s.txt"), QStringLiteral("20261201-101010.txt")}));
        QVERIFY(view.rows().at(0).saved);
        QCOMPARE(view.rows().at(1).date().toString(), QStringLiteral("20261201-101010"));
        QCOMPARE(IniGetString(QStringLiteral("送信済BOX"), QStringLiteral("20261201-101010.txt"), 256, out),
                 QStringLiteral("000\tto@example.jp\t下書き件名\t20261201-101010"));

        view.SelectFolder(QStringLiteral("下書き"));
        QCOMPARE(keys(view), QStringList{QStringLiteral("20261202-111111.txt")});
    }

    void flagsAreWrittenToTheEntrysSection()
    {
        const QString out = m_paths.outgoingIndexFile;
        writeBytes(m_paths.outputDir + QStringLiteral("s.txt"), "sent");
        IniWriteString(QStringLiteral("送信済BOX"), QStringLiteral("s.txt"), entry(QStringLiteral("000")), out);
        MailFolderView view(m_tree, m_prompts, m_reader);
        view.setAccount(m_paths, QString());
        view.SelectFolder(QStringLiteral("送信済BOX"));
        view.applyFlag(FlagCommand::SetSaved, {0});
        view.SelectFolder(QStringLiteral("送信済BOX"));
        QVERIFY(view.rows().at(0).saved);
        view.applyFlag(FlagCommand::MarkUnread, {0});
        QCOMPARE(IniGetString(QStringLiteral("送信済BOX"), QStringLiteral("s.txt"), 256, out), entry(QStringLiteral("110")));
    }

    void trashAndTakeOut()
    {
        for (const char* name : {"a", "b", "c"}) {
            mail(QLatin1String(name));
            put(QStringLiteral("受信BOX\\仕事"), QLatin1String(name), entry(QStringLiteral("010")));
        }
        MailFolderView view(m_tree, m_prompts, m_reader);
        view.setAccount(m_paths, QString());
        view.SelectFolder(QStringLiteral("受信BOX\\仕事"));
        view.moveToTrash({0, 2});
        QCOMPARE(keys(view), QStringList{QStringLiteral("b")});
        QCOMPARE(m_prompts.status.value(2), QStringLiteral("1件あります"));
        QCOMPARE(sectionKeys(QStringLiteral("ごみ箱"), index()), (QStringList{QStringLiteral("c"), QStringLiteral("a")}));
        view.SelectFolder(QStringLiteral("ごみ箱"));
        view.takeOut({0});
        QCOMPARE(sectionKeys(QStringLiteral("標準BOX"), index()), QStringList{QStringLiteral("c")}); // never back to 仕事
        QVERIFY(QFile::exists(m_paths.inputDir + QStringLiteral("a")));
    }

    void deletePermanentlyKeepsSavedMessages()
    {
        for (const char* name : {"a", "b", "c"})
            mail(QLatin1String(name));
        put(QStringLiteral("標準BOX"), QStringLiteral("a"), entry(QStringLiteral("000")));
        put(QStringLiteral("標準BOX"), QStringLiteral("b"), entry(QStringLiteral("100")));
        put(QStringLiteral("標準BOX"), QStringLiteral("c"), entry(QStringLiteral("000")));
        MailFolderView view(m_tree, m_prompts, m_reader);
        view.setAccount(m_paths, QString());
        view.SelectFolder(QStringLiteral("標準BOX"));
        QVERIFY(!view.deletePermanently({0, 1, 2})); // answered No
        QCOMPARE(view.rows().size(), 3);
        m_prompts.answerNext(Answer::Yes);
        QVERIFY(view.deletePermanently({0, 1, 2}));
        QCOMPARE(keys(view), QStringList{QStringLiteral("b")});
        QVERIFY(!QFile::exists(m_paths.inputDir + QStringLiteral("a")));
        QVERIFY(QFile::exists(m_paths.inputDir + QStringLiteral("b")));
        QCOMPARE(sectionKeys(QStringLiteral("標準BOX"), index()), QStringList{QStringLiteral("b")});
        QCOMPARE(m_prompts.messages.last().title, QStringLiteral("削除フラグ"));
        QCOMPARE(m_prompts.messages.size(), 3); // two questions, one notice
    }

    void deleteInOutboxRemovesItsEntry()
    {
        writeBytes(m_paths.outputDir + QStringLiteral("q.txt"), "queued");
        IniWriteString(QStringLiteral("送信BOX"), QStringLiteral("q.txt"), entry(QStringLiteral("000")), m_paths.outgoingIndexFile);
        MailFolderView view(m_tree, m_prompts, m_reader);
        view.setAccount(m_paths, QString());
        view.SelectFolder(QStringLiteral("送信BOX"));
        m_prompts.answerNext(Answer::Yes);
        QVERIFY(view.deletePermanently({0}));
        QVERIFY(sectionKeys(QStringLiteral("送信BOX"), m_paths.outgoingIndexFile).isEmpty());
        QVERIFY(!QFile::exists(m_paths.outputDir + QStringLiteral("q.txt")));
    }

    void dragging()
    {
        for (const char* name : {"a", "b"}) {
            mail(QLatin1String(name));
            put(QStringLiteral("標準BOX"), QLatin1String(name), entry(QStringLiteral("000")));
        }
        MailFolderView view(m_tree, m_prompts, m_reader);
        view.setAccount(m_paths, QString());
        view.SelectFolder(QStringLiteral("受信BOX"));
        view.dropOnFolder(QStringLiteral("受信BOX\\仕事"), {0, 1});
        QCOMPARE(view.rows().size(), 2); // the inbox view keeps the rows
        QCOMPARE(view.rows().at(0).tag, QStringLiteral("受信BOX\\仕事"));
        QCOMPARE(sectionKeys(QStringLiteral("受信BOX\\仕事"), index()).size(), 2);
        view.dropOnFolder(QStringLiteral("未読メール"), {1});
        QVERIFY(view.rows().at(1).unread);
        QCOMPARE(IniGetString(QStringLiteral("受信BOX\\仕事"), QStringLiteral("b"), 256, index()), entry(QStringLiteral("010")));

        view.SelectFolder(QStringLiteral("受信BOX\\仕事"));
        view.dropOnFolder(QStringLiteral("標準BOX"), {0, 1});
        QVERIFY(view.rows().isEmpty());
        QCOMPARE(sectionKeys(QStringLiteral("標準BOX"), index()).size(), 2);
        view.dropOnFolder(QStringLiteral("送信BOX"), {0}); // not a drop target: nothing happens
    }

    void unreadTimerMarksReadOnFourthTick()
    {
        mail(QStringLiteral("a"));
        put(QStringLiteral("標準BOX"), QStringLiteral("a"), entry(QStringLiteral("010")));
        MailFolderView view(m_tree, m_prompts, m_reader);
        view.setAccount(m_paths, QString());
        view.SelectFolder(QStringLiteral("標準BOX"));
        view.startUnreadTimer();
        for (int tick = 1; tick <= 3; ++tick)
            QVERIFY(view.unreadTimerTick(0));
        QVERIFY(view.rows().at(0).unread);
        QVERIFY(!view.unreadTimerTick(0));
        QVERIFY(!view.rows().at(0).unread);
        QCOMPARE(IniGetString(QStringLiteral("標準BOX"), QStringLiteral("a"), 256, index()), entry(QStringLiteral("000")));
        QVERIFY(!view.unreadTimerTick(-1));
    }

    // The results of a search: rows from the entries of the folders that list the messages, in
    // the order found; what a folder no longer lists is left out.
    void searchResultsListFoundMailFromTheirFolders()
    {
        searchResultsData();
        mail(QStringLiteral("t.eml"));
        put(QStringLiteral("ごみ箱"), QStringLiteral("t.eml"), entry(QStringLiteral("000")));
        put(QStringLiteral("標準BOX"), QStringLiteral("gone.eml"), entry(QStringLiteral("000"))); // no file
        MailFolderView view(m_tree, m_prompts, m_reader);
        view.setAccount(m_paths, QString());
        view.setFoundMail({{QStringLiteral("送信済BOX"), QStringLiteral("s.txt")},
                           {QStringLiteral("受信BOX\\仕事"), QStringLiteral("w.eml")},
                           {QStringLiteral("標準BOX"), QStringLiteral("gone.eml")},
                           {QStringLiteral("受信BOX\\消えた"), QStringLiteral("t.eml")}, // folder deleted since
                           {QStringLiteral("下書き"), QStringLiteral("d.txt")},
                           {QStringLiteral("ごみ箱"), QStringLiteral("a.eml")}, // moved since
                           {QStringLiteral("標準BOX"), QStringLiteral("a.eml")}});
        const FolderPresentation shown = view.SelectFolder(kSearchResultsKey);
        QVERIFY(shown.acceptsDrops);
        QCOMPARE(rowsWithFolders(view), QStringList({QStringLiteral("送信済BOX/s.txt"), QStringLiteral("受信BOX\\仕事/w.eml"),
                                                     QStringLiteral("下書き/d.txt"), QStringLiteral("標準BOX/a.eml")}));
        QCOMPARE(m_prompts.status.value(2), QStringLiteral("4件あります"));
        QVERIFY(view.rows().at(2).attachment);
        QCOMPARE(view.rows().at(1).subject().toString(), QStringLiteral("仕事の件"));

        // A folder renamed since the search: its messages are listed under its new name.
        QVERIFY(m_tree.rename(kTrashNode + 1, QStringLiteral("業務"), index(), m_prompts));
        view.foundFolderRenamed(QStringLiteral("受信BOX\\仕事"), QStringLiteral("受信BOX\\業務"));
        view.SelectFolder(kSearchResultsKey);
        QCOMPARE(view.rows().at(1).tag, QStringLiteral("受信BOX\\業務"));
    }

    // Each command on the search results acts on every row in its own folder: its index file, its
    // section, its mail directory. Moves apply to received mail; outgoing rows stay as they are.
    void searchResultsCommandsUseEachRowsFolder_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QStringList>("files");
        const QStringList allFiles{QStringLiteral("d/d.txt"), QStringLiteral("i/a.eml"), QStringLiteral("i/w.eml"),
                                   QStringLiteral("o/s.txt")};
        QTest::newRow("flag") << QStringLiteral("flag")
                              << QStringList{QStringLiteral("送信済BOX/s.txt"), QStringLiteral("受信BOX\\仕事/w.eml"),
                                             QStringLiteral("下書き/d.txt"), QStringLiteral("標準BOX/a.eml")}
                              << QStringList{QStringLiteral("i 受信BOX\\仕事/w.eml 110"), QStringLiteral("i 標準BOX/a.eml 110"),
                                             QStringLiteral("o 下書き/d.txt 101"), QStringLiteral("o 送信済BOX/s.txt 100")}
                              << allFiles;
        QTest::newRow("trash") << QStringLiteral("trash")
                               << QStringList{QStringLiteral("送信済BOX/s.txt"), QStringLiteral("下書き/d.txt")}
                               << QStringList{QStringLiteral("i ごみ箱/a.eml 010"), QStringLiteral("i ごみ箱/w.eml 010"),
                                              QStringLiteral("o 下書き/d.txt 001"), QStringLiteral("o 送信済BOX/s.txt 000")}
                               << allFiles;
        QTest::newRow("drop") << QStringLiteral("drop")
                              << QStringList{QStringLiteral("送信済BOX/s.txt"), QStringLiteral("受信BOX\\仕事/w.eml"),
                                             QStringLiteral("下書き/d.txt"), QStringLiteral("受信BOX\\仕事/a.eml")}
                              << QStringList{QStringLiteral("i 受信BOX\\仕事/a.eml 010"), QStringLiteral("i 受信BOX\\仕事/w.eml 010"),
                                             QStringLiteral("o 下書き/d.txt 001"), QStringLiteral("o 送信済BOX/s.txt 000")}
                              << allFiles;
        QTest::newRow("delete") << QStringLiteral("delete") << QStringList() << QStringList() << QStringList();
    }
    void searchResultsCommandsUseEachRowsFolder()
    {
        QFETCH(QString, command);
        QFETCH(QStringList, rows);
        QFETCH(QStringList, entries);
        QFETCH(QStringList, files);
        searchResultsData();
        MailFolderView view(m_tree, m_prompts, m_reader);
        view.setAccount(m_paths, QString());
        view.setFoundMail({{QStringLiteral("送信済BOX"), QStringLiteral("s.txt")},
                           {QStringLiteral("受信BOX\\仕事"), QStringLiteral("w.eml")},
                           {QStringLiteral("下書き"), QStringLiteral("d.txt")},
                           {QStringLiteral("標準BOX"), QStringLiteral("a.eml")}});
        view.SelectFolder(kSearchResultsKey);
        const QList<int> all{0, 1, 2, 3};
        if (command == QLatin1String("flag"))
            view.applyFlag(FlagCommand::SetSaved, all);
        else if (command == QLatin1String("trash")) {
            view.moveToTrash(all);
            QVERIFY(m_prompts.messages.last().text.contains(QStringLiteral("Shift+Delete")));
        }
        else if (command == QLatin1String("drop"))
            view.dropOnFolder(QStringLiteral("受信BOX\\仕事"), all);
        else {
            m_prompts.answerNext(Answer::Yes);
            QVERIFY(view.deletePermanently(all));
        }
        QCOMPARE(rowsWithFolders(view), rows);
        QStringList actualEntries;
        const QStringList received{QStringLiteral("標準BOX"), QStringLiteral("受信BOX\\仕事"), QStringLiteral("ごみ箱")};
        const QStringList outgoing{QStringLiteral("下書き"), QStringLiteral("送信済BOX")};
        for (const auto& [letter, file, sections] : {std::tuple(QStringLiteral("i"), index(), received),
                                                     std::tuple(QStringLiteral("o"), m_paths.outgoingIndexFile, outgoing)}) {
            for (const QString& section : sections) {
                for (const QString& key : sectionKeys(section, file))
                    actualEntries.append(letter + QLatin1Char(' ') + section + QLatin1Char('/') + key + QLatin1Char(' ')
                                         + IniGetString(section, key, 256, file).left(3));
            }
        }
        actualEntries.sort();
        QCOMPARE(actualEntries, entries);
        QStringList actualFiles;
        for (const auto& [letter, dir] : {std::pair(QStringLiteral("d"), m_paths.draftDir),
                                          std::pair(QStringLiteral("i"), m_paths.inputDir),
                                          std::pair(QStringLiteral("o"), m_paths.outputDir)}) {
            for (const QString& name : QDir(dir).entryList(QDir::Files | QDir::Hidden))
                actualFiles.append(letter + QLatin1Char('/') + name);
        }
        QCOMPARE(actualFiles, files);
    }

    void popupEnabling_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("selection");
        QTest::addColumn<QString>("enabled"); // delete, trash, take out, send selected
        QTest::newRow("no selection") << QStringLiteral("標準BOX") << false << QStringLiteral("0000");
        QTest::newRow("inbox") << QStringLiteral("受信BOX") << true << QStringLiteral("1000");
        QTest::newRow("unread") << QStringLiteral("未読メール") << true << QStringLiteral("1100");
        QTest::newRow("user folder") << QStringLiteral("受信BOX\\仕事") << true << QStringLiteral("1100");
        QTest::newRow("trash") << QStringLiteral("ごみ箱") << true << QStringLiteral("1010");
        QTest::newRow("drafts") << QStringLiteral("下書き") << true << QStringLiteral("1001");
        QTest::newRow("search results") << kSearchResultsKey << true << QStringLiteral("1100");
    }
    void popupEnabling()
    {
        QFETCH(QString, folder);
        QFETCH(bool, selection);
        QFETCH(QString, enabled);
        mail(QStringLiteral("a"));
        const bool view = folder == QStringLiteral("受信BOX") || folder == QStringLiteral("未読メール") || folder == kSearchResultsKey;
        put(view ? QStringLiteral("標準BOX") : folder, QStringLiteral("a"), entry(QStringLiteral("010")));
        writeBytes(m_paths.draftDir + QStringLiteral("a"), "draft");
        IniWriteString(QStringLiteral("下書き"), QStringLiteral("a"), entry(QStringLiteral("000")), m_paths.outgoingIndexFile);
        MailFolderView shown(m_tree, m_prompts, m_reader);
        shown.setAccount(m_paths, QString());
        shown.setFoundMail({{QStringLiteral("標準BOX"), QStringLiteral("a")}});
        shown.SelectFolder(folder);
        QCOMPARE(shown.rows().size(), 1);
        const MailPopupEnabling e = shown.popupEnabling(selection);
        const QString actual = QString::number(e.deleteItem) + QString::number(e.trash) + QString::number(e.takeOut)
            + QString::number(e.sendSelected);
        QCOMPARE(actual, enabled);
    }
};

QTEST_GUILESS_MAIN(TestFolderIndex)
#include "test_folder_index.moc"
