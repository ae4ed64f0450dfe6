// The settings dialogs reached from the main window: the first start from an empty data
// directory to received mail, the account manager and environment sequences, the font chooser.
// POP3 runs against the Dovecot fixture (root only).
#include "DialogDriving.h"
#include "MailServers.h"
#include "MainWindowFixture.h"

#include "mainwin/MainViews.h"
#include "mainwin/MainWindow.h"
#include "mainwin/core/MailTableModel.h"
#include "platform/Cp932.h"
#include "settings/NumberBox.h"
#include "storage/DataDirectory.h"
#include "storage/ProfileStore.h"
#include "support/RecordingPrompts.h"
#include "support/TestFiles.h"
#include "transfer/Receiving.h"

#include <QCheckBox>
#include <QComboBox>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

using namespace fumibako;
using namespace fumibako::test;
using mainwin::MainWindow;

class TestSettingsFlows : public QObject {
    Q_OBJECT

    MailServers m_servers;
    bool m_pop3Up = false;
    std::unique_ptr<RecordingPrompts> m_prompts;
    std::unique_ptr<MainWindow> m_window;

    QAction* menuAction(const QString& text) const
    {
        for (QAction* action : m_window->findChildren<QAction*>()) {
            if (action->text() == text)
                return action;
        }
        return nullptr;
    }

    static void fillNewAccount(QDialog* dialog, const QString& name, quint16 port, int securityChoice)
    {
        const auto type = [dialog](const char* box, const QString& text) {
            auto* edit = named<QLineEdit>(dialog, box);
            edit->setFocus();
            typeText(edit, text);
        };
        type("txtUserName", name);
        type("txtAccName", QStringLiteral("taro"));
        type("txtMailA", QStringLiteral("taro@example.jp"));
        type("txtPOP", QStringLiteral("127.0.0.1"));
        type("txtName", QStringLiteral("太郎"));
        type("txtPass", QStringLiteral("secret"));
        click(named<QCheckBox>(dialog, "chkPOP"));
        retype(named<settings::NumberBox>(dialog, "txtPOPport"), QString::number(port));
        auto* security = named<QComboBox>(dialog, "cmbPOPSecurity");
        security->setFocus();
        for (int i = 0; i < securityChoice; ++i)
            QTest::keyClick(security, Qt::Key_Down);
        click(named<QPushButton>(dialog, "cmdAOK"));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QString error;
        m_pop3Up = m_servers.start(MailServers::Pop3, &error);
        if (!m_pop3Up)
            qWarning("mail server fixture: %s", qPrintable(error));
        m_servers.useInThisProcess(5);
    }

    void init() { m_prompts = std::make_unique<RecordingPrompts>(); }
    void cleanup() { m_window.reset(); }

    void firstStartEndsInTheUnreadViewWithReceivedMail()
    {
        if (!m_pop3Up)
            QSKIP("no POP3 fixture (needs root)");
        QVERIFY(m_servers.seedMailbox(QStringLiteral("taro"), MailServers::seedMessages()));
        QTemporaryDir data;
        QTemporaryDir work;
        const auto paths = storage::ProgramPaths::make(data.path(), work.path());
        storage::prepareProgramDir(paths);

        // The account is set up to insist on STARTTLS: the receive below runs encrypted.
        whenModalShown(QStringLiteral("frmAccount"), [this](QDialog* dialog) {
            fillNewAccount(dialog, QStringLiteral("taro"), m_servers.pop3Port(), 2);
        });
        whenModalShown(QStringLiteral("frmKankyou"), [](QDialog* dialog) {
            click(named<QCheckBox>(dialog, "chKanKidou"));
            click(named<QRadioButton>(dialog, "opKanJu1"));
            click(named<QPushButton>(dialog, "cmdOk"));
        });
        m_window = std::make_unique<MainWindow>(paths, m_prompts.get());
        QVERIFY(m_window->loadSequence());
        QCOMPARE(test::accountBox(*m_window)->currentText(), QStringLiteral("taro"));
        QCOMPARE(readBytes(paths.registryFile),
                 cp932Lines(QStringLiteral("[AName]\nCount=1\n0=taro\n[Sort]\nSortKey=5\nSortOrder=1\n")));
        QStringList security;
        storage::IniGetSection(QStringLiteral("Security"), paths.programDir + QStringLiteral("taro.ini"), security);
        QCOMPARE(security.first(), QStringLiteral("POP3Security=2"));

        m_window->show();
        m_window->afterShown(QString()); // receives at start, as the environment settings asked
        QTRY_VERIFY_WITH_TIMEOUT(!m_window->controller().receiver().isRunning(), 20000);
        QVERIFY2(m_prompts->messages.isEmpty(), qPrintable(m_prompts->messages.value(0).text));
        QCOMPARE(m_window->controller().folderView().folderKey(), storage::FixedFolder::Unread);
        QCOMPARE(m_window->controller().mailModel()->rowCount(), 3);
        QVERIFY(m_servers.pop3Log().contains(QStringLiteral("TLS")));
    }

