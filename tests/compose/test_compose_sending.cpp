// Writing and sending mail from the compose window, end to end against the real SMTP server of
// the test fixtures: what the server receives is checked byte for byte where it matters.
#include "ComposeDriver.h"
#include "MailServers.h"
#include "MainWindowFixture.h"

#include "compose/core/ComposeRules.h"
#include "compose/core/Signatures.h"
#include "mainwin/MainViews.h"
#include "mainwin/MainWindow.h"
#include "mainwin/core/MailTableModel.h"
#include "platform/Cp932.h"
#include "platform/mail/MailLibrary.h"
#include "storage/ProfileStore.h"
#include "support/RecordingPrompts.h"
#include "support/TestFiles.h"
#include "transfer/SendTestSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QCryptographicHash>
#include <QJsonArray>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include <memory>

using namespace fumibako;
using fumibako::test::command;
using fumibako::test::composeWindow;
using fumibako::test::fieldText;
using fumibako::test::MailServers;
using fumibako::test::MainWindowData;
using fumibako::test::ReceivedMail;
using fumibako::test::RecordingPrompts;

namespace {

// The peak resident memory of this process, in kB, since the last reset.
qint64 peakMemoryKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

bool resetPeakMemory()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}

QString value(const platform::mail::LibraryResult& result, int index)
{
    const QString item = result.list.value(index);
    return item.mid(item.indexOf(QLatin1Char(':')) + 2);
}

} // namespace

class TestComposeSending : public QObject {
    Q_OBJECT

    MailServers m_servers;
    std::unique_ptr<MainWindowData> m_data;
    std::unique_ptr<RecordingPrompts> m_prompts;
    std::unique_ptr<mainwin::MainWindow> m_window;
    QTemporaryDir m_files;

    storage::AccountPaths taro() const
    {
        return storage::AccountPaths::make(m_data->paths().programDir, QStringLiteral("taro"));
    }

    void openWindow()
    {
        m_prompts = std::make_unique<RecordingPrompts>();
        test::openMainWindow(m_data->paths(), m_prompts.get(), m_window);
        storage::AccountProperties& account = m_window->controller().session().properties();
        account.smtpServer = QStringLiteral("127.0.0.1");
        account.smtpPortGiven = 1;
        account.smtpPort = m_servers.smtpAuthPort();
        account.loginName = QStringLiteral("taro");
        account.password = QStringLiteral("secret");
        account.security.smtp.allowPlainLogin = true; // the fixture's AUTH port offers no STARTTLS
    }

    QMainWindow* newMail()
    {
        m_window->composeLauncher().OpenCompose(compose::ComposeMode::New, QString(), QString(), QString());
        return composeWindow(m_window.get());
    }

    void trigger(const QString& text)
    {
        for (QAction* action : m_window->findChildren<QAction*>()) {
            if (action->text() == text)
                return action->trigger();
        }
        QFAIL(qPrintable(text));
    }

    // Reads a received message back through the mail library; its attachments land in "back".
    platform::mail::LibraryResult readBack(const QByteArray& data)
    {
        const QString file = m_files.filePath(QStringLiteral("received.eml"));
        QFile::remove(file);
        test::writeBytes(file, data);
        return platform::mail::ReadMail(file, QStringLiteral("subject:from:date:To:body:"),
                                        m_files.filePath(QStringLiteral("back")));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QString error;
        if (!m_servers.start(MailServers::Smtp, &error))
            QSKIP(qPrintable(error));
        m_servers.useInThisProcess(5);
    }

    void init()
    {
        m_data = std::make_unique<MainWindowData>();
        m_servers.takeReceived();
    }

    void cleanup()
    {
        m_window.reset();
        m_prompts.reset();
        m_data.reset();
    }

