// The server mail list window and its search-word editor, opened from the main window, against
// the real Dovecot of the fixtures and a misbehaving server.
#include "MailServers.h"
#include "MainWindowFixture.h"

#include "mainwin/MainWindow.h"
#include "mainwin/core/MainTimers.h"
#include "storage/ProfileStore.h"
#include "support/ModalAnswers.h"
#include "support/RecordingPrompts.h"
#include "transfer/Receiving.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMainWindow>
#include <QDialog>
#include <QDir>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTest>
#include <QTreeView>

#include <memory>

using namespace fumibako;
using fumibako::platform::Answer;
using fumibako::test::MailServers;
using fumibako::test::MainWindowData;
using fumibako::test::RecordingPrompts;

namespace {

const QString kTaro = QStringLiteral("taro");

// Message n of a generated mailbox: subjects mix "Invoice" cases and Japanese.
QByteArray generatedMessage(int n)
{
    const QString subject = n % 3 == 0   ? QStringLiteral("Invoice %1 請求書").arg(n)
                            : n % 3 == 1 ? QStringLiteral("INVOICE no.%1").arg(n)
                                         : QStringLiteral("会議 %1").arg(n);
    return "From: sender" + QByteArray::number(n % 4) + "@example.jp\r\nTo: taro@example.jp\r\nSubject: =?UTF-8?B?"
        + subject.toUtf8().toBase64() + "?=\r\nDate: Mon, 0" + QByteArray::number(1 + n % 5)
        + " Apr 2024 21:00:00 +0900\r\nMessage-ID: <gen-" + QByteArray::number(n) + "@example.jp>\r\n\r\nbody "
        + QByteArray::number(n) + "\r\n";
}

QList<QByteArray> generatedMailbox(int count)
{
    QList<QByteArray> messages;
    for (int n = 1; n <= count; ++n)
        messages.append(generatedMessage(n));
    return messages;
}

} // namespace

class TestServerListWindow : public QObject {
    Q_OBJECT

    MailServers m_servers;
    std::unique_ptr<MainWindowData> m_data;
    std::unique_ptr<RecordingPrompts> m_prompts;
    std::unique_ptr<mainwin::MainWindow> m_main;
    QPointer<QMainWindow> m_list;

    template <typename T>
    T* child(const QString& name) const
    {
        T* found = m_list->findChild<T*>(name);
        if (!found)
            qWarning("no child %s", qPrintable(name));
        return found;
    }
    QTreeView* list(int which) const { return child<QTreeView>(QStringLiteral("lsvList%1").arg(which)); }
    QString listStatus() const { return m_list->findChild<QStatusBar*>()->findChild<QLabel*>()->text(); }
    QStringList column(int which, int column) const
    {
        QStringList texts;
        const QAbstractItemModel* model = list(which)->model();
        for (int row = 0; row < model->rowCount(); ++row)
            texts.append(model->index(row, column).data().toString());
        return texts;
    }
    QList<QByteArray> mailbox() const { return m_servers.mailbox(kTaro); }
    QStringList filed() const { return MainWindowData::section(m_data->receivedIndex(), QStringLiteral("標準BOX")); }

    void pointAt(const QString& server, quint16 port)
    {
        storage::AccountProperties& account = m_main->controller().session().properties();
        account.pop3Server = server;
        account.popPortGiven = 1;
        account.popPort = port;
        account.loginName = kTaro;
        account.password = QStringLiteral("secret");
    }

    QAction* mainAction(const QString& text) const
    {
        for (QAction* action : m_main->findChildren<QAction*>()) {
            if (action->text() == text)
                return action;
        }
        return nullptr;
    }

