// The readers of other programs' mail stores: the mboxrd quoting, the flags they keep, the
// splitting of mbox files, and what a chosen path is found to hold.
#include "mailimport/FromLines.h"
#include "mailimport/ImportSources.h"
#include "mailimport/MailboxFlags.h"
#include "mailimport/MboxReader.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <QTest>

using namespace fumibako::mailimport;
using fumibako::test::writeBytes;

Q_DECLARE_METATYPE(std::optional<bool>)

namespace {

QByteArray filtered(FromLineFilter::Mode mode, const QByteArray& input, qsizetype pieceSize)
{
    FromLineFilter filter(mode);
    QByteArray out;
    for (qsizetype i = 0; i < input.size(); i += pieceSize)
        filter.feed(QByteArrayView(input).sliced(i, std::min(pieceSize, input.size() - i)), out);
    filter.finish(out);
    return out;
}

struct Split {
    QList<QByteArray> messages;
    QList<bool> truncated;
};

Split splitMbox(const QString& path)
{
    Split split;
    MboxReader reader(path);
    QString error;
    if (!reader.open(&error))
        return split;
    while (const std::optional<MboxMessage> message = reader.next()) {
        QByteArray bytes;
        reader.read(*message, [&](QByteArrayView piece) { bytes += piece; return true; }, &error);
        split.messages.append(bytes);
        split.truncated.append(message->truncated);
    }
    return split;
}

} // namespace

class MailboxFormatsTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString samples(const QString& name) const { return QStringLiteral(MAILIMPORT_SAMPLES "/") + name; }

