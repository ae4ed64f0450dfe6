#include "platform/mail/MailLibrary.h"
#include "platform/mail/MessageComposer.h"

#include "support/TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace fumibako::platform::mail;
using fumibako::test::readBytes;
using fumibako::test::writeBytes;

namespace {

const QString kFrom = QStringLiteral("\"山田 太郎\"<yamada@example.jp>");

QString value(const LibraryResult& result, int index)
{
    const QString item = result.list.value(index);
    return item.mid(item.indexOf(QLatin1Char(':')) + 2);
}

QByteArray headerOf(const QByteArray& data)
{
    return data.left(data.indexOf("\r\n\r\n") + 2);
}

// Every line ends in CR LF and no header line is longer than 78 characters.
void verifyWireForm(const QByteArray& data)
{
    for (qsizetype i = 0; i < data.size(); ++i)
        if (data[i] == '\n')
            QVERIFY2(i > 0 && data[i - 1] == '\r', "bare LF");
    QVERIFY(!data.contains("\r\r"));
    for (const QByteArray& line : headerOf(data).split('\n'))
        QVERIFY2(line.size() <= 79, line.constData());
}

} // namespace

class ComposeMessageTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { QVERIFY(m_dir.isValid()); }
    void readsBackAsWritten_data();
    void readsBackAsWritten();
    void keepsBccOutOfHeaders();
    void carriesAttachments();
    void refusesBadInput_data();
    void refusesBadInput();
    void redirectsStoredMessage();
    void spoolsLargeMessages_data();
    void spoolsLargeMessages();

private:
    LibraryResult readBack(const ComposedMessage& message);
    QTemporaryDir m_dir;
};

LibraryResult ComposeMessageTest::readBack(const ComposedMessage& message)
{
    const QString file = m_dir.filePath(QStringLiteral("sent.eml"));
    QFile::remove(file);
    writeBytes(file, message.data);
    return ReadMail(file, QStringLiteral("subject:from:date:To:body:"), m_dir.filePath(QStringLiteral("out")));
}

void ComposeMessageTest::readsBackAsWritten_data()
{
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("expectedSubject");
    QTest::addColumn<QString>("expectedBody");
    QTest::addColumn<QByteArray>("bodyHeader");
    QTest::newRow("Japanese with NEC fits ISO-2022-JP")
        << QStringLiteral("①㈱髙橋様との打ち合わせ資料の送付について（来週月曜日の会議用の最終版です）")
        << QStringLiteral("お世話になります。\r\n①の件です。\r\n") << QString() << QString()
        << QByteArray("Content-Type: text/plain; charset=ISO-2022-JP\r\nContent-Transfer-Encoding: 7bit");
    QTest::newRow("half-width katakana made full-width")
        << QStringLiteral("ﾃｽﾄ") << QStringLiteral("ｶﾞｲﾄﾞ\r\n") << QStringLiteral("テスト") << QStringLiteral("ガイド\r\n")
        << QByteArray("charset=ISO-2022-JP");
    QTest::newRow("emoji needs UTF-8")
        << QStringLiteral("絵文字😀") << QStringLiteral("こんにちは😀\r\n한국어\r\n") << QString() << QString()
        << QByteArray("Content-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: base64");
    QTest::newRow("ASCII, body without final line break")
        << QStringLiteral("Hello") << QStringLiteral("line1\r\n.\r\nline3") << QString() << QStringLiteral("line1\r\n.\r\nline3\r\n")
        << QByteArray("charset=ISO-2022-JP");
}

void ComposeMessageTest::readsBackAsWritten()
{
    QFETCH(QString, subject);
    QFETCH(QString, body);
    QFETCH(QString, expectedSubject);
    QFETCH(QString, expectedBody);
    QFETCH(QByteArray, bodyHeader);
    const ComposedMessage message = composeMessage(QStringLiteral("sato@example.com"), kFrom, subject, body, QString());
    QVERIFY2(message.error.isEmpty(), qPrintable(message.error));
    verifyWireForm(message.data);
    QVERIFY2(message.data.contains(bodyHeader), message.data.constData());
    QVERIFY(message.data.contains("\r\nMIME-Version: 1.0\r\n"));
    QVERIFY(message.data.contains("\r\nMessage-ID: <"));
    QVERIFY(message.data.startsWith("Date: "));
    const LibraryResult result = readBack(message);
    QVERIFY(result.isList);
    QCOMPARE(value(result, 0), expectedSubject.isNull() ? subject : expectedSubject);
    QCOMPARE(value(result, 1), QStringLiteral("山田 太郎 <yamada@example.jp>"));
    QCOMPARE(value(result, 3), QStringLiteral("sato@example.com"));
    QCOMPARE(value(result, 4), expectedBody.isNull() ? body : expectedBody);
    QCOMPARE(message.envelopeFrom, QByteArray("yamada@example.jp"));
}