    // Opens the list window from the main window's menu and waits until the list was fetched.
    void openList()
    {
        QAction* open = mainAction(QStringLiteral("メールリスト(&L)"));
        QVERIFY(open);
        open->trigger();
        m_list = test::topLevelNamed<QMainWindow>(QStringLiteral("frmList"));
        QVERIFY(m_list);
        QVERIFY(m_list->isVisible());
        QCOMPARE(m_list->windowTitle(), QStringLiteral("メールリスト"));
        QCOMPARE(m_list->windowModality(), Qt::ApplicationModal);
        waitUntilIdle();
    }

    void waitUntilIdle() { QTRY_VERIFY_WITH_TIMEOUT(!m_main->controller().receiver().isRunning(), 20000); }

    void selectRows(int which, const QList<int>& rows)
    {
        QTreeView* view = list(which);
        view->clearSelection();
        for (int row : rows)
            view->selectionModel()->select(view->model()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        if (!rows.isEmpty())
            view->selectionModel()->setCurrentIndex(view->model()->index(rows.first(), 0), QItemSelectionModel::NoUpdate);
    }

    void search(const QString& text, const QList<bool>& columns, bool reverse)
    {
        for (int k = 0; k < 3; ++k)
            child<QCheckBox>(QStringLiteral("chkSearch%1").arg(k))->setChecked(columns.at(k));
        child<QCheckBox>(QStringLiteral("chkGyaku"))->setChecked(reverse);
        QComboBox* box = child<QComboBox>(QStringLiteral("cmbSearch"));
        box->setEditText(text);
        QTest::keyClick(box->lineEdit(), Qt::Key_Return);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QString error;
        if (!m_servers.start(MailServers::Pop3, &error))
            QSKIP(qPrintable(error));
        m_servers.useInThisProcess(3);
    }

    void init()
    {
        m_data = std::make_unique<MainWindowData>();
        m_prompts = std::make_unique<RecordingPrompts>();
        const QString userFile = m_data->paths().programDir + QStringLiteral("taro.ini");
        storage::IniWriteString(QStringLiteral("Kankyou"), QStringLiteral("AutoPOP"), QStringLiteral("1"), userFile);
    }

    void cleanup()
    {
        if (m_list && m_list->isVisible())
            m_list->close();
        m_list = nullptr;
        m_main.reset();
        m_prompts.reset();
        m_data.reset();
    }

    void cleanupTestCase() { m_servers.stop(); }

    void listsEveryMessage()
    {
        QVERIFY(m_servers.seedMailbox(kTaro, generatedMailbox(300)));
        test::openMainWindow(m_data->paths(), m_prompts.get(), m_main);
        pointAt(QStringLiteral("127.0.0.1"), m_servers.pop3Port());
        QVERIFY(m_main->controller().timers().isAutoReceiveArmed());
        openList();
        QVERIFY(!m_main->controller().timers().isAutoReceiveArmed());
        QCOMPARE(list(0)->model()->rowCount(), 300);
        QVERIFY(list(0)->isVisible() && !list(1)->isVisible());
        QVERIFY(child<QRadioButton>(QStringLiteral("opHako0"))->isChecked());
        QCOMPARE(column(0, 0).last(), QStringLiteral("300"));
        QCOMPARE(column(0, 1).at(299), QStringLiteral("Invoice 300 請求書"));
        QCOMPARE(column(0, 2).at(299), QStringLiteral("sender0@example.jp"));
        QCOMPARE(listStatus(), QStringLiteral("リスト取得中"));
        QCOMPARE(m_prompts->status.value(1), QString());
        bool labelShown = false;
        for (QLabel* label : m_list->findChildren<QLabel*>())
            labelShown |= label->text() == QStringLiteral("256件まで表示できます　Delキーでリストから削除できます");
        QVERIFY(labelShown);
        QVERIFY2(m_prompts->messages.isEmpty(), qPrintable(m_prompts->messages.value(0).text));

        // The last row is message 300 on the server.
        selectRows(0, {299});
        m_prompts->answerNext(Answer::Yes);
        child<QAction>(QStringLiteral("mnuSSen3"))->trigger();
        waitUntilIdle();
        QCOMPARE(mailbox().size(), 299);
        QCOMPARE(mailbox().last(), generatedMessage(299));

        QVERIFY(m_list->close());
        QVERIFY(m_main->controller().timers().isAutoReceiveArmed());
    }

    void search_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<bool>>("columns");
        QTest::addColumn<bool>("reverse");
        QTest::addColumn<QStringList>("numbers"); // of the visible list afterwards
        QTest::addColumn<int>("visible");
        QTest::addColumn<QString>("status");
        const QStringList all{"1", "2", "3", "4", "5", "6"};
        QTest::newRow("subject, any case") << "invoice" << QList<bool>{true, false, false} << false
                                           << QStringList{"1", "3", "4", "6"} << 1 << "見つかりました";
        QTest::newRow("reverse") << "invoice" << QList<bool>{true, false, false} << true << QStringList{"2", "5"} << 1
                                 << "見つかりました";
        QTest::newRow("sender") << "SENDER1@" << QList<bool>{false, true, false} << false << QStringList{"1", "5"} << 1
                                << "見つかりました";
        QTest::newRow("date") << "2024/04/03" << QList<bool>{false, false, true} << false << QStringList{"2"} << 1
                              << "見つかりました";
        QTest::newRow("nothing found") << "請求書X" << QList<bool>{true, true, true} << false << QStringList{} << 1
                                       << "見つかりませんでした";
        QTest::newRow("no column checked") << "invoice" << QList<bool>{false, false, false} << false << all << 0
                                           << "チェックしてください";
        QTest::newRow("no text") << "" << QList<bool>{true, true, false} << false << all << 0
                                 << "検索する文字を入力してください";
    }
    void search()
    {
        QFETCH(QString, text);
        QFETCH(QList<bool>, columns);
        QFETCH(bool, reverse);
        QFETCH(int, visible);
        QVERIFY(m_servers.seedMailbox(kTaro, generatedMailbox(6)));
        test::openMainWindow(m_data->paths(), m_prompts.get(), m_main);
        pointAt(QStringLiteral("127.0.0.1"), m_servers.pop3Port());
        openList();
        search(text, columns, reverse);
        QTEST(column(visible, 0), "numbers");
        QVERIFY(list(visible)->isVisible() && !list(1 - visible)->isVisible());
        QVERIFY(child<QRadioButton>(QStringLiteral("opHako%1").arg(visible))->isChecked());
        QTEST(listStatus(), "status");
        QCOMPARE(list(0)->model()->rowCount(), 6);
        // The option buttons switch between the lists.
        child<QRadioButton>(QStringLiteral("opHako0"))->click();
        QVERIFY(list(0)->isVisible() && !list(1)->isVisible());
    }