    void receiveOverImplicitTlsSetUpInTheAccountManager()
    {
        if (!m_pop3Up)
            QSKIP("no POP3 fixture (needs root)");
        QVERIFY(m_servers.seedMailbox(QStringLiteral("taro"), {MailServers::seedMessage(QStringLiteral("2.eml"))}));
        MainWindowData data;
        openMainWindow(data.paths(), m_prompts.get(), m_window);
        whenModalShown(QStringLiteral("frmAccount"), [this](QDialog* dialog) {
            click(named<QPushButton>(dialog, "cmdHen"));
            retype(named<QLineEdit>(dialog, "txtAccName"), QStringLiteral("taro"));
            retype(named<QLineEdit>(dialog, "txtPOP"), QStringLiteral("127.0.0.1"));
            retype(named<QLineEdit>(dialog, "txtPass"), QStringLiteral("secret"));
            click(named<QCheckBox>(dialog, "chkPOP"));
            retype(named<settings::NumberBox>(dialog, "txtPOPport"), QString::number(m_servers.pop3sPort()));
            auto* security = named<QComboBox>(dialog, "cmbPOPSecurity");
            security->setFocus();
            QTest::keyClick(security, Qt::Key_Down); // "SSL/TLS" on a port that is not 995
            click(named<QPushButton>(dialog, "cmdAOK"));
        });
        menuAction(QStringLiteral("アカウント(&A)"))->trigger();
        QCOMPARE(m_window->controller().session().properties().security.pop3.mode,
                 platform::mail::ConnectionSecurity::Tls);

        menuAction(QStringLiteral("受信(&P)"))->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!m_window->controller().receiver().isRunning(), 20000);
        QVERIFY2(m_prompts->messages.isEmpty(), qPrintable(m_prompts->messages.value(0).text));
        QCOMPARE(m_window->controller().folderView().folderKey(), storage::FixedFolder::Unread);
        QCOMPARE(m_window->controller().mailModel()->rowCount(), 3); // the fixture's two unread and the new one
    }

    void firstStartWithoutAnAccountEndsQuietly()
    {
        QTemporaryDir data;
        QTemporaryDir work;
        const auto paths = storage::ProgramPaths::make(data.path(), work.path());
        storage::prepareProgramDir(paths);
        whenModalShown(QStringLiteral("frmAccount"), [](QDialog* dialog) {
            QCOMPARE(named<QPushButton>(dialog, "cmdACan")->text(), QStringLiteral("閉じる"));
            click(named<QPushButton>(dialog, "cmdACan"));
        });
        m_window = std::make_unique<MainWindow>(paths, m_prompts.get());
        QVERIFY(!m_window->loadSequence());
        QVERIFY(m_prompts->messages.isEmpty());
        QVERIFY(!QFileInfo::exists(paths.programDir + QStringLiteral("taro.ini")));
    }

    void accountManagerOpensTheAccountShownLast()
    {
        MainWindowData data;
        const QString hanako = data.paths().programDir + QStringLiteral("hanako.ini");
        storage::IniWriteString(QStringLiteral("Kankyou"), QStringLiteral("AutoPOP"), QStringLiteral("1"), hanako);
        openMainWindow(data.paths(), m_prompts.get(), m_window);
        QCOMPARE(m_window->controller().session().accountName(), QStringLiteral("taro"));
        bool armedWhileShown = true;
        whenModalShown(QStringLiteral("frmAccount"), [this, &armedWhileShown](QDialog* dialog) {
            armedWhileShown = m_window->controller().timers().isAutoReceiveArmed();
            auto* accounts = named<QComboBox>(dialog, "cmbUser");
            QCOMPARE(accounts->currentText(), QStringLiteral("taro"));
            accounts->setFocus();
            QTest::keyClick(accounts, Qt::Key_Down);
            click(named<QPushButton>(dialog, "cmdACan"));
        });
        menuAction(QStringLiteral("アカウント(&A)"))->trigger();
        QVERIFY(!armedWhileShown);
        QCOMPARE(m_window->controller().session().accountName(), QStringLiteral("hanako"));
        QCOMPARE(test::accountBox(*m_window)->currentText(), QStringLiteral("hanako"));
        QVERIFY(m_window->controller().timers().isAutoReceiveArmed()); // hanako receives automatically
    }

    void environmentSettingsFromTheMenu()
    {
        MainWindowData data;
        openMainWindow(data.paths(), m_prompts.get(), m_window);
        QVERIFY(!test::mailList(*m_window)->showGrid());
        whenModalShown(QStringLiteral("frmKankyou"), [](QDialog* dialog) {
            click(named<QCheckBox>(dialog, "chkGrid"));
            click(named<QRadioButton>(dialog, "opKanJu2"));
            click(named<QCheckBox>(dialog, "chkanAuto"));
            retype(named<settings::NumberBox>(dialog, "txtAuto"), QStringLiteral("2"));
            click(named<QPushButton>(dialog, "cmdOk"));
        });
        menuAction(QStringLiteral("環境設定(&K)"))->trigger();
        QVERIFY(test::mailList(*m_window)->showGrid());
        QCOMPARE(m_window->controller().receiveMethod(), storage::ReceiveMethod::ReceiveAndDelete);
        QVERIFY(menuAction(QStringLiteral("受信＆消去(&D)"))->isChecked());
        QVERIFY(m_window->controller().timers().isAutoReceiveArmed()); // re-armed with the new setting
        QCOMPARE(m_window->controller().session().environment().autoReceiveMinutes, qint16(2));
    }

    void deletingTheLastAccountStartsOverAndEnds()
    {
        QTemporaryDir data;
        QTemporaryDir work;
        const auto paths = storage::ProgramPaths::make(data.path(), work.path());
        storage::prepareProgramDir(paths);
        writeBytes(paths.registryFile, cp932Lines(QStringLiteral("[AName]\nCount=1\n0=solo\n")));
        writeBytes(paths.programDir + QStringLiteral("solo.ini"), cp932Lines(QStringLiteral("[Property]\nAccName=solo\n")));
        openMainWindow(paths, m_prompts.get(), m_window);
        m_window->controller().session().folderTree().addFolder(1); // a changed tree would be saved on a switch
        m_prompts->answerNext(platform::Answer::Yes);
        whenModalShown(QStringLiteral("frmAccount"), [](QDialog* dialog) {
            click(named<QPushButton>(dialog, "cmdDel"));
            // The first start again: the account manager without accounts; closed, the program ends.
            whenModalShown(QStringLiteral("frmAccount"), [](QDialog* again) {
                QVERIFY(!named<QComboBox>(again, "cmbUser")->isVisible());
                click(named<QPushButton>(again, "cmdACan"));
            });
        });
        menuAction(QStringLiteral("アカウント(&A)"))->trigger();
        QTRY_VERIFY(!m_window->isVisible());
        QVERIFY(!QFileInfo::exists(paths.programDir + QStringLiteral("solo.ini")));
        QCOMPARE(readBytes(paths.registryFile), cp932Lines(QStringLiteral("[AName]\nCount=0\n[Sort]\nSortKey=5\nSortOrder=1\n")));
    }

    void previewTakesTheChosenFontAtOnce()
    {
        MainWindowData data;
        openMainWindow(data.paths(), m_prompts.get(), m_window);
        selectFolder(*m_window, QStringLiteral("標準BOX"));
        mainwin::MailListView* list = test::mailList(*m_window);
        const QRect rect = list->visualRect(m_window->controller().mailModel()->index(0, mainwin::kSubjectColumn));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
        const auto page = [&] { return platform::decodeCp932(readBytes(data.paths().previewFile)); };
        QVERIFY(page().contains(QStringLiteral("size=\"\"")));

        menuAction(QStringLiteral("フォント(&F)"))->trigger();
        auto* dialog = m_window->findChild<QDialog*>(QStringLiteral("frmFont"));
        QVERIFY(dialog && dialog->isVisible() && !dialog->isModal());
        auto* sizes = named<QListView>(dialog, "lstSize");
        QTest::mouseClick(sizes->viewport(), Qt::LeftButton, {}, sizes->visualRect(sizes->model()->index(6, 0)).center());
        click(named<QPushButton>(dialog, "cmdOK"));
        QVERIFY(page().contains(QStringLiteral("size=\"6\"")));
        QCOMPARE(storage::IniGetString(QStringLiteral("Font"), QStringLiteral("MainSize"), 10, data.registryFile()),
                 QStringLiteral("6"));
    }
};

QTEST_MAIN(TestSettingsFlows)
#include "test_settings_flows.moc"