void ComposeMessageTest::keepsBccOutOfHeaders()
{
    const QString recipients = QStringLiteral("a@example.jp\t鈴木 <b@example.jp>\tcc\tc@example.jp\tbcc\thidden@example.jp\tA@example.jp");
    const ComposedMessage message = composeMessage(recipients, QStringLiteral("me@example.jp"), QStringLiteral("s"),
                                                   QStringLiteral("b"), QString());
    QVERIFY(message.error.isEmpty());
    QCOMPARE(message.envelopeRecipients, QList<QByteArray>({"a@example.jp", "b@example.jp", "c@example.jp", "hidden@example.jp"}));
    QVERIFY(!message.data.contains("hidden"));
    QVERIFY(!message.data.toLower().contains("\nbcc:"));
    QVERIFY(message.data.contains("\r\nCc: c@example.jp\r\n"));
    const LibraryResult result = readBack(message);
    QCOMPARE(value(result, 3), QStringLiteral("a@example.jp, 鈴木 <b@example.jp>"));
    QCOMPARE(value(result, 1), QStringLiteral("me@example.jp"));
}

void ComposeMessageTest::carriesAttachments()
{
    const QString pdf = m_dir.filePath(QStringLiteral("report.pdf"));
    const QString named = m_dir.filePath(QStringLiteral("tmp123.dat"));
    const QString stored = m_dir.filePath(QStringLiteral("stored.eml"));
    writeBytes(pdf, QByteArray(3000, '\x01') + "%PDF");
    writeBytes(named, "a,b\r\n");
    writeBytes(stored, "From: x@example.jp\r\nSubject: inner\r\n\r\nstored body\r\n");
    const QString attachments = pdf + QStringLiteral("\t") + named + QStringLiteral("|①見積書（第２版）の一覧表と補足資料のまとめ.csv\t") + stored;
    const ComposedMessage message = composeMessage(QStringLiteral("sato@example.com"), kFrom, QStringLiteral("添付"),
                                                   QStringLiteral("本文\r\n"), attachments);
    QVERIFY2(message.error.isEmpty(), qPrintable(message.error));
    verifyWireForm(message.data);
    QVERIFY(message.data.contains("Content-Type: message/rfc822"));
    QVERIFY(message.data.contains("filename*"));                 // RFC 2231
    QVERIFY(message.data.contains("name=\"=?ISO-2022-JP?B?"));   // encoded words for old readers
    for (const QByteArray& line : message.data.split('\n'))
        QVERIFY2(line.size() <= 79 || !line.startsWith(' '), line.constData());
    const LibraryResult result = readBack(message);
    QVERIFY(result.isList);
    QCOMPARE(value(result, 4), QStringLiteral("本文\r\n"));
    QCOMPARE(result.list.size(), 9);
    QCOMPARE(readBytes(value(result, 6)), readBytes(pdf));
    QCOMPARE(QFileInfo(value(result, 6)).fileName(), QStringLiteral("report.pdf"));
    QCOMPARE(QFileInfo(value(result, 7)).fileName(), QStringLiteral("①見積書（第２版）の一覧表と補足資料のまとめ.csv"));
    QCOMPARE(readBytes(value(result, 7)), QByteArray("a,b\r\n"));
    QCOMPARE(QFileInfo(value(result, 8)).fileName(), QStringLiteral("stored.eml"));
    QVERIFY(readBytes(value(result, 8)).contains("stored body"));
}

void ComposeMessageTest::refusesBadInput_data()
{
    QTest::addColumn<QString>("recipients");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("attachments");
    QTest::addColumn<QString>("errorPart");
    QTest::newRow("missing attachment") << QStringLiteral("a@example.jp") << kFrom << QStringLiteral("/no/such/file.pdf")
                                        << QStringLiteral("/no/such/file.pdf");
    QTest::newRow("no recipients") << QStringLiteral("\tcc\t") << kFrom << QString() << QStringLiteral("宛先");
    QTest::newRow("header injection in address")
        << QStringLiteral("a@example.jp\r\nBcc: x@evil.example") << kFrom << QString() << QStringLiteral("宛先");
    QTest::newRow("no domain") << QStringLiteral("yamada") << kFrom << QString() << QStringLiteral("yamada");
    QTest::newRow("empty sender") << QStringLiteral("a@example.jp") << QString() << QString() << QStringLiteral("送信者");
    QTest::newRow("missing redirected message") << QStringLiteral(">#xfr /no/such.eml\ta@example.jp") << kFrom << QString()
                                                << QStringLiteral("/no/such.eml");
}

