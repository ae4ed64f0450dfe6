// `fumibako-tool search` on real mail files in the encodings Japanese mail comes in.
#include "storage/ProfileStore.h"
#include "support/TestFiles.h"
#include "support/ToolRun.h"
#include "transfer/OutgoingMailFile.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace fumibako::test;
using fumibako::storage::IniDeleteKey;
using fumibako::storage::IniGetString;
using fumibako::storage::IniWriteString;

namespace {

const QString kAccount = QStringLiteral("太郎");
const QString kStandard = QStringLiteral("標準BOX");

// The samples filed by a listing of "受信BOX" (the two that are no mail stay out).
const QStringList kSamples = {QStringLiteral("iso2022jp_nec.eml"), QStringLiteral("sjis_qp.eml"),
                              QStringLiteral("sjis_undeclared.eml"), QStringLiteral("eucjp.eml"),
                              QStringLiteral("utf8_base64.eml"), QStringLiteral("html_only.eml"),
                              QStringLiteral("multipart_attach.eml"), QStringLiteral("nested_rfc822.eml")};

} // namespace

class TestSearchTool : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

    QString data() const { return m_dir->path() + QLatin1Char('/'); }
    QString inputDir() const { return data() + QStringLiteral("MailBox/太郎/input/"); }
    QString receivedIndex() const { return data() + QStringLiteral("MailBox/太郎/MailCom.ini"); }
    QString cacheHome() const { return m_dir->path() + QStringLiteral("/cache"); }

    ToolRun tool(const QStringList& args)
    {
        return runTool(QStringList{QStringLiteral("--data-dir"), m_dir->path()} + args);
    }
    ToolRun search(const QString& typed) { return tool({QStringLiteral("search"), kAccount, typed}); }

    // The file names of a search's lines, in order.
    static QStringList names(const ToolRun& run)
    {
        QStringList found;
        for (const QString& line : run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            found.append(line.section(QLatin1Char('\t'), 1, 1));
        return found;
    }

    QString indexFile() const
    {
        QDirIterator files(cacheHome(), {QStringLiteral("*.db")}, QDir::Files, QDirIterator::Subdirectories);
        return files.hasNext() ? files.next() : QString();
    }

    void addMail(const QString& sample, const QString& name)
    {
        QVERIFY(QFile::copy(QStringLiteral(MAIL_SAMPLES "/") + sample, inputDir() + name));
    }

private Q_SLOTS:
    // A data directory whose messages were filed by a listing; the index is the tool's to build.
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        qputenv("XDG_CACHE_HOME", cacheHome().toUtf8());
        writeBytes(data() + QStringLiteral("AName.ini"), cp932Lines(QStringLiteral("[AName]\nCount=1\n0=太郎\n")));
        writeBytes(data() + QStringLiteral("太郎.ini"), cp932Lines(QStringLiteral("[Folder]\nCount=0\n")));
        QDir().mkpath(inputDir());
        for (const QString& sample : kSamples)
            addMail(sample, sample);
        QCOMPARE(tool({QStringLiteral("list"), kAccount, QStringLiteral("受信BOX")}).exitCode, 0);
    }

    void finds_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("expected");
        const auto names = [](std::initializer_list<const char*> list) {
            QStringList result;
            for (const char* name : list)
                result.append(QString::fromLatin1(name));
            return result;
        };
        QTest::newRow("ISO-2022-JP body, NEC kanji") << QStringLiteral("髙橋様") << names({"iso2022jp_nec.eml"});
        QTest::newRow("Shift JIS quoted-printable, half-width katakana") << QStringLiteral("データ") << names({"sjis_qp.eml"});
        QTest::newRow("Shift JIS quoted-printable, full-width letters") << QStringLiteral("abc商事") << names({"sjis_qp.eml"});
        QTest::newRow("undeclared Shift JIS") << QStringLiteral("田中です") << names({"sjis_undeclared.eml"});
        QTest::newRow("UTF-8 base64 body") << QStringLiteral("絵文字") << names({"utf8_base64.eml"});
        QTest::newRow("HTML only, as text") << QStringLiteral("二行目") << names({"html_only.eml"});
        QTest::newRow("HTML only, no script") << QStringLiteral("alert") << names({});
        QTest::newRow("attachment name, RFC 2231") << QStringLiteral("見積書") << names({"multipart_attach.eml"});
        QTest::newRow("attachment name, encoded word") << QStringLiteral("資料一覧") << names({"multipart_attach.eml"});
        QTest::newRow("attached message's name") << QStringLiteral("元のメール") << names({"nested_rfc822.eml"});
        QTest::newRow("sender") << QStringLiteral("花子") << names({"iso2022jp_nec.eml"});
        QTest::newRow("recipient") << QStringLiteral("kato") << names({"iso2022jp_nec.eml"});
        QTest::newRow("subject over two encoded words") << QStringLiteral("日本語の件名") << names({"utf8_base64.eml"});
        QTest::newRow("word start, newest first") << QStringLiteral("sat")
                                                  << names({"nested_rfc822.eml", "multipart_attach.eml", "iso2022jp_nec.eml"});
        QTest::newRow("terms in two fields") << QStringLiteral("佐藤　会議") << names({"iso2022jp_nec.eml"});
        QTest::newRow("phrase") << QStringLiteral("\"二行目 三行目\"") << names({"html_only.eml"});
        QTest::newRow("control characters separate") << QStringLiteral("二行目\x01三行目") << names({"html_only.eml"});
        QTest::newRow("no match") << QStringLiteral("存在しない語") << names({});
    }
    void finds()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, expected);
        const ToolRun run = search(typed);
        QCOMPARE(names(run), expected);
        QCOMPARE(run.exitCode, expected.isEmpty() ? 1 : 0);
    }

    void printsFolderNameSenderSubjectDateFromTheCache()
    {
        const ToolRun run = search(QStringLiteral("ご案内"));
        QCOMPARE(run.out, QStringLiteral("標準BOX\teucjp.eml\t鈴木 <suzuki@example.jp>\tご案内\t%1\n")
                              .arg(QDateTime(QDate(2024, 5, 3), QTime(12, 0), Qt::UTC).toLocalTime()
                                       .toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"))));
        // The index is a cache of the user's, private, outside the data directory.
        const QString file = indexFile();
        QVERIFY(file.endsWith(QStringLiteral("/太郎.db")));
        QCOMPARE(QFileInfo(file).permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
        QDirIterator inData(m_dir->path() + QStringLiteral("/MailBox"), {QStringLiteral("*.db")}, QDir::Files,
                            QDirIterator::Subdirectories);
        QVERIFY(!inData.hasNext());
    }

    void changesAfterIndexing()
    {
        QCOMPARE(names(search(QStringLiteral("髙橋"))), QStringList{QStringLiteral("iso2022jp_nec.eml")});
        // Moved to the trash, one deleted, one received and filed.
        IniDeleteKey(receivedIndex(), kStandard, QStringLiteral("iso2022jp_nec.eml"));
        IniWriteString(QStringLiteral("ごみ箱"), QStringLiteral("iso2022jp_nec.eml"),
                       QStringLiteral("000\t佐藤\t会議\t2024/05/01 10:15:00"), receivedIndex());
        IniDeleteKey(receivedIndex(), kStandard, QStringLiteral("html_only.eml"));
        QVERIFY(QFile::remove(inputDir() + QStringLiteral("html_only.eml")));
        addMail(QStringLiteral("eucjp.eml"), QStringLiteral("new.eml"));
        QCOMPARE(tool({QStringLiteral("list"), kAccount, QStringLiteral("受信BOX")}).exitCode, 0);

        QVERIFY(search(QStringLiteral("髙橋")).out.startsWith(QStringLiteral("ごみ箱\tiso2022jp_nec.eml\t")));
        QCOMPARE(search(QStringLiteral("二行目")).exitCode, 1);
        QStringList greeting = names(search(QStringLiteral("こんにちは"))); // the same date: either order
        greeting.sort();
        QCOMPARE(greeting, QStringList({QStringLiteral("eucjp.eml"), QStringLiteral("new.eml")}));
    }

    void draftEditedAfterIndexing()
    {
        fumibako::transfer::CurrentMail draft;
        draft.to = QStringLiteral("suzuki@example.jp");
        draft.subject = QStringLiteral("下書きの件名");
        draft.body = QStringLiteral("最初の本文です。");
        draft.attachments = {QStringLiteral("/tmp/請求書.pdf")};
        draft.mailPath = data() + QStringLiteral("MailBox/太郎/下書き/");
        draft.mailName = QStringLiteral("20240510-120000.txt");
        QDir().mkpath(draft.mailPath);
        QVERIFY(fumibako::transfer::WriteOutgoingFile(draft));
        IniWriteString(QStringLiteral("下書き"), draft.mailName, QStringLiteral("000\tsuzuki@example.jp\t下書きの件名\tx"),
                       data() + QStringLiteral("MailBox/太郎/MailOutCom.ini"));
        QCOMPARE(search(QStringLiteral("最初の本文 請求書")).out,
                 QStringLiteral("下書き\t20240510-120000.txt\tsuzuki@example.jp\t下書きの件名\t2024/05/10 12:00:00\n"));
        draft.body = QStringLiteral("書き直した本文です。");
        QVERIFY(fumibako::transfer::WriteOutgoingFile(draft));
        QCOMPARE(search(QStringLiteral("最初の本文")).exitCode, 1);
        QCOMPARE(names(search(QStringLiteral("書き直した"))), QStringList{draft.mailName});
    }

    void indexRebuilt_data()
    {
        QTest::addColumn<int>("kept");    // bytes of the index file left; -1: the file is deleted
        QTest::addColumn<bool>("filled"); // the rest overwritten with junk, else cut off
        QTest::newRow("deleted") << -1 << false;
        QTest::newRow("junk") << 0 << true;
        QTest::newRow("cut short") << 4096 << false;
        QTest::newRow("damaged inside") << 4096 << true;
    }
    void indexRebuilt()
    {
        QFETCH(int, kept);
        QFETCH(bool, filled);
        const QStringList before = names(search(QStringLiteral("sat")));
        QCOMPARE(before.size(), 3);
        const QString file = indexFile();
        const QByteArray bytes = readBytes(file);
        QVERIFY(QFile::remove(file));
        if (kept >= 0)
            writeBytes(file, bytes.left(kept) + (filled ? QByteArray(bytes.size() - kept, '\x5a') : QByteArray()));
        const ToolRun run = search(QStringLiteral("sat"));
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(names(run), before);
    }

    void unreadableFilesAreSkippedAndCounted()
    {
        for (const char* sample : {"garbage.eml", "empty.eml"}) {
            addMail(QString::fromLatin1(sample), QString::fromLatin1(sample));
            IniWriteString(kStandard, QString::fromLatin1(sample), QStringLiteral("000\tx\ty\t2024/05/01 00:00:00"), receivedIndex());
        }
        const ToolRun first = search(QStringLiteral("髙橋"));
        QCOMPARE(names(first), QStringList{QStringLiteral("iso2022jp_nec.eml")});
        QVERIFY2(first.err.contains(QStringLiteral("2 通")), qPrintable(first.err));
        // Not read again while they stay as they are.
        const ToolRun second = search(QStringLiteral("髙橋"));
        QCOMPARE(second.exitCode, 0);
        QCOMPARE(second.err, QString());
    }

    void badQueries_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("only spaces") << QStringLiteral(" 　 ");
        QTest::newRow("very long") << QString(2000, QChar(0x4F1A));
    }
    void badQueries()
    {
        QFETCH(QString, typed);
        const ToolRun run = search(typed);
        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.out.isEmpty());
        QVERIFY(!run.err.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSearchTool)
#include "test_search_tool.moc"