private Q_SLOTS:
    void fromLines_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QByteArray>("quoted");
        QTest::newRow("From line") << QByteArray("From here\n") << QByteArray(">From here\n");
        QTest::newRow("quoted ones get one more") << QByteArray(">From a\n>>From b\n") << QByteArray(">>From a\n>>>From b\n");
        QTest::newRow("only at a line's start") << QByteArray("x From y\n") << QByteArray("x From y\n");
        QTest::newRow("no space after From") << QByteArray("From:\n>Fromage\n") << QByteArray("From:\n>Fromage\n");
        QTest::newRow("CR LF lines") << QByteArray("a\r\nFrom b\r\n") << QByteArray("a\r\n>From b\r\n");
        QTest::newRow("last line without end") << QByteArray("x\n>>From") << QByteArray("x\n>>From");
        QTest::newRow("empty lines") << QByteArray("\n\nFrom \n") << QByteArray("\n\n>From \n");
    }
    // Quoting then unquoting gives the message back, whatever the pieces it comes in.
    void fromLines()
    {
        QFETCH(QByteArray, message);
        QFETCH(QByteArray, quoted);
        for (qsizetype piece : {qsizetype(1), qsizetype(3), qsizetype(1000)}) {
            QCOMPARE(filtered(FromLineFilter::Mode::Quote, message, piece), quoted);
            QCOMPARE(filtered(FromLineFilter::Mode::Unquote, quoted, piece), message);
        }
    }

    void mozillaStatus_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<std::optional<bool>>("read");
        QTest::addColumn<std::optional<bool>>("flagged");
        QTest::addColumn<std::optional<bool>>("deleted");
        QTest::newRow("unread") << QByteArray("0000") << std::optional(false) << std::optional(false) << std::optional(false);
        QTest::newRow("read") << QByteArray(" 0001") << std::optional(true) << std::optional(false) << std::optional(false);
        QTest::newRow("read, replied, flagged") << QByteArray("0007") << std::optional(true) << std::optional(true) << std::optional(false);
        QTest::newRow("deleted") << QByteArray("0009") << std::optional(true) << std::optional(false) << std::optional(true);
        QTest::newRow("high bits only") << QByteArray("8000") << std::optional(false) << std::optional(false) << std::optional(false);
        QTest::newRow("not hexadecimal") << QByteArray("00zz") << std::optional<bool>() << std::optional<bool>() << std::optional<bool>();
        QTest::newRow("too long") << QByteArray("000001") << std::optional<bool>() << std::optional<bool>() << std::optional<bool>();
    }
    void mozillaStatus()
    {
        QFETCH(QByteArray, value);
        const MessageFlags flags = mozillaStatusFlags(value);
        QTEST(flags.read, "read");
        QTEST(flags.flagged, "flagged");
        QTEST(flags.deleted, "deleted");
    }

    void maildirNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("inNew");
        QTest::addColumn<bool>("read");
        QTest::addColumn<bool>("flagged");
        QTest::addColumn<bool>("deleted");
        QTest::newRow("seen") << "1704067200.M1P1.host:2,S" << false << true << false << false;
        QTest::newRow("flagged and seen") << "1704067200.M1P1.host:2,FS" << false << true << true << false;
        QTest::newRow("trashed") << "1704067200.M1P1.host:2,ST" << false << true << false << true;
        QTest::newRow("no letters") << "1704067200.M1P1.host:2," << false << false << false << false;
        QTest::newRow("no info at all") << "1704067200.M1P1.host" << false << false << false << false;
        QTest::newRow("in new") << "1704067200.M1P1.host:2,S" << true << false << false << false;
        QTest::newRow("a file system without colons") << "1704067200.M1P1.host!2,S" << false << true << false << false;
        QTest::newRow("a colon in the host name") << "1704067200.M1P1.a:b:2,F" << false << false << true << false;
    }
    void maildirNames()
    {
        QFETCH(QString, name);
        QFETCH(bool, inNew);
        const MessageFlags flags = maildirFlags(name, inNew);
        QTEST(*flags.read, "read");
        QTEST(*flags.flagged, "flagged");
        QTEST(*flags.deleted, "deleted");
    }

    void mhSequences()
    {
        const MhSequences sequences = MhSequences::parse("cur: 7\nunseen: 2-4 9 3-6\n 20-22\nflagged: 9\nbroken: x-1 0 5-3\n");
        QVERIFY(sequences.flagsOf(1).read.value());
        for (int unseen : {2, 4, 6, 9, 20, 22})
            QVERIFY2(!sequences.flagsOf(unseen).read.value(), qPrintable(QString::number(unseen)));
        QVERIFY(sequences.flagsOf(7).read.value());
        QVERIFY(sequences.flagsOf(23).read.value());
        QVERIFY(sequences.flagsOf(9).flagged.value());
        QVERIFY(!sequences.hasSequence("broken") || !sequences.contains("broken", 4));
        QVERIFY(!MhSequences::parse("").flagsOf(1).read); // without sequences, MH says nothing
    }

    // Messages start at "From " lines that follow an empty line and come before a header field;
    // every byte of the file is in one message, and the separating empty lines in none.
    void mboxSplitting_data()
    {
        QTest::addColumn<QByteArray>("mbox");
        QTest::addColumn<QList<QByteArray>>("messages");
        QTest::newRow("two messages") << QByteArray("From a x\nA: 1\n\nbody\n\nFrom b y\nB: 2\n\nbody\n\n")
                                      << QList<QByteArray>{"A: 1\n\nbody\n", "B: 2\n\nbody\n"};
        QTest::newRow("CR LF") << QByteArray("From a\r\nA: 1\r\n\r\nx\r\n\r\nFrom b\r\nB: 2\r\n\r\ny\r\n\r\n")
                               << QList<QByteArray>{"A: 1\r\n\r\nx\r\n", "B: 2\r\n\r\ny\r\n"};
        QTest::newRow("unquoted From not after an empty line")
            << QByteArray("From a\nA: 1\n\nline\nFrom b\nB: 2\n\n") << QList<QByteArray>{"A: 1\n\nline\nFrom b\nB: 2\n"};
        QTest::newRow("unquoted From not before a header")
            << QByteArray("From a\nA: 1\n\nline\n\nFrom the desk of\nsomeone\n\n")
            << QList<QByteArray>{"A: 1\n\nline\n\nFrom the desk of\nsomeone\n"};
        QTest::newRow("mboxrd quoting undone")
            << QByteArray("From a\nA: 1\n\n>From x\n>>From y\n\n") << QList<QByteArray>{"A: 1\n\nFrom x\n>From y\n"};
        QTest::newRow("no empty line at the end") << QByteArray("From a\nA: 1\n\nx\n") << QList<QByteArray>{"A: 1\n\nx\n"};
        QTest::newRow("a message with no header") << QByteArray("From a\nnot a header\n\nFrom b\nB: 2\n\n")
                                                   << QList<QByteArray>{"not a header\n", "B: 2\n"};
        QTest::newRow("not an mbox") << QByteArray("Subject: x\n\nFrom a\nA: 1\n") << QList<QByteArray>{};
    }
    void mboxSplitting()
    {
        QFETCH(QByteArray, mbox);
        const QString path = m_dir.filePath(QStringLiteral("split.mbox"));
        writeBytes(path, mbox);
        QTEST(splitMbox(path).messages, "messages");
    }

    void truncatedMboxSaysSo()
    {
        const Split split = splitMbox(samples(QStringLiteral("truncated.mbox")));
        QCOMPARE(split.messages.size(), 2);
        QCOMPARE(split.truncated, (QList<bool>{false, true}));
    }

    // A message larger than the blocks the reader scans in comes out whole.
    void largeMessage()
    {
        QByteArray body;
        for (int i = 0; i < 40000; ++i)
            body += "line " + QByteArray::number(i) + (i % 1000 == 0 ? "\nFrom inside\n" : "\n");
        const QString path = m_dir.filePath(QStringLiteral("large.mbox"));
        writeBytes(path, "From a\nA: 1\n\n" + body + "\nFrom b\nB: 2\n\nend\n");
        const Split split = splitMbox(path);
        QCOMPARE(split.messages.size(), 2);
        QCOMPARE(split.messages.first(), "A: 1\n\n" + body);
    }

    void folderNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("folder");
        QTest::newRow("kept") << "仕事 2024" << "仕事 2024";
        QTest::newRow("forbidden characters") << "a/b:c[d]=e" << "a／b：c［d］＝e";
        QTest::newRow("outer spaces and controls") << " \tname\x01 " << "name";
        QTest::newRow("nothing left") << "  " << "無題";
    }
    void folderNames()
    {
        QFETCH(QString, name);
        QTEST(folderNameFrom(name), "folder");
    }

    void maildirFolderNames()
    {
        QCOMPARE(maildirFolderName("&TtVOiw-"), QStringLiteral("仕事"));
        QCOMPARE(maildirFolderName("Work"), QStringLiteral("Work"));
        QCOMPARE(maildirFolderName("R&D"), QStringLiteral("R&D")); // not modified UTF-7
        QCOMPARE(maildirFolderName("仕事"), QStringLiteral("仕事")); // UTF-8 names
    }

    // What the sample stores are found to hold, by their content.
    void plannedSources()
    {
        const ImportPlan plan = planImport({samples(QStringLiteral("thunderbird")), samples(QStringLiteral("maildir")),
                                            samples(QStringLiteral("mh")), samples(QStringLiteral("files")),
                                            samples(QStringLiteral("mboxo.mbox")), m_dir.filePath(QStringLiteral("missing"))});
        QStringList found;
        for (const ImportSource& source : plan.sources)
            found.append(QStringLiteral("%1 %2 [%3]").arg(int(source.format)).arg(QFileInfo(source.path).fileName(), source.folders.join(QLatin1Char('/'))));
        const QStringList expected = {
            "0 Inbox [Inbox]", "0 仕事 [Inbox/仕事]",               // Thunderbird: mbox files, .sbd subfolders
            "1 maildir []", "1 .&TtVOiw- [仕事]", "1 .Work [Work]", "1 .Work.2024 [Work/2024]",
            "2 mh []", "2 sub [sub]",
            "3 broken-mime.eml []", "3 crlf.eml []",
            "0 mboxo.mbox []",
        };
        QCOMPARE(found, expected);
        QVERIFY(plan.folders.contains(QStringList{QStringLiteral("Trash")})); // empty, but a folder with its summary
        QStringList skipped;
        for (const SkippedPath& path : plan.skipped)
            skipped.append(QFileInfo(path.path).fileName());
        // The summaries and filter rules of Thunderbird and Dovecot's list are passed over silently.
        QCOMPARE(skipped, (QStringList{"notes.txt", "picture.png", "missing"}));
    }
};

QTEST_GUILESS_MAIN(MailboxFormatsTest)
#include "test_mailbox_formats.moc"