void ComposeMessageTest::refusesBadInput()
{
    QFETCH(QString, recipients);
    QFETCH(QString, from);
    QFETCH(QString, attachments);
    QFETCH(QString, errorPart);
    const ComposedMessage message = composeMessage(recipients, from, QStringLiteral("s"), QStringLiteral("b"), attachments);
    QVERIFY2(message.error.contains(errorPart), qPrintable(message.error));
    QVERIFY(message.data.isEmpty());
}

void ComposeMessageTest::redirectsStoredMessage()
{
    const QByteArray original = "From: x@example.jp\r\nTo: me@example.jp\r\nSubject: orig\r\n\r\nbody\nbare LF line\r\n";
    const QString stored = m_dir.filePath(QStringLiteral("received.eml"));
    writeBytes(stored, original);
    const ComposedMessage message = composeMessage(QStringLiteral(">#xfr ") + stored + QStringLiteral("\tnew@example.jp\tbcc\thidden@example.jp"),
                                                   kFrom, QStringLiteral("ignored"), QStringLiteral("ignored"), QString());
    QVERIFY2(message.error.isEmpty(), qPrintable(message.error));
    QCOMPARE(message.envelopeRecipients, QList<QByteArray>({"new@example.jp", "hidden@example.jp"}));
    QCOMPARE(message.envelopeFrom, QByteArray("yamada@example.jp"));
    QVERIFY(message.data.startsWith("Resent-From: =?ISO-2022-JP?B?"));
    QVERIFY(message.data.contains("\r\nResent-To: new@example.jp\r\nResent-Date: "));
    QVERIFY(message.data.contains("\r\nResent-Message-ID: <"));
    QVERIFY(message.data.endsWith("From: x@example.jp\r\nTo: me@example.jp\r\nSubject: orig\r\n\r\nbody\r\nbare LF line\r\n"));
    // "hidden" has letters a random hex Message-ID cannot produce.
    QVERIFY(!message.data.contains("hidden"));
    verifyWireForm(message.data);
}

// Past the spool threshold DATA goes to a temporary file; it must be the same message as in memory.
void ComposeMessageTest::spoolsLargeMessages_data()
{
    QTest::addColumn<bool>("redirect");
    QTest::newRow("attachment of 2 MB") << false;
    QTest::newRow("redirect of a 2 MB message") << true;
}

void ComposeMessageTest::spoolsLargeMessages()
{
    QFETCH(bool, redirect);
    QByteArray content(2 * 1024 * 1024, '\0');
    for (qsizetype i = 0; i < content.size(); ++i)
        content[i] = char((i * 7919) >> 3);
    const QString file = m_dir.filePath(QStringLiteral("大きな資料.bin"));
    if (redirect) {
        content = "From: x@example.jp\r\nSubject: big\r\n\r\n" + content.toBase64();
        for (qsizetype i = 76; i < content.size(); i += 78)
            content.insert(i, i % 3 == 0 ? "\n" : "\r\n"); // some bare LFs, which must leave as CR LF
    }
    writeBytes(file, content);
    const ComposedMessage message =
        redirect ? composeMessage(QStringLiteral(">#xfr ") + file + QStringLiteral("\tnew@example.jp"), kFrom,
                                  QString(), QString(), QString())
                 : composeMessage(QStringLiteral("sato@example.com"), kFrom, QStringLiteral("大きな添付"),
                                  QStringLiteral("本文\r\n"), file);
    QVERIFY2(message.error.isEmpty(), qPrintable(message.error));
    QVERIFY(message.spool);
    QVERIFY(message.data.isEmpty());
    QVERIFY(!QFileInfo::exists(message.spool->fileName())); // no copy of the message is left in a folder
    const QByteArray bytes = message.bytes();
    QCOMPARE(message.size(), bytes.size());
    verifyWireForm(bytes);
    if (redirect) {
        QVERIFY(bytes.startsWith("Resent-From: "));
        QByteArray expected = content;
        expected.replace("\r\n", "\n").replace("\n", "\r\n");
        QVERIFY(bytes.endsWith(">\r\n" + expected + "\r\n")); // after Resent-Message-ID
    } else {
        ComposedMessage inMemory = message;
        inMemory.data = bytes;
        const LibraryResult result = readBack(inMemory);
        QVERIFY(result.isList);
        QCOMPARE(QFileInfo(value(result, 6)).fileName(), QStringLiteral("大きな資料.bin"));
        QCOMPARE(readBytes(value(result, 6)), content);
    }
}

QTEST_GUILESS_MAIN(ComposeMessageTest)
#include "test_compose_message.moc"
