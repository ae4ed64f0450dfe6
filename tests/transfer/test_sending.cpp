#include "SendTestSupport.h"
#include "platform/Cp932.h"
#include "platform/mail/HeaderFields.h"
#include "transfer/OperationGuard.h"
#include "transfer/StoredMail.h"

#include <QJsonArray>
#include <QTest>
#include <QTimer>

using namespace fumibako::transfer;
using namespace fumibako::test;
using fumibako::storage::AccountProperties;
using fumibako::storage::FixedFolder::SentBox;

class TestSending : public QObject {
    Q_OBJECT

private:
    MailServers m_servers;

    // The message the server got, read back as the program reads a received file.
    CurrentMail parseBack(const QByteArray& data, const QTemporaryDir& dir)
    {
        writeBytes(dir.filePath(QStringLiteral("back/got.eml")), data);
        QDir().mkpath(dir.filePath(QStringLiteral("back/att")));
        CurrentMail mail;
        const bool read = ReadStoredMail(mail, StoredMailKind::Received, dir.filePath(QStringLiteral("back/")),
                                         QStringLiteral("got.eml"), dir.filePath(QStringLiteral("back/att/")));
        return read ? mail : CurrentMail{};
    }

private Q_SLOTS:
    void initTestCase()
    {
        QString error;
        if (!m_servers.start(MailServers::Smtp, &error))
            QSKIP(qPrintable(error));
        m_servers.useInThisProcess(5);
    }
    void init() { m_servers.takeReceived(); }

    void recipientLists_data()
    {
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("cc");
        QTest::addColumn<QString>("bcc");
        QTest::addColumn<QString>("list");
        QTest::newRow("to and cc") << "a, b" << "c" << "" << "a\tb\tcc\tc";
        QTest::newRow("only bcc") << "" << "" << "x, y" << "bcc\tx\ty";
        QTest::newRow("only cc and bcc") << "" << "c" << "d" << "cc\tc\tbcc\td";
        QTest::newRow("comma without space does not cut") << "a, b,c" << "" << "" << "a\tb,c";
        QTest::newRow("comma-space-space keeps a space") << "a,  b" << "" << "" << "a\t b";
        QTest::newRow("trailing separator") << "a, " << "" << "" << "a\t";
        QTest::newRow("redirect entry passes through") << ">#xfr /m/x.eml, n@example.jp" << "" << ""
                                                       << ">#xfr /m/x.eml\tn@example.jp";
        QTest::newRow("nothing") << "" << "" << "" << "";
    }
    void recipientLists()
    {
        QFETCH(QString, to);
        QFETCH(QString, cc);
        QFETCH(QString, bcc);
        QFETCH(QString, list);
        QCOMPARE(BuildRecipientList(to, cc, bcc), list);
    }

    void serverAndSenderTexts()
    {
        AccountProperties account;
        account.smtpServer = QStringLiteral("smtp.example.jp");
        account.mailAddress = QStringLiteral("taro@example.jp");
        QCOMPARE(smtpServerText(account), QStringLiteral("smtp.example.jp"));
        QCOMPARE(senderText(account), QStringLiteral("taro@example.jp"));
        account.smtpPortGiven = 1;
        account.smtpPort = 587;
        account.loginName = QStringLiteral("山田 太郎");
        QCOMPARE(smtpServerText(account), QStringLiteral("smtp.example.jp\t587"));
        account.smtpPort = 50000;
        QCOMPARE(smtpServerText(account), QStringLiteral("smtp.example.jp\t50000"));
        QCOMPARE(senderText(account), QStringLiteral("\"山田 太郎\"<taro@example.jp>"));
    }

