// The main window's preview, address pane, sending and receiving, on the offscreen platform, with
// real mail servers.
#include "MailServers.h"
#include "MainWindowFixture.h"

#include "addressbook/AddressBook.h"
#include "mailview/PreviewRenderer.h"
#include "mainwin/MainViews.h"
#include "mainwin/MainWindow.h"
#include "mainwin/ReceiveDialogs.h"
#include "mainwin/SendingNoticeWindow.h"
#include "mainwin/core/FolderTreeModel.h"
#include "mainwin/core/MailTableModel.h"
#include "platform/Cp932.h"
#include "storage/FolderTree.h"
#include "storage/Paths.h"
#include "storage/ProfileStore.h"
#include "support/RecordingPrompts.h"
#include "support/TestFiles.h"
#include "transfer/Receiving.h"
#include "transfer/OutgoingMailFile.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QMenu>
#include <QMimeData>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QTreeWidget>

#include <functional>

#include <memory>
#include <optional>

using namespace fumibako;
using namespace fumibako::mainwin;
using fumibako::test::MailServers;
using fumibako::test::MainWindowData;
using fumibako::test::RecordingPrompts;

namespace {

const QByteArray kJapaneseMail = "From: =?ISO-2022-JP?B?GyRCOzNFRBsoQg==?= <yamada@example.jp>\r\n"
                                 "To: taro@example.jp\r\n"
                                 "Subject: test\r\n"
                                 "MIME-Version: 1.0\r\n"
                                 "Content-Type: text/plain; charset=ISO-2022-JP\r\n"
                                 "\r\n"
                                 "\x1b$B0zMQ\x1b(B\r\n"
                                 "> quoted line\r\n"
                                 "see http://example.jp/a <b>\r\n";

} // namespace

class TestMainWindowWiring : public QObject {
    Q_OBJECT

    std::unique_ptr<MainWindowData> m_data;
    std::unique_ptr<RecordingPrompts> m_prompts;
    std::unique_ptr<MainWindow> m_window;
    MailServers m_servers;
    bool m_smtpUp = false;
    bool m_pop3Up = false;

    storage::AccountPaths taro() const
    {
        return storage::AccountPaths::make(m_data->paths().programDir, QStringLiteral("taro"));
    }

    void openWindow()
    {
        m_prompts = std::make_unique<RecordingPrompts>();
        openMainWindow(m_data->paths(), m_prompts.get(), m_window);
    }

    void selectFolder(const QString& key) { fumibako::test::selectFolder(*m_window, key); }
    MainController& controller() const { return m_window->controller(); }
    MailTableModel* model() const { return m_window->controller().mailModel(); }

    int rowOfKey(const QString& key) const
    {
        const auto& rows = controller().folderView().rows();
        for (int row = 0; row < rows.size(); ++row) {
            if (rows.at(row).key() == key)
                return row;
        }
        return -1;
    }

    void clickRow(int row)
    {
        MailListView* list = test::mailList(*m_window);
        const QRect rect = list->visualRect(model()->index(row, kSubjectColumn));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    }

    void clickEmptySpace()
    {
        MailListView* list = test::mailList(*m_window);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(10, list->viewport()->height() - 4));
    }

    QString previewPage() const
    {
        return platform::decodeCp932(test::readBytes(m_data->paths().previewFile));
    }

    QAction* menuAction(const QString& text) const
    {
        for (QAction* action : m_window->findChildren<QAction*>()) {
            if (action->text() == text)
                return action;
        }
        return nullptr;
    }

    void queueOutgoing(const QString& name, const QString& to, const QString& subject)
    {
        transfer::CurrentMail mail;
        mail.to = to;
        mail.subject = subject;
        mail.body = QStringLiteral("本文です");
        mail.mailPath = taro().outputDir;
        mail.mailName = name;
        QVERIFY(transfer::WriteOutgoingFile(mail));
    }

    void pointAtSmtp()
    {
        storage::AccountProperties& account = controller().session().properties();
        account.smtpServer = QStringLiteral("127.0.0.1");
        account.smtpPortGiven = 1;
        account.smtpPort = m_servers.smtpPort();
    }

    void pointAtPop3()
    {
        storage::AccountProperties& account = controller().session().properties();
        account.pop3Server = QStringLiteral("127.0.0.1");
        account.popPortGiven = 1;
        account.popPort = m_servers.pop3Port();
        account.loginName = QStringLiteral("taro");
        account.password = QStringLiteral("secret");
    }