    void selectiveCommands_data()
    {
        QTest::addColumn<int>("element");
        QTest::addColumn<QList<int>>("rows");
        QTest::addColumn<QString>("question");
        QTest::addColumn<QList<int>>("left"); // message numbers left on the server
        QTest::addColumn<int>("filed");
        QTest::addColumn<QString>("closing");
        QTest::newRow("receive 2-4 and 6") << 1 << QList<int>{1, 2, 3, 5} << "表示している全てのメールを受信します"
                                           << QList<int>{1, 2, 3, 4, 5, 6} << 4 << "メールを受信しました";
        QTest::newRow("receive and delete 5-6") << 2 << QList<int>{4, 5} << "表示している全てのメールを受信＆削除します"
                                                << QList<int>{1, 2, 3, 4} << 2 << "メールを受信しました";
        QTest::newRow("delete 1, 3-4") << 3 << QList<int>{0, 2, 3} << "表示している全てのメールを削除します"
                                       << QList<int>{2, 5, 6} << 0 << "リスト取得中";
    }
    void selectiveCommands()
    {
        QFETCH(int, element);
        QFETCH(QList<int>, rows);
        QFETCH(QList<int>, left);
        QVERIFY(m_servers.seedMailbox(kTaro, generatedMailbox(6)));
        test::openMainWindow(m_data->paths(), m_prompts.get(), m_main);
        pointAt(QStringLiteral("127.0.0.1"), m_servers.pop3Port());
        openList();
        const int filedBefore = filed().size();
        selectRows(0, rows);
        m_prompts->answerNext(Answer::Yes);
        child<QAction>(QStringLiteral("mnuSSen%1").arg(element))->trigger();
        waitUntilIdle();
        QTRY_COMPARE(list(0)->model()->rowCount(), int(left.size())); // refetched
        QCOMPARE(m_prompts->messages.size(), 1);
        QTEST(m_prompts->messages[0].text, "question");
        QCOMPARE(m_prompts->messages[0].title, QStringLiteral("メールの受信"));
        QCOMPARE(m_prompts->messages[0].icon, platform::Icon::None);
        QList<QByteArray> expected;
        for (int n : left)
            expected.append(generatedMessage(n));
        QCOMPARE(mailbox(), expected);
        QTEST(int(filed().size() - filedBefore), "filed");
        QTEST(listStatus(), "closing");
    }