    // The From line (and a redirect's Resent-From) shows the sender name the account was given,
    // else its login as before.
    void fromShowsTheSenderName_data()
    {
        QTest::addColumn<QString>("senderName");
        QTest::addColumn<QString>("shownName");
        QTest::addColumn<bool>("encodedWord");
        QTest::newRow("Japanese name") << "山田太郎" << "山田太郎" << true;
        QTest::newRow("quotes in the name") << "山田 \"タロ\"" << "山田 \"タロ\"" << true;
        QTest::newRow("no sender name: the login") << "" << "taro" << false;
    }
    void fromShowsTheSenderName()
    {
        QFETCH(QString, senderName);
        QFETCH(QString, shownName);
        QFETCH(bool, encodedWord);
        SendAccount account(m_servers.smtpAuthPort());
        account.properties.senderName = senderName;
        const QString stored = account.dir.filePath(QStringLiteral("stored.eml"));
        writeBytes(stored, "From: a@example.jp\r\nSubject: s\r\n\r\nbody\r\n");
        for (const QString& to : {QStringLiteral("a@example.jp"), QStringLiteral(">#xfr ") + stored + QStringLiteral(", b@example.jp")}) {
            CurrentMail mail;
            mail.to = to;
            QCOMPARE(sendAndWait(mail, account.context), SendOutcome::Sent);
        }
        const QList<ReceivedMail> received = m_servers.takeReceived();
        QCOMPARE(received.size(), 2);
        for (const QByteArray& field : {QByteArray("\r\nFrom: "), QByteArray("Resent-From: ")}) {
            const QByteArray& data = received.at(field.startsWith("Resent") ? 1 : 0).data;
            const qsizetype at = data.indexOf(field);
            QVERIFY(at >= 0);
            qsizetype end = data.indexOf("\r\n", at + field.size());
            while (data.at(end + 2) == ' ')
                end = data.indexOf("\r\n", end + 2);
            const QByteArray value = data.mid(at + field.size(), end - at - field.size()).replace("\r\n", "");
            QCOMPARE(value.startsWith("=?"), encodedWord);
            const fumibako::platform::mail::MailAddress from =
                fumibako::platform::mail::parseAddress(fumibako::platform::mail::decodeAddressList(value));
            QCOMPARE(from.name, shownName);
            QCOMPARE(from.address, QStringLiteral("taro@example.jp"));
        }
    }