private Q_SLOTS:
    void initTestCase()
    {
        const int running = m_servers.startPop3AndSmtp(5);
        m_pop3Up = running & MailServers::Pop3;
        m_smtpUp = running & MailServers::Smtp;
    }

    void init() { m_data = std::make_unique<MainWindowData>(); }

    void cleanup()
    {
        m_window.reset();
        m_prompts.reset();
        m_data.reset();
    }

    void previewShowsTheClickedMessage_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("pageHas");

        QTest::newRow("received, Japanese, quote and link")
            << QStringLiteral("標準BOX") << QStringLiteral("m1.eml") << kJapaneseMail
            << QStringList{QStringLiteral("引用<br>"), QStringLiteral("<font color=\"Green\">&gt; quoted line</font>"),
                           QStringLiteral("<a href=\"http://example.jp/a\" target=\"_blank\">"),
                           QStringLiteral("&lt;b&gt;")};
        QTest::newRow("draft, outgoing file")
            << QStringLiteral("下書き") << QStringLiteral("20240101-101010.txt")
            << test::cp932Lines(QStringLiteral("a@example.jp\n\n\n\n下書き\n 0 \n一行目\n二行目\n"))
            << QStringList{QStringLiteral("一行目<br>\r\n二行目")};
        QTest::newRow("outgoing file that is not one") << QStringLiteral("下書き") << QStringLiteral("20240101-101010.txt")
                                                       << QByteArray("only\r\ntwo lines\r\n")
                                                       << QStringList{QStringLiteral("読み込みエラーです")};
    }

    void previewShowsTheClickedMessage()
    {
        QFETCH(QString, folder);
        QFETCH(QString, key);
        QFETCH(QByteArray, file);
        QFETCH(QStringList, pageHas);
        const bool outgoing = folder == QStringLiteral("下書き");
        test::writeBytes((outgoing ? taro().draftDir : taro().inputDir) + key, file);
        openWindow();
        selectFolder(folder);
        clickRow(rowOfKey(key));

        const QString page = previewPage();
        for (const QString& part : pageHas)
            QVERIFY2(page.contains(part), qPrintable(page));
        QCOMPARE(test::preview(*m_window)->location(), m_data->paths().previewFile);
        QVERIFY(!test::preview(*m_window)->toPlainText().isEmpty());
        QVERIFY(!test::preview(*m_window)->toPlainText().contains(QStringLiteral("<font")));
    }

    void previewIsNotRewrittenWhileShown()
    {
        test::writeBytes(taro().inputDir + QStringLiteral("m1.eml"), kJapaneseMail);
        openWindow();
        selectFolder(QStringLiteral("標準BOX"));
        const int row = rowOfKey(QStringLiteral("m1.eml"));
        clickRow(row);
        QVERIFY(controller().timers().isUnreadTimerRunning()); // m1 is unread
        QVERIFY(QFile::remove(m_data->paths().previewFile));

        clickRow(row);
        QVERIFY(!QFile::exists(m_data->paths().previewFile));

        // Blanked by a click on empty space, the same message is rendered again.
        clickEmptySpace();
        QCOMPARE(test::preview(*m_window)->location(), QStringLiteral("about:blank"));
        QVERIFY(!controller().timers().isUnreadTimerRunning());
        clickRow(row);
        QVERIFY(QFile::exists(m_data->paths().previewFile));
        QCOMPARE(test::preview(*m_window)->location(), m_data->paths().previewFile);
    }

    // Each click renders the message again; its attachments are never written to the work
    // folder, which would otherwise gather "name (2).ext", "name (3).ext", ...
    void previewLeavesNoAttachmentFiles()
    {
        test::writeBytes(taro().inputDir + QStringLiteral("m3.eml"),
                         "From: suzuki@example.jp\r\nSubject: files\r\nMIME-Version: 1.0\r\n"
                         "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n"
                         "--b\r\nContent-Type: text/plain; charset=UTF-8\r\n\r\n資料です\r\n"
                         "--b\r\nContent-Type: application/pdf\r\n"
                         "Content-Disposition: attachment; filename=\"report.pdf\"\r\n"
                         "Content-Transfer-Encoding: base64\r\n\r\nJVBERi0=\r\n--b--\r\n");
        openWindow();
        selectFolder(QStringLiteral("標準BOX"));
        const int row = rowOfKey(QStringLiteral("m3.eml"));
        for (int click = 0; click < 3; ++click) {
            clickEmptySpace();
            clickRow(row);
            QVERIFY(previewPage().contains(QStringLiteral("資料です")));
        }
        const QDir work(m_data->paths().workDir);
        QCOMPARE(work.entryList(QDir::Files), QStringList{QStringLiteral("FumiMail.htm")});
    }

    // The pane shows the message chosen with either button, and never one that left the list.
    void previewFollowsTheList_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("command"); // "Delete", "drag" or a pop-up item
        QTest::newRow("Delete") << QStringLiteral("標準BOX") << QStringLiteral("m2.eml") << QStringLiteral("Delete");
        QTest::newRow("drag into the trash") << QStringLiteral("標準BOX") << QStringLiteral("m2.eml") << QStringLiteral("drag");
        QTest::newRow("取り出す") << QStringLiteral("ごみ箱") << QStringLiteral("t1.eml") << QStringLiteral("取り出す");
        QTest::newRow("send") << QStringLiteral("送信BOX") << QStringLiteral("20240102-101010.txt")
                              << QStringLiteral("送信(選択したもの)");
    }
    void previewFollowsTheList()
    {
        QFETCH(QString, folder);
        QFETCH(QString, key);
        QFETCH(QString, command);
        const bool send = folder == QStringLiteral("送信BOX");
        if (send && !m_smtpUp)
            QSKIP("no SMTP fixture");
        if (send)
            queueOutgoing(key, QStringLiteral("b@example.jp"), QStringLiteral("送信待ち"));
        openWindow();
        pointAtSmtp();
        selectFolder(folder);
        MailListView* list = test::mailList(*m_window);
        const QRect rect = list->visualRect(model()->index(rowOfKey(key), kSubjectColumn));
        QTest::mouseClick(list->viewport(), Qt::RightButton, {}, rect.center());
        m_window->findChild<QMenu*>(QStringLiteral("POPUPlsvmail"))->close();
        QCOMPARE(list->selectedRowNumbers(), QList<int>{rowOfKey(key)});
        QCOMPARE(test::preview(*m_window)->location(), m_data->paths().previewFile);

        if (command == QStringLiteral("Delete")) {
            QTest::keyClick(list, Qt::Key_Delete);
        } else if (command == QStringLiteral("drag")) {
            std::unique_ptr<QMimeData> drag(model()->mimeData(list->selectionModel()->selectedRows()));
            test::folderTreeModel(*m_window)->dropMimeData(drag.get(), Qt::MoveAction, -1, 0,
                                                test::folderTreeModel(*m_window)->indexOfNode(storage::kTrashNode));
        } else {
            QVERIFY(menuAction(command)->isEnabled());
            menuAction(command)->trigger();
            QVERIFY(test::waitForSend(*m_window));
        }
        QCOMPARE(rowOfKey(key), -1);
        QCOMPARE(test::preview(*m_window)->location(), QStringLiteral("about:blank"));
    }

    void previewLoadsNothingButItsPage()
    {
        openWindow();
        PreviewBrowser* pane = test::preview(*m_window);
        const QStringList refused{QStringLiteral("http://example.jp/track.gif"), QStringLiteral("https://example.jp/a.css"),
                                  QStringLiteral("file:///etc/passwd")};
        for (const QString& url : refused)
            QVERIFY2(pane->loadResource(QTextDocument::ImageResource, QUrl(url)).isNull(), qPrintable(url));
    }

    void longPreviewIsAppendedInPieces_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<int>("quotedLine"); // a line to find green, or -1
        const auto lines = [](int count, const std::function<QString(int)>& line) {
            QStringList texts;
            for (int i = 0; i < count; ++i)
                texts.append(line(i));
            return texts.join(QStringLiteral("\r\n"));
        };
        QTest::newRow("plain lines") << lines(1000, [](int i) { return QStringLiteral("本文の行 %1").arg(i); }) << -1;
        QTest::newRow("empty lines at the cuts")
            << lines(1200, [](int i) { return (i % 400 >= 398 || i % 400 <= 1) ? QString() : QStringLiteral("行 %1").arg(i); })
            << -1;
        QTest::newRow("quote run across a cut")
            << lines(900, [](int i) {
                   return i >= 390 && i < 420 ? QStringLiteral("> quoted %1").arg(i) : QStringLiteral("行 %1").arg(i);
               })
            << 405;
        QTest::newRow("links on every line")
            << lines(900, [](int i) { return QStringLiteral("see http://example.jp/%1 or a%1@example.jp").arg(i); }) << -1;
    }

    void longPreviewIsAppendedInPieces()
    {
        QFETCH(QString, body);
        QFETCH(int, quotedLine);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("FumiMail.htm"));
        test::writeBytes(file, mailview::encodePreviewPage(mailview::renderPreviewPage(body, {})));
        PreviewBrowser pane;
        pane.showPreviewPage(file);
        QVERIFY(pane.isFilling());
        QTRY_VERIFY(!pane.isFilling());
        QString expected = body;
        expected.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        QCOMPARE(pane.toPlainText(), expected);
        if (quotedLine >= 0) {
            const QTextCursor found = pane.document()->find(QStringLiteral("quoted %1").arg(quotedLine));
            QVERIFY(!found.isNull());
            QCOMPARE(found.charFormat().foreground().color(), QColor(Qt::darkGreen));
        }
    }

    void addressPaneListsTheRootEntries()
    {
        const QList<addressbook::AddressEntry> entries{
            {QStringLiteral("Root"), QStringLiteral("山田"), QStringLiteral("yamada@example.jp"), QStringLiteral("上司")},
            {QStringLiteral("Root\\仕事"), QStringLiteral("佐藤"), QStringLiteral("sato@example.jp"), QString()},
            {QStringLiteral("Root"), QStringLiteral("鈴木"), QStringLiteral("suzuki@example.jp"), QString()}};
        QVERIFY(addressbook::SaveAddressBook(m_data->paths().programDir, entries));
        openWindow();
        QAction* toggle = menuAction(QStringLiteral("アドレス表示"));
        QVERIFY(toggle);
        toggle->trigger();
        QTreeWidget* pane = test::addressList(*m_window);
        QVERIFY(pane->isVisible());
        QCOMPARE(pane->topLevelItemCount(), 2);
        QCOMPARE(pane->topLevelItem(0)->text(0), QStringLiteral("山田"));
        QCOMPARE(pane->topLevelItem(0)->text(1), QStringLiteral("上司"));
        QCOMPARE(pane->topLevelItem(0)->data(0, Qt::UserRole).toString(), QStringLiteral("yamada@example.jp"));
        QCOMPARE(pane->topLevelItem(1)->text(0), QStringLiteral("鈴木"));
        toggle->trigger();
        QVERIFY(!pane->isVisible());
    }

    void sendAllEmptiesTheOutbox()
    {
        if (!m_smtpUp)
            QSKIP("no SMTP fixture");
        m_servers.takeReceived();
        queueOutgoing(QStringLiteral("20240102-101010.txt"), QStringLiteral("b@example.jp"), QStringLiteral("送信待ち"));
        openWindow();
        pointAtSmtp();
        selectFolder(QStringLiteral("送信BOX"));
        QCOMPARE(model()->rowCount(), 1);

        QAction* sendAll = menuAction(QStringLiteral("全て送信(&S)"));
        QVERIFY(sendAll);
        sendAll->trigger();
        QVERIFY(test::waitForSend(*m_window));

        QCOMPARE(m_servers.takeReceived().size(), 1);
        QVERIFY(MainWindowData::section(m_data->outgoingIndex(), QStringLiteral("送信BOX")).isEmpty());
        QCOMPARE(model()->rowCount(), 0);
        const auto* notice = m_window->findChild<SendingNoticeWindow*>(QStringLiteral("frmMessage"));
        QCOMPARE(notice->shownCount(), 1);
        QCOMPARE(notice->text(), QStringLiteral("送信中"));
        QVERIFY(!notice->isVisible());
        QVERIFY(m_prompts->messages.isEmpty());
    }

    void sendSelectedSendsTheChosenRows()
    {
        if (!m_smtpUp)
            QSKIP("no SMTP fixture");
        m_servers.takeReceived();
        queueOutgoing(QStringLiteral("20240102-101010.txt"), QStringLiteral("b@example.jp"), QStringLiteral("一通目"));
        queueOutgoing(QStringLiteral("20240102-101011.txt"), QStringLiteral("c@example.jp"), QStringLiteral("二通目"));
        QStringList outbox = MainWindowData::section(m_data->outgoingIndex(), QStringLiteral("送信BOX"));
        outbox.append(QStringLiteral("20240102-101011.txt=000\tc@example.jp\t二通目\t20240102-101011"));
        storage::IniWriteSection(QStringLiteral("送信BOX"), m_data->outgoingIndex(), outbox);
        openWindow();
        pointAtSmtp();
        selectFolder(QStringLiteral("送信BOX"));
        clickRow(rowOfKey(QStringLiteral("20240102-101011.txt")));

        QMenu* popup = m_window->findChild<QMenu*>(QStringLiteral("POPUPlsvmail"));
        popup->popup(QPoint(0, 0));
        popup->close();
        QAction* sendSelected = menuAction(QStringLiteral("送信(選択したもの)"));
        QVERIFY(sendSelected && sendSelected->isEnabled());
        sendSelected->trigger();
        QVERIFY(test::waitForSend(*m_window));

        const QList<test::ReceivedMail> sent = m_servers.takeReceived();
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent.first().envelope.value(QStringLiteral("rcpt_tos")).toArray().first().toString(),
                 QStringLiteral("c@example.jp"));
        QCOMPARE(MainWindowData::section(m_data->outgoingIndex(), QStringLiteral("送信BOX")).size(), 1);
        QCOMPARE(model()->rowCount(), 1);
    }

    // A send goes on between the window's events, not with them inside it: a timer comes from
    // the window's own loop, and a second send or closing asked for meanwhile is turned away.
    void commandsDuringASendAreTurnedAway()
    {
        if (!m_smtpUp)
            QSKIP("no SMTP fixture");
        m_servers.takeReceived();
        queueOutgoing(QStringLiteral("20240102-101010.txt"), QStringLiteral("b@example.jp"), QStringLiteral("送信待ち"));
        openWindow();
        pointAtSmtp();
        QAction* sendAll = menuAction(QStringLiteral("全て送信(&S)"));
        bool inCommand = true;
        std::optional<bool> timerRanInCommand;
        QTimer::singleShot(0, [&] { timerRanInCommand = inCommand; });
        sendAll->trigger();
        inCommand = false;
        sendAll->trigger();
        QVERIFY(!m_window->close());
        QVERIFY(test::waitForSend(*m_window));
        QCOMPARE(timerRanInCommand, std::optional<bool>(false));
        QCOMPARE(m_servers.takeReceived().size(), 1);
        const QString refused = QStringLiteral("現在送信中のため、完了した後に再度実行してください");
        QCOMPARE(m_prompts->messages.size(), 2);
        QCOMPARE(m_prompts->messages.at(0).text, refused);
        QCOMPARE(m_prompts->messages.at(1).text, refused);
    }

    void receiveEndsInTheUnreadView()
    {
        if (!m_pop3Up)
            QSKIP("no POP3 fixture (needs root)");
        QVERIFY(m_servers.seedMailbox(QStringLiteral("taro"), {MailServers::seedMessage(QStringLiteral("1.eml"))}));
        openWindow();
        pointAtPop3();
        selectFolder(QStringLiteral("ごみ箱"));
        const int before = MainWindowData::section(m_data->receivedIndex(), QStringLiteral("標準BOX")).size();

        QSignalSpy newMail(&m_window->controller(), &MainController::newMailArrived);
        QAction* receive = menuAction(QStringLiteral("受信(&P)"));
        QVERIFY(receive);
        receive->trigger(); // method 1 from the account's settings: receive, keep on the server
        QTRY_VERIFY_WITH_TIMEOUT(!controller().receiver().isRunning(), 20000);
        QVERIFY2(m_prompts->messages.isEmpty(), qPrintable(m_prompts->messages.value(0).text));
        QCOMPARE(m_prompts->status.value(1), QStringLiteral("新着メールあり"));

        QCOMPARE(MainWindowData::section(m_data->receivedIndex(), QStringLiteral("標準BOX")).size(), before + 1);
        QCOMPARE(newMail.count(), 1);
        QCOMPARE(controller().folderView().folderKey(), storage::FixedFolder::Unread);
        QCOMPARE(test::selectedTreeKey(*m_window), storage::FixedFolder::Unread);
        QCOMPARE(model()->rowCount(), 3); // m1, m3 and the new one
        const auto* progress = m_window->findChild<ReceiveProgressDialog*>(QStringLiteral("frmPOPDialog"));
        QCOMPARE(progress->shownCount(), 1);
        QVERIFY(!progress->isVisible());
        QVERIFY(m_prompts->messages.isEmpty());
    }

    void receiveThenSendRunsOneAfterTheOther()
    {
        if (!m_pop3Up || !m_smtpUp)
            QSKIP("no mail server fixtures");
        m_servers.takeReceived();
        QVERIFY(m_servers.seedMailbox(QStringLiteral("taro"), {MailServers::seedMessage(QStringLiteral("1.eml"))}));
        queueOutgoing(QStringLiteral("20240102-101010.txt"), QStringLiteral("b@example.jp"), QStringLiteral("送信待ち"));
        openWindow();
        pointAtPop3();
        pointAtSmtp();

        QAction* both = menuAction(QStringLiteral("送受信（受信してから全て送信）"));
        QVERIFY(both);
        both->trigger();
        // Send all starts only once the receive has released the guard, so nothing is refused.
        QTRY_VERIFY_WITH_TIMEOUT(!controller().receiver().isRunning(), 20000);
        QTRY_VERIFY(MainWindowData::section(m_data->outgoingIndex(), QStringLiteral("送信BOX")).isEmpty());
        QVERIFY(test::waitForSend(*m_window));
        QVERIFY2(m_prompts->messages.isEmpty(), qPrintable(m_prompts->messages.value(0).text));
        QCOMPARE(m_servers.takeReceived().size(), 1);
        QVERIFY(MainWindowData::section(m_data->outgoingIndex(), QStringLiteral("送信BOX")).isEmpty());
        QCOMPARE(controller().folderView().folderKey(), storage::FixedFolder::Unread);
        QCOMPARE(model()->rowCount(), 3);
        QVERIFY2(m_prompts->messages.isEmpty(), qPrintable(m_prompts->messages.value(0).text));
    }

    void automaticReceiveRunsEveryFewMinutes()
    {
        if (!m_pop3Up)
            QSKIP("no POP3 fixture (needs root)");
        QVERIFY(m_servers.seedMailbox(QStringLiteral("taro"), {MailServers::seedMessage(QStringLiteral("1.eml"))}));
        const QString userFile = taro().userFile;
        storage::IniWriteString(QStringLiteral("Kankyou"), QStringLiteral("AutoPOP"), QStringLiteral("1"), userFile);
        storage::IniWriteString(QStringLiteral("Kankyou"), QStringLiteral("AutoPOPTime"), QStringLiteral("2"), userFile);
        openWindow();
        pointAtPop3();
        QVERIFY(controller().timers().isAutoReceiveArmed()); // armed from the start, not only after a switch

        controller().timers().autoReceiveTick();
        QVERIFY(!controller().receiver().isRunning());
        QCOMPARE(m_prompts->status.value(1), QString());
        controller().timers().autoReceiveTick(); // the second minute
        QTRY_VERIFY_WITH_TIMEOUT(!controller().receiver().isRunning(), 20000);
        QCOMPARE(m_prompts->status.value(1), QStringLiteral("新着メールあり"));
        QCOMPARE(controller().timers().counter().minutes(), qint16(0));
    }

    void wrongPasswordIsReported()
    {
        if (!m_pop3Up)
            QSKIP("no POP3 fixture (needs root)");
        openWindow();
        pointAtPop3();
        controller().session().properties().password = QStringLiteral("wrong");
        menuAction(QStringLiteral("受信(&P)"))->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(m_prompts->status.value(1), QStringLiteral("エラー"), 20000);
        QTRY_VERIFY(!m_prompts->messages.isEmpty());
        QVERIFY(!controller().receiver().isRunning());
    }
};

QTEST_MAIN(TestMainWindowWiring)
#include "test_main_window_wiring.moc"