    void sendsAJapaneseMessageWithAttachmentsAndASignature()
    {
        storage::writeOrderedList(compose::kSignatureSection, taro().userFile, {QStringLiteral("仕事")});
        QDir().mkpath(compose::signatureFolder(taro().userMailDir));
        QVERIFY(compose::writeSignatureFile(*compose::signatureFilePath(taro().userMailDir, QStringLiteral("仕事")),
                                            QStringLiteral("--\n山田 太郎")));
        const QString report = m_files.filePath(QStringLiteral("議事録①.txt"));
        const QString image = m_files.filePath(QStringLiteral("photo.png"));
        test::writeBytes(report, platform::encodeCp932(QStringLiteral("会議の記録\r\n")));
        test::writeBytes(image, QByteArray("\x89PNG\r\n\x1a\n") + QByteArray(5000, '\x07'));
        openWindow();
        QMainWindow* window = newMail();
        test::fillCompose(window, QStringLiteral("佐藤 <sato@example.com>, b@example.jp"), QStringLiteral("c@example.jp"),
                          QStringLiteral("hidden@example.jp"), QStringLiteral("来週の会議について①"),
                          QStringLiteral("お疲れさまです。\n資料を送ります。"));
        test::dropFiles(window->findChild<QPlainTextEdit*>(QStringLiteral("txtBun")), {report, image});
        command(window, QStringLiteral("cmdSyomei"));
        QPointer<QMainWindow> closing = window;
        command(window, QStringLiteral("cmdSend"));
        QTRY_VERIFY(!closing);
        QVERIFY2(m_prompts->messages.isEmpty(), qPrintable(m_prompts->messages.value(0).text));
        QCOMPARE(m_prompts->status.value(1), QStringLiteral("送信しました"));

        const QList<ReceivedMail> received = m_servers.takeReceived();
        QCOMPARE(received.size(), 1);
        const QByteArray& data = received[0].data;
        QCOMPARE(received[0].envelope.value(QStringLiteral("rcpt_tos")).toArray().toVariantList(),
                 (QVariantList{"sato@example.com", "b@example.jp", "c@example.jp", "hidden@example.jp"}));
        const QByteArray header = data.left(data.indexOf("\r\n\r\n") + 2);
        QVERIFY2(header.contains("\r\nFrom: taro <taro@example.jp>\r\n"), header.constData());
        QVERIFY(header.contains("\r\nSubject: =?ISO-2022-JP?B?"));
        QVERIFY(header.contains("\r\nCc: c@example.jp\r\n"));
        QVERIFY(!data.contains("hidden"));
        QVERIFY(header.contains("Content-Type: multipart/mixed"));
        QVERIFY(data.contains("Content-Type: text/plain; charset=ISO-2022-JP\r\nContent-Transfer-Encoding: 7bit"));
        QVERIFY(data.contains("filename*=UTF-8''%E8%AD%B0%E4%BA%8B%E9%8C%B2%E2%91%A0.txt"));
        QVERIFY(data.contains("Content-Type: image/png"));

        const platform::mail::LibraryResult back = readBack(data);
        QVERIFY(back.isList);
        QCOMPARE(value(back, 0), QStringLiteral("来週の会議について①"));
        QCOMPARE(value(back, 3), QStringLiteral("佐藤 <sato@example.com>, b@example.jp"));
        QCOMPARE(value(back, 4), QStringLiteral("お疲れさまです。\r\n資料を送ります。\r\n\r\n--\r\n山田 太郎\r\n"));
        QCOMPARE(back.list.size(), 8);
        QCOMPARE(QFileInfo(value(back, 6)).fileName(), QStringLiteral("議事録①.txt"));
        QCOMPARE(test::readBytes(value(back, 6)), test::readBytes(report));
        QCOMPARE(test::readBytes(value(back, 7)), test::readBytes(image));
        // The To history offers what was sent.
        QCOMPARE(m_window->controller().session().histories().to.front(),
                 QStringLiteral("佐藤 <sato@example.com>, b@example.jp"));
    }