    // A text file goes labelled with the charset its bytes are in; one in none goes as bytes.
    void textAttachmentCarriesItsCharset_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("contentType");
        QTest::newRow("UTF-8, Japanese name") << "報告書.txt" << QStringLiteral("日本語の報告①\r\n").toUtf8()
                                              << QByteArray("text/plain; charset=UTF-8;");
        QTest::newRow("ISO-2022-JP") << "jis.txt" << QByteArray("\x1b$BF|K\\8l\x1b(B\r\n")
                                     << QByteArray("text/plain; charset=ISO-2022-JP;");
        QTest::newRow("code page 932") << "sjis.csv" << fumibako::platform::encodeCp932(QStringLiteral("会議,①\r\n"))
                                       << QByteArray("text/csv; charset=Shift_JIS;");
        QTest::newRow("ASCII") << "readme.txt" << QByteArray("plain text\r\n") << QByteArray("text/plain; charset=us-ascii;");
        QTest::newRow("binary named .txt") << "data.txt" << QByteArray("ab\0\x01\xff\xfe", 6)
                                           << QByteArray("application/octet-stream;");
    }
    void textAttachmentCarriesItsCharset()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, contentType);
        SendAccount account(m_servers.smtpAuthPort());
        const QString path = account.dir.filePath(name);
        writeBytes(path, bytes);
        CurrentMail mail;
        mail.to = QStringLiteral("a@example.jp");
        mail.attachments = QStringList{path};
        QCOMPARE(sendAndWait(mail, account.context), SendOutcome::Sent);
        const QList<ReceivedMail> received = m_servers.takeReceived();
        QCOMPARE(received.size(), 1);
        // The header block of the attachment's part, unfolded.
        const QByteArray& data = received[0].data;
        const qsizetype disposition = data.indexOf("Content-Disposition: attachment");
        const qsizetype begin = data.lastIndexOf("\r\n--", disposition);
        QByteArray part = data.mid(begin, data.indexOf("\r\n\r\n", disposition) - begin);
        part.replace("\r\n ", " ").replace("\r\n\t", " ");
        QVERIFY2(part.contains("\r\nContent-Type: " + contentType), part.constData());
        const CurrentMail back = parseBack(data, account.dir);
        QCOMPARE(readBytes(back.attachments.value(1)), bytes);
    }

    void refusesWithoutRecipientOrSender_data()
    {
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("title");
        QTest::newRow("no recipient") << "" << "taro@example.jp" << "あて先を指定してください" << "あて先不明";
        QTest::newRow("no sender") << "a@example.jp" << "" << "あなたのメールアドレスを入力してください"
                                   << "送信者不明";
    }
    void refusesWithoutRecipientOrSender()
    {
        QFETCH(QString, to);
        QFETCH(QString, address);
        QFETCH(QString, text);
        QFETCH(QString, title);
        SendAccount account(m_servers.smtpAuthPort());
        account.properties.loginName.clear();
        account.properties.mailAddress = address;
        CurrentMail mail;
        mail.to = to;
        QCOMPARE(sendAndWait(mail, account.context), SendOutcome::NotSent);
        QCOMPARE(account.prompts.messages.size(), 1);
        QCOMPARE(account.prompts.messages.first().text, text);
        QCOMPARE(account.prompts.messages.first().title, title);
        QCOMPARE(account.prompts.messages.first().icon, fumibako::platform::Icon::Information);
        QVERIFY(account.notice.events.isEmpty());
        QVERIFY(m_servers.takeReceived().isEmpty());
    }

    void sendsJapaneseMailWithLogin()
    {
        SendAccount account(m_servers.smtpAuthPort());
        const QString attachment = account.dir.filePath(QStringLiteral("報告書.txt"));
        writeBytes(attachment, "中身");
        CurrentMail mail;
        mail.to = QStringLiteral("佐藤 <sato@example.com>, b@example.jp");
        mail.cc = QStringLiteral("c@example.jp");
        mail.bcc = QStringLiteral("hidden@example.jp");
        mail.subject = QStringLiteral("会議の件①");
        mail.body = QStringLiteral("こんにちは。\r\n.一行\r\n");
        mail.attachments = QStringList{attachment + QStringLiteral(", ") + attachment + QStringLiteral("|議事録.txt")};
        const SendOutcome result = sendAndWait(mail, account.context);
        QVERIFY2(result == SendOutcome::Sent, qPrintable(account.prompts.messages.value(0).text));
        QCOMPARE(account.notice.events, (QStringList{QStringLiteral("show 送信中"), QStringLiteral("close")}));
        QCOMPARE(account.prompts.status.value(1), QStringLiteral("送信しました"));
        QVERIFY(account.prompts.messages.isEmpty());

        const QList<ReceivedMail> received = m_servers.takeReceived();
        QCOMPARE(received.size(), 1);
        const QJsonObject envelope = received[0].envelope;
        QCOMPARE(envelope.value(QStringLiteral("auth_user")).toString(), QStringLiteral("taro"));
        QCOMPARE(envelope.value(QStringLiteral("mail_from")).toString(), QStringLiteral("taro@example.jp"));
        QCOMPARE(envelope.value(QStringLiteral("rcpt_tos")).toArray().toVariantList(),
                 (QVariantList{"sato@example.com", "b@example.jp", "c@example.jp", "hidden@example.jp"}));
        QVERIFY(!received[0].data.contains("hidden@example.jp"));

        const CurrentMail back = parseBack(received[0].data, account.dir);
        QCOMPARE(back.subject, mail.subject);
        QVERIFY(back.from.contains(QStringLiteral("taro@example.jp")));
        QVERIFY(back.from.contains(QStringLiteral("taro")));
        QVERIFY(back.to.contains(QStringLiteral("sato@example.com")));
        QVERIFY(back.body.startsWith(QStringLiteral("こんにちは。\r\n.一行")));
        QCOMPARE(back.attachments.value(0), QStringLiteral("2"));
        QCOMPARE(QFileInfo(back.attachments.value(1)).fileName(), QStringLiteral("報告書.txt"));
        QCOMPARE(QFileInfo(back.attachments.value(2)).fileName(), QStringLiteral("議事録.txt"));
        QCOMPARE(readBytes(back.attachments.value(2)), QByteArray("中身"));

        QCOMPARE(account.histories.to.at(0), mail.to);
        QCOMPARE(account.histories.cc.at(0), mail.cc);
        QCOMPARE(account.histories.bcc.at(0), mail.bcc);
        // The same recipients again: once, at the front.
        account.histories.to[1] = QStringLiteral("older@example.jp");
        // The call returns with the exchange on a worker: what comes meanwhile is handled by this
        // thread's own event loop, never by a loop inside the call.
        Sender sender;
        bool inCall = true;
        std::optional<bool> timerRanInCall;
        std::optional<SendOutcome> sent;
        QTimer::singleShot(0, [&] { timerRanInCall = inCall; });
        sender.SendCurrentMail(mail, account.context, [&sent](SendOutcome result) { sent = result; });
        inCall = false;
        QVERIFY(!sent && !timerRanInCall && sender.isSending());
        QTRY_VERIFY(sent);
        QCOMPARE(*sent, SendOutcome::Sent);
        QCOMPARE(timerRanInCall, std::optional<bool>(false));
        QCOMPARE(account.histories.to.at(0), mail.to);
        QCOMPARE(account.histories.to.at(1), QStringLiteral("older@example.jp"));
        QVERIFY(account.histories.to.at(2).isEmpty());
        QVERIFY(QDir(account.paths.outputDir).isEmpty()); // keep flag 0: no copy
    }

    void keepsSentCopy_data()
    {
        QTest::addColumn<QString>("attachmentLine");
        QTest::addColumn<QString>("flags");
        QTest::newRow("no attachment") << QString() << "000";
        QTest::newRow("attachment") << QStringLiteral("ATTACH") << "001";
    }
    void keepsSentCopy()
    {
        QFETCH(QString, attachmentLine);
        QFETCH(QString, flags);
        SendAccount account(m_servers.smtpAuthPort());
        if (!attachmentLine.isEmpty()) {
            attachmentLine = account.dir.filePath(QStringLiteral("a.txt"));
            writeBytes(attachmentLine, "a");
        }
        const QDateTime when(QDate(2026, 12, 5), QTime(9, 5, 3));
        account.context.clock = [when] { return when; };
        // A message queued in that very second already has the first name.
        account.queue(account.paths.outputDir, QStringLiteral("20261205-090503.txt"), QStringLiteral("q@example.jp"),
                      QStringLiteral("queued"));
        const QByteArray queuedBytes = readBytes(account.paths.outputDir + QStringLiteral("20261205-090503.txt"));
        QStringList names;
        for (int i = 0; i < 2; ++i) {
            CurrentMail mail;
            mail.to = QStringLiteral("a@example.jp");
            mail.subject = QStringLiteral("件名%1").arg(i);
            mail.body = QStringLiteral("body");
            mail.attachments = QStringList{attachmentLine};
            mail.keepFlag = 1;
            QCOMPARE(sendAndWait(mail, account.context), SendOutcome::Sent);
            QCOMPARE(mail.keepFlag, qint16(0));
            QCOMPARE(mail.mailPath, account.paths.outputDir);
            names.append(mail.mailName);
        }
        QCOMPARE(names, (QStringList{QStringLiteral("20261205-090504.txt"), QStringLiteral("20261205-090505.txt")}));
        QCOMPARE(readBytes(account.paths.outputDir + QStringLiteral("20261205-090503.txt")), queuedBytes);
        for (int i = 0; i < 2; ++i) {
            CurrentMail copy;
            QVERIFY(ReadOutgoingFile(copy, account.paths.outputDir, names.at(i)));
            QCOMPARE(copy.subject, QStringLiteral("件名%1").arg(i));
            QCOMPARE(copy.keepFlag, qint16(0));
            QVERIFY(readBytes(account.paths.outputDir + names.at(i)).contains("\r\n 0 \r\n"));
            QCOMPARE(account.entry(SentBox, names.at(i)),
                     flags + QStringLiteral("\ta@example.jp\t件名%1\t2026/12/05 09:05:03").arg(i));
        }
    }

    void libraryErrorIsShown()
    {
        SendAccount account(m_servers.smtpAuthPort());
        CurrentMail mail;
        mail.to = QStringLiteral("ok@example.jp, reject@example.jp");
        mail.subject = QStringLiteral("s");
        mail.keepFlag = 1;
        QCOMPARE(sendAndWait(mail, account.context), SendOutcome::NotSent);
        QCOMPARE(account.prompts.messages.size(), 1);
        QVERIFY2(account.prompts.messages.first().text.contains(QStringLiteral("550")),
                 qPrintable(account.prompts.messages.first().text));
        QCOMPARE(account.notice.events.size(), 2);
        QVERIFY(m_servers.takeReceived().isEmpty());
        QVERIFY(QDir(account.paths.outputDir).isEmpty());
        QVERIFY(account.histories.to.at(0).isEmpty());
        QVERIFY(!account.prompts.status.contains(1));
    }

    // Without a known password the prompt asks for it, with the choices of receiving.
    void asksForAPasswordItDoesNotKnow_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<int>("keep");
        QTest::addColumn<QString>("inMemory");
        QTest::addColumn<QString>("stored");
        QTest::newRow("this time only") << false << int(PasswordKeep::ThisTimeOnly) << "" << "";
        QTest::newRow("while running") << false << int(PasswordKeep::WhileRunning) << "secret" << "";
        QTest::newRow("store") << false << int(PasswordKeep::Store) << "secret" << "secret";
        QTest::newRow("cancelled") << true << 0 << "" << "";
    }
    void asksForAPasswordItDoesNotKnow()
    {
        QFETCH(bool, cancel);
        QFETCH(int, keep);
        SendAccount account(m_servers.submissionPort());
        account.properties.password.clear();
        QVERIFY(fumibako::storage::IniWriteString(QStringLiteral("Property"), QStringLiteral("Name"),
                                                  QStringLiteral("Taro"), account.paths.userFile) == QLatin1String("1"));
        int asked = 0;
        account.context.askPassword = [&]() -> std::optional<PasswordAnswer> {
            ++asked;
            if (cancel)
                return std::nullopt;
            return PasswordAnswer{QStringLiteral("secret"), PasswordKeep(keep)};
        };
        CurrentMail mail;
        mail.to = QStringLiteral("a@example.jp");
        mail.subject = QStringLiteral("one");
        QCOMPARE(sendAndWait(mail, account.context), cancel ? SendOutcome::NotSent : SendOutcome::Sent);
        // A cancelled prompt sends nothing and shows no error.
        QVERIFY(account.prompts.messages.isEmpty());
        const QList<ReceivedMail> received = m_servers.takeReceived();
        QCOMPARE(received.size(), cancel ? 0 : 1);
        if (!cancel)
            QCOMPARE(received[0].envelope.value(QStringLiteral("auth_user")).toString(), QStringLiteral("taro"));
        QTEST(account.properties.password, "inMemory");
        QTEST(fumibako::storage::readAccountProperties(account.paths.userFile).password, "stored");
        // One prompt per send: the next message of the same send goes without asking again.
        if (!cancel) {
            QCOMPARE(sendAndWait(mail, account.context), SendOutcome::Sent);
            QCOMPARE(asked, 1);
        }
    }

    void sendAllAsksOnceAndACancelSendsNothing()
    {
        SendAccount account(m_servers.submissionPort());
        account.properties.password.clear();
        account.queue(account.paths.outputDir, QStringLiteral("20261205100000.txt"), QStringLiteral("a@example.jp"), QStringLiteral("first"));
        account.queue(account.paths.outputDir, QStringLiteral("20261205100001.txt"), QStringLiteral("b@example.jp"), QStringLiteral("second"));
        int asked = 0;
        account.context.askPassword = [&]() -> std::optional<PasswordAnswer> {
            ++asked;
            return std::nullopt;
        };
        OperationGuard guard(account.prompts);
        CurrentMail mail;
        const SendAllResult cancelled = sendAllAndWait(guard, mail, account.context);
        QCOMPARE(asked, 1);
        QCOMPARE(cancelled.sent + cancelled.failed, 0);
        QVERIFY(account.prompts.messages.isEmpty());
        QVERIFY(m_servers.takeReceived().isEmpty());
        account.context.askPassword = [&]() -> std::optional<PasswordAnswer> {
            ++asked;
            return PasswordAnswer{QStringLiteral("secret"), PasswordKeep::ThisTimeOnly};
        };
        QCOMPARE(sendAllAndWait(guard, mail, account.context).sent, 2);
        QCOMPARE(asked, 2);
        QCOMPARE(m_servers.takeReceived().size(), 2);
    }

    void wrongPasswordIsRefused()
    {
        SendAccount account(m_servers.smtpAuthPort());
        account.properties.password = QStringLiteral("wrong");
        CurrentMail mail;
        mail.to = QStringLiteral("a@example.jp");
        QCOMPARE(sendAndWait(mail, account.context), SendOutcome::NotSent);
        QCOMPARE(account.prompts.messages.size(), 1);
        QVERIFY(m_servers.takeReceived().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSending)
#include "test_sending.moc"