    void refetchDeleteKeyAndSelectAll()
    {
        QVERIFY(m_servers.seedMailbox(kTaro, generatedMailbox(4)));
        test::openMainWindow(m_data->paths(), m_prompts.get(), m_main);
        pointAt(QStringLiteral("127.0.0.1"), m_servers.pop3Port());
        openList();
        QTreeView* view = list(0);
        view->setFocus();
        QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(view->selectionModel()->selectedRows().size(), 4);
        selectRows(0, {1, 2});
        QTest::keyClick(view, Qt::Key_Delete);
        QCOMPARE(column(0, 0), (QStringList{"1", "4"})); // rows keep their server numbers
        QCOMPARE(mailbox().size(), 4);

        QVERIFY(m_servers.seedMailbox(kTaro, generatedMailbox(5)));
        QTest::mouseClick(child<QPushButton>(QStringLiteral("cmdRe")), Qt::LeftButton);
        waitUntilIdle();
        QCOMPARE(column(0, 0), (QStringList{"1", "2", "3", "4", "5"}));
    }

    void doubleClickReceivesOne()
    {
        QVERIFY(m_servers.seedMailbox(kTaro, generatedMailbox(3)));
        test::openMainWindow(m_data->paths(), m_prompts.get(), m_main);
        pointAt(QStringLiteral("127.0.0.1"), m_servers.pop3Port());
        openList();
        const int filedBefore = filed().size();
        QTreeView* view = list(0);
        const QPoint row2 = view->visualRect(view->model()->index(1, 1)).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, row2);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, row2);
        QMainWindow* read = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((read = test::topLevelNamed<QMainWindow>(QStringLiteral("frmRMail"))) && read->isVisible(),
                                 20000);
        QCOMPARE(read->windowModality(), Qt::ApplicationModal);
        QCOMPARE(read->findChild<QLineEdit*>(QStringLiteral("txtSub"))->text(), QStringLiteral("会議 2"));
        QVERIFY(!read->findChild<QPushButton*>(QStringLiteral("cmdRE"))->isEnabled());
        QVERIFY(!read->findChild<QCheckBox*>(QStringLiteral("chkHon"))->isEnabled());
        QVERIFY(!read->findChild<QAction*>(QStringLiteral("mnuRE"))->isEnabled());
        QCOMPARE(filed().size(), filedBefore + 1);
        QCOMPARE(listStatus(), QString());

        // The receive holds the guard until the read window is closed.
        QVERIFY(!m_list->close());
        QCOMPARE(m_prompts->messages.last().text, QStringLiteral("現在メール受信中のため、この操作は中止します"));
        read->close();
        QVERIFY(read->windowModality() == Qt::NonModal);

        // A message received before is not fetched again, and the list says so.
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, row2);
        waitUntilIdle();
        QTRY_COMPARE(listStatus(), QStringLiteral("すでに受信しているメールでした"));
        QVERIFY(!read->isVisible());
        QCOMPARE(filed().size(), filedBefore + 1);
        QVERIFY(m_list->close());
        QCOMPARE(mailbox().size(), 3);
    }

    void closingIsRefusedDuringAnOperation()
    {
        QVERIFY(m_servers.seedMailbox(kTaro, generatedMailbox(3)));
        test::openMainWindow(m_data->paths(), m_prompts.get(), m_main);
        pointAt(QStringLiteral("127.0.0.1"), m_servers.pop3Port());
        openList();
        QTest::mouseClick(child<QPushButton>(QStringLiteral("cmdRe")), Qt::LeftButton);
        QVERIFY(!m_list->close());
        QVERIFY(m_list->isVisible());
        QCOMPARE(m_prompts->messages.last().text, QStringLiteral("現在リスト取得中のため、この操作は中止します"));
        QVERIFY(!m_main->controller().timers().isAutoReceiveArmed());
        waitUntilIdle();
        QVERIFY(m_list->close());
        QVERIFY(m_main->controller().timers().isAutoReceiveArmed());
    }

    void searchWordsEditedAndKept()
    {
        QVERIFY(m_servers.seedMailbox(kTaro, generatedMailbox(2)));
        const QString userFile = m_data->paths().programDir + QStringLiteral("taro.ini");
        storage::IniWriteSection(QStringLiteral("Search"), userFile, {"Count=2", "0=請求書", "1=会議"});
        test::openMainWindow(m_data->paths(), m_prompts.get(), m_main);
        pointAt(QStringLiteral("127.0.0.1"), m_servers.pop3Port());
        openList();
        QComboBox* box = child<QComboBox>(QStringLiteral("cmbSearch"));
        QCOMPARE(box->count(), 2);
        QCOMPARE(box->itemText(1), QStringLiteral("会議"));
        selectRows(0, {1});

        child<QAction>(QStringLiteral("mnuSearchList"))->trigger();
        QDialog* editor = m_list->findChild<QDialog*>(QStringLiteral("frmListAdd"));
        QVERIFY(editor && editor->isVisible());
        QCOMPARE(editor->windowTitle(), QStringLiteral("検索リスト"));
        QCOMPARE(editor->findChild<QLineEdit*>(QStringLiteral("txtListAdd0"))->text(), QStringLiteral("会議 2"));
        QCOMPARE(editor->findChild<QLineEdit*>(QStringLiteral("txtListAdd1"))->text(), QStringLiteral("sender2@example.jp"));
        QLineEdit* typed = editor->findChild<QLineEdit*>(QStringLiteral("txtList"));
        QTest::keyClick(typed, Qt::Key_Return); // empty: nothing added
        typed->setText(QStringLiteral("見積"));
        QTest::keyClick(typed, Qt::Key_Return);
        QListView* words = editor->findChild<QListView*>(QStringLiteral("lstListAdd"));
        QCOMPARE(words->model()->rowCount(), 3);
        words->setCurrentIndex(words->model()->index(0, 0));
        QTest::keyClick(words, Qt::Key_Delete);
        editor->close();

        QCOMPARE(box->count(), 2);
        QCOMPARE(box->itemText(0), QStringLiteral("会議"));
        QCOMPARE(box->itemText(1), QStringLiteral("見積"));
        QCOMPARE(MainWindowData::section(userFile, QStringLiteral("Search")), (QStringList{"Count=2", "0=会議", "1=見積"}));
        QVERIFY(m_list->close());
        openList();
        QCOMPARE(child<QComboBox>(QStringLiteral("cmbSearch"))->itemText(1), QStringLiteral("見積"));
    }

    void damagedWordCountIsReported()
    {
        QVERIFY(m_servers.seedMailbox(kTaro, generatedMailbox(1)));
        const QString userFile = m_data->paths().programDir + QStringLiteral("taro.ini");
        storage::IniWriteSection(QStringLiteral("Search"), userFile, {"Count=abc", "0=請求書"});
        test::openMainWindow(m_data->paths(), m_prompts.get(), m_main);
        pointAt(QStringLiteral("127.0.0.1"), m_servers.pop3Port());
        openList();
        QCOMPARE(m_prompts->messages.size(), 1);
        QCOMPARE(m_prompts->messages[0].text,
                 QStringLiteral("エラー番号「 13 」\r\nエラーメッセージ 「 検索リストの件数「abc」が数値ではありません 」\r\n\r\n"
                                "のエラーが発生しましたので、処理を中止します\r\nできれば、掲示板で報告してください。お願いします。"));
        QCOMPARE(m_prompts->messages[0].title, QStringLiteral("エラー"));
        QCOMPARE(child<QComboBox>(QStringLiteral("cmbSearch"))->count(), 0);
        QCOMPARE(list(0)->model()->rowCount(), 1); // the list is still fetched
    }

    void serverThatDropsTheConnectionDuringTheList()
    {
        test::BadPop3Server bad;
        QVERIFY(bad.start(QStringLiteral("top-drop")));
        test::openMainWindow(m_data->paths(), m_prompts.get(), m_main);
        pointAt(QStringLiteral("127.0.0.1"), bad.port());
        m_main->controller().session().properties().security.pop3.allowPlainLogin = true;
        openList();
        QCOMPARE(list(0)->model()->rowCount(), 0);
        QCOMPARE(listStatus(), QString());
        QCOMPARE(m_prompts->status.value(1), QString()); // "エラー", then emptied as every refetch ends
        QCOMPARE(m_prompts->messages.size(), 1);
        QVERIFY2(m_prompts->messages[0].text.startsWith(QStringLiteral("POP3 failure")),
                 qPrintable(m_prompts->messages[0].text));
        QVERIFY(m_list->close());
    }

    void serverThatDropsTheConnectionDuringASelectiveCommand()
    {
        // The second message breaks off: the first is filed and deleted, the second stays on the server.
        test::BadPop3Server bad;
        QVERIFY(bad.start(QStringLiteral("truncate")));
        test::openMainWindow(m_data->paths(), m_prompts.get(), m_main);
        pointAt(QStringLiteral("127.0.0.1"), bad.port());
        m_main->controller().session().properties().security.pop3.allowPlainLogin = true;
        openList();
        QCOMPARE(list(0)->model()->rowCount(), 2);
        const int filedBefore = filed().size();
        selectRows(0, {0, 1});
        m_prompts->answerNext(Answer::Yes);
        child<QAction>(QStringLiteral("mnuSSen2"))->trigger();
        waitUntilIdle();
        QTRY_COMPARE(list(0)->model()->rowCount(), 1); // refetched
        QCOMPARE(filed().size(), filedBefore + 1);
        QVERIFY2(m_prompts->messages.last().text.startsWith(QStringLiteral("受信が途中で止まりました。受信できた 1 通は保存しました。")),
                 qPrintable(m_prompts->messages.last().text));
        QVERIFY(bad.log().contains(QStringLiteral("COMMIT uid-1")));
        QVERIFY(!bad.log().contains(QStringLiteral("COMMIT uid-2")));
        const QStringList input = QDir(m_data->paths().programDir + QStringLiteral("MailBox/taro/input")).entryList(QDir::Files);
        QCOMPARE(input.filter(QStringLiteral("tmp")), QStringList());
        QVERIFY(m_list->close());
    }
};

QTEST_MAIN(TestServerListWindow)
#include "test_server_list_window.moc"