    void failedSendKeepsEveryField()
    {
        openWindow();
        m_window->controller().session().properties().smtpPort = test::freePorts(1).first();
        QMainWindow* window = newMail();
        test::fillCompose(window, QStringLiteral("sato@example.com"), QStringLiteral("c@example.jp"),
                          QStringLiteral("d@example.jp"), QStringLiteral("件名"), QStringLiteral("消えない本文"));
        const QString attachment = m_files.filePath(QStringLiteral("a.txt"));
        test::writeBytes(attachment, "a");
        window->findChild<QLineEdit*>(QStringLiteral("txtFile"))->setText(attachment);
        command(window, QStringLiteral("cmdSend"));
        QTRY_VERIFY(window->centralWidget()->isEnabled()); // the send has ended
        QCOMPARE(composeWindow(m_window.get()), window);
        QCOMPARE(m_prompts->messages.size(), 1);
        QVERIFY(m_prompts->messages.at(0).text.contains(QStringLiteral("メールサーバーにつながりませんでした")));
        const QList<std::pair<QString, QString>> fields{{"cmbTo", "sato@example.com"}, {"cmbCC", "c@example.jp"},
                                                        {"cmbBCC", "d@example.jp"},    {"txtSub", "件名"},
                                                        {"txtBun", "消えない本文"},     {"txtFile", attachment}};
        for (const auto& [name, text] : fields)
            QCOMPARE(fieldText(window, name), text);
        QVERIFY(window->centralWidget()->isEnabled());
        QVERIFY(m_window->controller().session().histories().to.front().isEmpty());
    }

    // While its message is on its way the window stays, saying why, as does the program on exit;
    // the main window sends nothing else.
    void sendingWindowStaysAndOtherSendsWait()
    {
        openWindow();
        QPointer<QMainWindow> window = newMail();
        test::fillCompose(window, QStringLiteral("sato@example.com"), {}, {}, QStringLiteral("one"), QStringLiteral("本文"));
        command(window, QStringLiteral("cmdSend"));
        QVERIFY(!window->close());
        QVERIFY(!m_window->close());
        trigger(QStringLiteral("全て送信(&S)"));
        QCOMPARE(m_prompts->messages.size(), 3);
        for (const auto& message : std::as_const(m_prompts->messages))
            QCOMPARE(message.text, QStringLiteral("現在送信中のため、完了した後に再度実行してください"));
        QVERIFY(m_window->isVisible());
        QTRY_VERIFY(!window);
        QCOMPARE(test::receivedSubjects(m_servers.takeReceived()), QStringList{"one"});
    }

    void queuedMessagesGoWithSendAll()
    {
        openWindow();
        const QStringList recipients{QStringLiteral("sato@example.com"), QStringLiteral("reject@example.jp"),
                                     QStringLiteral("suzuki@example.jp")};
        for (int i = 0; i < recipients.size(); ++i) {
            QMainWindow* window = newMail();
            test::fillCompose(window, recipients.at(i), {}, {}, QStringLiteral("queued %1").arg(i), QStringLiteral("本文"));
            window->findChild<QCheckBox*>(QStringLiteral("chkHozon"))->setChecked(true);
            command(window, QStringLiteral("cmdSBox"));
            QTRY_VERIFY(!composeWindow(m_window.get()));
        }
        const QStringList queued = MainWindowData::section(m_data->outgoingIndex(), QStringLiteral("送信BOX"));
        QCOMPARE(queued.size(), 4); // the fixture's message (its file is no outgoing file) and these three
        QCOMPARE(QDir(taro().outputDir).entryList(QDir::Files).size(), 5);

        trigger(QStringLiteral("全て送信(&S)"));
        QVERIFY(test::waitForSend(*m_window));
        const QList<ReceivedMail> received = m_servers.takeReceived();
        QCOMPARE(test::receivedSubjects(received), (QStringList{"queued 0", "queued 2"}));
        // The refused one stays queued, with its file; the others left the outbox, a copy each in the sent box.
        const QStringList left = MainWindowData::section(m_data->outgoingIndex(), QStringLiteral("送信BOX"));
        QCOMPARE(left.size(), 1);
        QVERIFY(left.first().contains(QStringLiteral("\treject@example.jp\tqueued 1\t")));
        const QStringList sent = MainWindowData::section(m_data->outgoingIndex(), QStringLiteral("送信済BOX"));
        QCOMPARE(sent.size(), 3); // the fixture's and two copies
        QVERIFY(sent.at(1).contains(QStringLiteral("=000\tsato@example.com\tqueued 0\t")));
        QCOMPARE(QDir(taro().outputDir).entryList(QDir::Files).size(), 5); // the two sent files gave way to their copies
        QCOMPARE(m_prompts->messages.last().text, QStringLiteral("送信に失敗したものがあります"));
        QVERIFY(m_prompts->messages.at(m_prompts->messages.size() - 2).text.contains(QStringLiteral("reject@example.jp")));
    }

    // A reply keeps its references however it leaves: at once, through the outbox and "全て送信",
    // or saved as a draft, opened again from the list and sent.
    void replyReferencesGoWithTheMail_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("sent at once") << "cmdSend";
        QTest::newRow("outbox, then send all") << "cmdSBox";
        QTest::newRow("draft, opened and sent") << "mnuHozon";
    }
    void replyReferencesGoWithTheMail()
    {
        QFETCH(QString, command);
        openWindow();
        compose::ComposeFields fields;
        fields.to = QStringLiteral("yamada@example.jp");
        fields.subject = QStringLiteral("Re:会議");
        fields.reply = platform::mail::ReplyReferences{QStringLiteral("<b@example.jp>"),
                                                       QStringLiteral("<a@example.jp> <b@example.jp>")};
        m_window->composeLauncher().showWithFields(fields);
        QPointer<QMainWindow> window = composeWindow(m_window.get());
        test::command(window, command);
        QTRY_VERIFY(!window);
        if (command == QLatin1String("cmdSBox")) {
            trigger(QStringLiteral("全て送信(&S)"));
            QVERIFY(test::waitForSend(*m_window));
        }
        if (command == QLatin1String("mnuHozon")) {
            const QString key = MainWindowData::section(m_data->outgoingIndex(), QStringLiteral("下書き")).last().section(QLatin1Char('='), 0, 0);
            test::selectFolder(*m_window, QStringLiteral("下書き"));
            const storage::MailList& rows = m_window->controller().folderView().rows();
            for (int i = 0; i < rows.size(); ++i) {
                if (rows.at(i).keyString() == key)
                    test::mailList(*m_window)->setCurrentIndex(m_window->controller().mailModel()->index(i, 0));
            }
            Q_EMIT test::mailList(*m_window)->openRequested();
            window = composeWindow(m_window.get());
            QVERIFY(window);
            test::command(window, QStringLiteral("cmdSend"));
            QTRY_VERIFY(!window);
        }
        const QList<ReceivedMail> received = m_servers.takeReceived();
        QCOMPARE(received.size(), 1);
        const QByteArray header = received[0].data.left(received[0].data.indexOf("\r\n\r\n") + 2);
        QVERIFY2(header.contains("\r\nIn-Reply-To: <b@example.jp>\r\n"), header.constData());
        QVERIFY(header.contains("\r\nReferences: <a@example.jp> <b@example.jp>\r\n"));
        // What left the outbox took its references along.
        const QString out = taro().outputDir;
        for (const QString& name : QDir(out).entryList({QStringLiteral(".*.reply")}, QDir::Files | QDir::Hidden))
            QVERIFY2(QFile::exists(out + name.mid(1).chopped(6)), qPrintable(name));
    }

    void redirectsAStoredMessage()
    {
        const QByteArray original = "From: yamada@example.jp\r\nTo: taro@example.jp\r\nSubject: =?ISO-2022-JP?B?GyRCMnE1RBsoQg==?=\r\n"
                                    "\r\n\x1b$B86J8\x1b(B\r\n";
        const QString stored = taro().inputDir + QStringLiteral("m1.eml");
        test::writeBytes(stored, original);
        openWindow();
        compose::ComposeFields fields;
        fields.subject = QStringLiteral("会議");
        fields.body = compose::kRedirectBody;
        m_window->composeLauncher().OpenCompose(compose::ComposeMode::Redirect, compose::kRedirectMarker + stored,
                                                QString(), QString(), fields);
        QMainWindow* window = composeWindow(m_window.get());
        QCOMPARE(window->windowTitle(), QStringLiteral("転送モード"));
        QVERIFY(!window->findChild<QPlainTextEdit*>(QStringLiteral("txtBun"))->isEnabled());
        QCOMPARE(fieldText(window, QStringLiteral("txtBun")), QStringLiteral("編集できません"));
        test::fillCompose(window, QStringLiteral("sato@example.com"), {}, QStringLiteral("hidden@example.jp"),
                          QStringLiteral("会議"), QStringLiteral("編集できません"));
        command(window, QStringLiteral("cmdSend"));
        QTRY_VERIFY(!composeWindow(m_window.get()));
        const QList<ReceivedMail> received = m_servers.takeReceived();
        QCOMPARE(received.size(), 1);
        QVERIFY(received[0].data.startsWith("Resent-From: taro <taro@example.jp>\r\nResent-To: sato@example.com\r\n"));
        QVERIFY(received[0].data.contains("\r\nResent-Date: "));
        QVERIFY(received[0].data.contains("\r\nResent-Message-ID: <"));
        QVERIFY(received[0].data.endsWith(original));
        QVERIFY(!received[0].data.contains("hidden"));
        QCOMPARE(received[0].envelope.value(QStringLiteral("rcpt_tos")).toArray().size(), 2);
    }

    void controlEnterInTheBodySends()
    {
        openWindow();
        QMainWindow* window = newMail();
        test::fillCompose(window, QStringLiteral("sato@example.com"), {}, {}, QStringLiteral("Ctrl+Enter"), QStringLiteral("a"));
        auto* body = window->findChild<QPlainTextEdit*>(QStringLiteral("txtBun"));
        body->moveCursor(QTextCursor::End);
        QTest::keyClick(body, Qt::Key_Return);
        QCOMPARE(fieldText(window, QStringLiteral("txtBun")), QStringLiteral("a\n")); // Enter alone breaks the line
        QTest::keyClick(body, Qt::Key_Return, Qt::ControlModifier);
        QTRY_VERIFY(!composeWindow(m_window.get()));
        QCOMPARE(test::receivedSubjects(m_servers.takeReceived()), QStringList{"Ctrl+Enter"});
    }

    void attachmentOf50MbIsStreamed()
    {
        const QString big = m_files.filePath(QStringLiteral("大きな資料.bin"));
        QCryptographicHash hash(QCryptographicHash::Sha256);
        {
            QFile file(big);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QByteArray chunk(1024 * 1024, '\0');
            for (int i = 0; i < 50; ++i) {
                for (qsizetype j = 0; j < chunk.size(); j += 4096)
                    chunk[j] = char(i + j / 4096);
                hash.addData(chunk);
                QCOMPARE(file.write(chunk), chunk.size());
            }
        }
        openWindow();
        QMainWindow* window = newMail();
        test::fillCompose(window, QStringLiteral("sato@example.com"), {}, {}, QStringLiteral("大きな添付"), QStringLiteral("本文"));
        window->findChild<QLineEdit*>(QStringLiteral("txtFile"))->setText(big);
        if (!resetPeakMemory())
            QSKIP("the peak memory of this process cannot be reset here");
        const qint64 before = peakMemoryKb();
        command(window, QStringLiteral("cmdSend"));
        QTRY_VERIFY_WITH_TIMEOUT(!composeWindow(m_window.get()), 60000);
        const qint64 growth = peakMemoryKb() - before;
        QVERIFY2(growth < 32 * 1024, qPrintable(QStringLiteral("peak memory grew by %1 kB").arg(growth)));
        qInfo("sending a 50 MB attachment raised the peak memory by %lld kB", growth);

        const QList<ReceivedMail> received = m_servers.takeReceived();
        QCOMPARE(received.size(), 1);
        const platform::mail::LibraryResult back = readBack(received[0].data);
        QCOMPARE(QFileInfo(value(back, 6)).fileName(), QStringLiteral("大きな資料.bin"));
        QFile attached(value(back, 6));
        QVERIFY(attached.open(QIODevice::ReadOnly));
        QCryptographicHash sent(QCryptographicHash::Sha256);
        QVERIFY(sent.addData(&attached));
        QCOMPARE(sent.result(), hash.result());
    }
};

QTEST_MAIN(TestComposeSending)
#include "test_compose_sending.moc"
