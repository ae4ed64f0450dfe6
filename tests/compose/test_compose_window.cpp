// The compose window on the offscreen platform, opened the ways the main window opens it.
#include "ComposeDriver.h"
#include "MainWindowFixture.h"

#include "addressbook/AddressTable.h"
#include "compose/ComposeHost.h"
#include "compose/core/Signatures.h"
#include "mainwin/MainViews.h"
#include "mainwin/MainWindow.h"
#include "mainwin/core/MailTableModel.h"
#include "platform/SingleInstance.h"
#include "storage/ProfileStore.h"
#include "storage/WindowGeometry.h"
#include "support/RecordingPrompts.h"
#include "support/TestFiles.h"
#include "transfer/OutgoingMailFile.h"

#include <QAction>
#include <QCheckBox>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>

#include <memory>

using namespace fumibako;
using fumibako::test::command;
using fumibako::test::composeWindow;
using fumibako::test::fieldText;
using fumibako::test::MainWindowData;
using fumibako::test::RecordingPrompts;

class TestComposeWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<MainWindowData> m_data;
    std::unique_ptr<RecordingPrompts> m_prompts;
    std::unique_ptr<mainwin::MainWindow> m_window;

    storage::AccountPaths taro() const
    {
        return storage::AccountPaths::make(m_data->paths().programDir, QStringLiteral("taro"));
    }

    void openWindow()
    {
        m_prompts = std::make_unique<RecordingPrompts>();
        test::openMainWindow(m_data->paths(), m_prompts.get(), m_window);
    }

    QMainWindow* newMail()
    {
        for (QAction* action : m_window->findChildren<QAction*>()) {
            if (action->text() == QStringLiteral("新規メール")) {
                action->trigger();
                break;
            }
        }
        return composeWindow(m_window.get());
    }

    void openRow(const QString& folder, const QString& key)
    {
        test::selectFolder(*m_window, folder);
        const auto& rows = m_window->controller().folderView().rows();
        int row = -1;
        for (int i = 0; i < rows.size(); ++i) {
            if (rows.at(i).key() == key)
                row = i;
        }
        QVERIFY(row >= 0);
        test::mailList(*m_window)->setCurrentIndex(m_window->controller().mailModel()->index(row, 0));
        Q_EMIT test::mailList(*m_window)->openRequested();
    }

    void writeSignature(const QString& name, const QString& text)
    {
        const QString mailDir = taro().userMailDir;
        QDir().mkpath(compose::signatureFolder(mailDir));
        QVERIFY(compose::writeSignatureFile(*compose::signatureFilePath(mailDir, name), text));
    }

private Q_SLOTS:
    void init() { m_data = std::make_unique<MainWindowData>(); }

    void cleanup()
    {
        m_window.reset();
        m_prompts.reset();
        m_data.reset();
    }

    void showsEveryControlWithItsTexts()
    {
        openWindow();
        QMainWindow* window = newMail();
        QVERIFY(window);
        QCOMPARE(window->windowTitle(), QStringLiteral("送信フォーム"));
        const QList<std::pair<QString, QString>> buttons{{"cmdSend", "送信"}, {"cmdSBox", "送信BOX行き"},
                                                         {"cmdKanTan", "簡単"}, {"cmdSyomei", "署名"}};
        for (const auto& [name, caption] : buttons)
            QCOMPARE(window->findChild<QPushButton*>(name)->text(), caption);
        QCOMPARE(window->findChild<QPushButton*>(QStringLiteral("cmdSBox"))->toolTip(), QStringLiteral("送信BOXに保存します"));
        QCOMPARE(window->findChild<QPushButton*>(QStringLiteral("cmdKanTan"))->toolTip(),
                 QStringLiteral("To、CC、BCC、添付を簡単に入力できます"));
        QCOMPARE(window->findChild<QLineEdit*>(QStringLiteral("txtFile"))->toolTip(),
                 QStringLiteral("ドラッグアンドドロップをしてください"));
        QCOMPARE(window->findChild<QCheckBox*>(QStringLiteral("chkHozon"))->text(), QStringLiteral("保存"));
        QStringList menus;
        for (QAction* menu : window->menuBar()->actions()) {
            menus.append(menu->text());
            for (QAction* item : menu->menu()->actions())
                menus.append(QStringLiteral("  ") + item->text());
        }
        QCOMPARE(menus, (QStringList{"ファイル(&F)", "  下書き保存(&P)", "  上書き保存(&S)", "  新規", "  ", "  閉じる(&X)",
                                     "編集(&E)", "  フォント(&F)", "ツール(&T)", "  送信(&E)", "  簡単(&E)"}));
        QVERIFY(!window->findChild<QAction*>(QStringLiteral("mnuOverWrite"))->isEnabled());
        // No signature in this account: the list and its button are off.
        QVERIFY(!window->findChild<QComboBox*>(QStringLiteral("cmbSyomei"))->isEnabled());
        QVERIFY(!window->findChild<QPushButton*>(QStringLiteral("cmdSyomei"))->isEnabled());
    }

    void oneWindowIsReusedAndEmptiedForNewMail()
    {
        storage::IniWriteSection(QStringLiteral("RirekiTo"), taro().userFile, {"Count=2", "0=a@example.jp", "1=b@example.jp"});
        openWindow();
        QMainWindow* window = newMail();
        test::fillCompose(window, QStringLiteral("x@example.jp"), QStringLiteral("y@example.jp"), QStringLiteral("z@example.jp"),
                          QStringLiteral("件名"), QStringLiteral("本文"));
        window->findChild<QLineEdit*>(QStringLiteral("txtFile"))->setText(QStringLiteral("/tmp/a"));
        QCOMPARE(newMail(), window);
        for (const char* name : {"cmbTo", "cmbCC", "cmbBCC", "txtSub", "txtBun", "txtFile"})
            QCOMPARE(fieldText(window, QLatin1String(name)), QString());
        auto* to = window->findChild<QComboBox*>(QStringLiteral("cmbTo"));
        QCOMPARE(to->count(), 2);
        QCOMPARE(to->itemText(1), QStringLiteral("b@example.jp"));
        // "新規" of the window itself does the same; emptied so, it closes by "閉じる(&X)" without asking.
        test::fillCompose(window, QStringLiteral("x@example.jp"), {}, {}, QStringLiteral("件名"), {});
        command(window, QStringLiteral("mnuNewMail"));
        QCOMPARE(fieldText(window, QStringLiteral("txtSub")), QString());
        QPointer<QMainWindow> closing = window;
        command(window, QStringLiteral("mnuEnd"));
        QTRY_VERIFY(!closing);
        QVERIFY(m_prompts->messages.isEmpty());
        QCOMPARE(m_window->findChildren<QMainWindow*>(QStringLiteral("frmSend")).size(), 0);
    }

    void signatureButtonAndAutomaticSignature()
    {
        storage::IniWriteString(QStringLiteral("Kankyou"), QStringLiteral("Syomei"), QStringLiteral("1"), taro().userFile);
        storage::writeOrderedList(compose::kSignatureSection, taro().userFile, {QStringLiteral("仕事"), QStringLiteral("私用")});
        writeSignature(QStringLiteral("仕事"), QStringLiteral("山田 太郎\n株式会社フミバコ"));
        openWindow();
        QMainWindow* window = newMail();
        QCOMPARE(fieldText(window, QStringLiteral("txtBun")), QStringLiteral("\n\n山田 太郎\n株式会社フミバコ"));
        auto* signatures = window->findChild<QComboBox*>(QStringLiteral("cmbSyomei"));
        QCOMPARE(signatures->currentText(), QStringLiteral("仕事"));
        signatures->setCurrentIndex(1); // "私用" has no file
        command(window, QStringLiteral("cmdSyomei"));
        QCOMPARE(m_prompts->messages.size(), 1);
        QCOMPARE(m_prompts->messages.at(0).text, QStringLiteral("署名ファイルが見つかりませんでした"));
        QCOMPARE(fieldText(window, QStringLiteral("txtBun")), QStringLiteral("\n\n山田 太郎\n株式会社フミバコ"));
    }

    void filesDroppedBecomeAttachments()
    {
        openWindow();
        QMainWindow* window = newMail();
        QTemporaryDir files;
        const QStringList paths{files.filePath(QStringLiteral("報告書.pdf")), files.filePath(QStringLiteral("b.txt")),
                                files.filePath(QStringLiteral("c d.png"))};
        test::dropFiles(window->findChild<QPlainTextEdit*>(QStringLiteral("txtBun")), paths.mid(0, 2));
        test::dropFiles(window->findChild<QLineEdit*>(QStringLiteral("txtFile")), paths.mid(2));
        QCOMPARE(fieldText(window, QStringLiteral("txtFile")), paths.join(QStringLiteral(", ")));
        QCOMPARE(fieldText(window, QStringLiteral("txtBun")), QString()); // nothing inserted into the body
    }

    void draftIsSavedReopenedAndOverwritten()
    {
        openWindow();
        QMainWindow* window = newMail();
        test::fillCompose(window, QStringLiteral("sato@example.com"), QString(), QStringLiteral("boss@example.jp"),
                          QStringLiteral("下書きの件"), QStringLiteral("一行目\n二行目"));
        QPointer<QMainWindow> closing = window;
        command(window, QStringLiteral("mnuHozon"));
        QTRY_VERIFY(!closing);
        const QStringList drafts = MainWindowData::section(m_data->outgoingIndex(), QStringLiteral("下書き"));
        QCOMPARE(drafts.size(), 2); // the fixture's draft and this one
        const QString key = drafts.last().section(QLatin1Char('='), 0, 0);
        QVERIFY(drafts.last().contains(QStringLiteral("\tsato@example.com\t下書きの件\t")));

        openRow(QStringLiteral("下書き"), key);
        window = composeWindow(m_window.get());
        QVERIFY(window);
        QVERIFY(window->findChild<QAction*>(QStringLiteral("mnuOverWrite"))->isEnabled());
        QCOMPARE(fieldText(window, QStringLiteral("cmbBCC")), QStringLiteral("boss@example.jp"));
        QCOMPARE(fieldText(window, QStringLiteral("txtBun")), QStringLiteral("一行目\n二行目"));
        window->findChild<QLineEdit*>(QStringLiteral("txtSub"))->setText(QStringLiteral("直した件名"));
        closing = window;
        command(window, QStringLiteral("mnuOverWrite"));
        QTRY_VERIFY(!closing);

        transfer::CurrentMail stored;
        QVERIFY(transfer::ReadOutgoingFile(stored, taro().draftDir, key));
        QCOMPARE(stored.subject, QStringLiteral("直した件名"));
        QCOMPARE(stored.body, QStringLiteral("一行目\r\n二行目"));
        const QStringList after = MainWindowData::section(m_data->outgoingIndex(), QStringLiteral("下書き"));
        QCOMPARE(after.size(), 2);
        QVERIFY(after.last().startsWith(key + QStringLiteral("=000\tsato@example.com\t直した件名\t")));
        // The drafts shown in the main window list the change.
        QCOMPARE(m_window->controller().folderView().folderKey(), QStringLiteral("下書き"));
        QCOMPARE(m_window->controller().mailModel()->rowCount(), 2);
    }

    void sentMessageOpensAsACopy()
    {
        transfer::CurrentMail sent;
        sent.to = QStringLiteral("c@example.jp");
        sent.subject = QStringLiteral("送信済み");
        sent.mailPath = taro().outputDir;
        sent.mailName = QStringLiteral("20240103-101010.txt");
        QVERIFY(transfer::WriteOutgoingFile(sent));
        openWindow();
        openRow(QStringLiteral("送信済BOX"), QStringLiteral("20240103-101010.txt"));
        QMainWindow* window = composeWindow(m_window.get());
        QVERIFY(window);
        QVERIFY(!window->findChild<QAction*>(QStringLiteral("mnuOverWrite"))->isEnabled());
        QCOMPARE(fieldText(window, QStringLiteral("txtSub")), QStringLiteral("送信済み"));
        // Stored anew, it is a new file in the outbox; the sent copy stays.
        command(window, QStringLiteral("cmdSBox"));
        QCOMPARE(MainWindowData::section(m_data->outgoingIndex(), QStringLiteral("送信BOX")).size(), 2);
        QCOMPARE(MainWindowData::section(m_data->outgoingIndex(), QStringLiteral("送信済BOX")).size(), 1);
        // A file that is no outgoing file (two lines) does not open.
        test::writeBytes(taro().outputDir + QStringLiteral("20240103-101010.txt"), "x\r\ny\r\n");
        QTRY_VERIFY(!composeWindow(m_window.get()));
        openRow(QStringLiteral("送信済BOX"), QStringLiteral("20240103-101010.txt"));
        QVERIFY(!composeWindow(m_window.get()));
        QCOMPARE(m_prompts->messages.size(), 1);
        QVERIFY(m_prompts->messages.at(0).text.startsWith(QStringLiteral("メールを読み込めませんでした")));
    }

    void addressPaneAndPreviewLinksOpenNewMail()
    {
        addressbook::SaveAddressBook(m_data->paths().programDir,
                                     {{QStringLiteral("Root"), QStringLiteral("山田"), QStringLiteral("yamada@example.jp"), {}}});
        openWindow();
        for (QAction* action : m_window->findChildren<QAction*>()) {
            if (action->text() == QStringLiteral("アドレス表示"))
                action->trigger();
        }
        QTreeWidget* pane = test::addressList(*m_window);
        QVERIFY(pane->topLevelItemCount() == 1);
        pane->topLevelItem(0)->setSelected(true);
        Q_EMIT pane->itemDoubleClicked(pane->topLevelItem(0), 0);
        QMainWindow* window = composeWindow(m_window.get());
        QVERIFY(window);
        QCOMPARE(fieldText(window, QStringLiteral("cmbTo")), QStringLiteral("yamada@example.jp"));
        window->findChild<QLineEdit*>(QStringLiteral("txtSub"))->setText(QStringLiteral("消える"));
        Q_EMIT test::preview(*m_window)->linkActivated(QUrl(QStringLiteral("fumibako:sato@example.com")));
        QCOMPARE(composeWindow(m_window.get()), window);
        QCOMPARE(fieldText(window, QStringLiteral("cmbTo")), QStringLiteral("sato@example.com"));
        QCOMPARE(fieldText(window, QStringLiteral("txtSub")), QString());
    }

    void mailtoOfAFirstAndASecondStart()
    {
        const QString name = QStringLiteral("fumibako-compose-test-%1").arg(QCoreApplication::applicationPid());
        platform::SingleInstance first(name);
        QVERIFY(first.claim(QString()));
        m_prompts = std::make_unique<RecordingPrompts>();
        m_window = std::make_unique<mainwin::MainWindow>(m_data->paths(), m_prompts.get());
        connect(&first, &platform::SingleInstance::messageReceived, m_window.get(),
                &mainwin::MainWindow::activateFromAnotherStart);
        QVERIFY(m_window->loadSequence());
        m_window->show();
        m_window->afterShown(QStringLiteral("mailto:%E5%B1%B1%E7%94%B0%3Cyamada@example.jp%3E?subject=%E4%BC%9A%E8%AD%B0"
                                            "&body=%E3%82%88%E3%82%8D%E3%81%97%E3%81%8F&cc=sato@example.com"));
        QMainWindow* window = composeWindow(m_window.get());
        QVERIFY(window);
        QCOMPARE(fieldText(window, QStringLiteral("cmbTo")), QStringLiteral("山田<yamada@example.jp>"));
        QCOMPARE(fieldText(window, QStringLiteral("cmbCC")), QStringLiteral("sato@example.com"));
        QCOMPARE(fieldText(window, QStringLiteral("txtSub")), QStringLiteral("会議"));
        QCOMPARE(fieldText(window, QStringLiteral("txtBun")), QStringLiteral("よろしく"));

        // A second start hands its line over: the open window takes the addresses too.
        platform::SingleInstance second(name);
        QVERIFY(!second.claim(QStringLiteral("MAILTO:suzuki@example.jp bcc hidden@example.jp")));
        QTRY_COMPARE(fieldText(window, QStringLiteral("cmbTo")),
                     QStringLiteral("山田<yamada@example.jp>, suzuki@example.jp"));
        QCOMPARE(fieldText(window, QStringLiteral("cmbBCC")), QStringLiteral("hidden@example.jp"));
        QCOMPARE(fieldText(window, QStringLiteral("txtSub")), QStringLiteral("会議"));
        QVERIFY(m_prompts->messages.isEmpty());
    }

    void easyInputWritesTheListsBack()
    {
        addressbook::SaveAddressBook(m_data->paths().programDir,
                                     {{QStringLiteral("Root"), QStringLiteral("山田"), QStringLiteral("yamada@example.jp"), {}}});
        addressbook::RebuildAddressTable(m_data->paths().programDir, *m_prompts);
        storage::IniWriteSection(QStringLiteral("RirekiTo"), taro().userFile, {"Count=1", "0=old@example.jp"});
        openWindow();
        QMainWindow* window = newMail();
        test::fillCompose(window, QStringLiteral("a@example.jp, b@example.jp"), {}, {}, QStringLiteral("件名"), {});
        QTimer::singleShot(0, [] {
            auto* picker = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!picker || picker->objectName() != QStringLiteral("frmAddress"))
                return;
            auto* entries = picker->findChild<QTreeView*>(QStringLiteral("lsvNandA"));
            entries->selectionModel()->select(entries->model()->index(0, 0),
                                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
            picker->findChild<QPushButton*>(QStringLiteral("cmdTo1"))->click();
            picker->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
        });
        command(window, QStringLiteral("cmdKanTan"));
        QCOMPARE(fieldText(window, QStringLiteral("cmbTo")), QStringLiteral("a@example.jp, b@example.jp"));
        QCOMPARE(fieldText(window, QStringLiteral("cmbCC")), QStringLiteral("yamada@example.jp"));
        QCOMPARE(fieldText(window, QStringLiteral("txtSub")), QStringLiteral("件名"));
        QCOMPARE(window->findChild<QComboBox*>(QStringLiteral("cmbTo"))->count(), 0); // the drop-downs are emptied
        // Cancelled, the picker leaves the window as it was.
        QTimer::singleShot(0, [] {
            if (auto* picker = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                picker->findChild<QPushButton*>(QStringLiteral("cmdCan"))->click();
        });
        command(window, QStringLiteral("mnuEasy"));
        QCOMPARE(fieldText(window, QStringLiteral("cmbCC")), QStringLiteral("yamada@example.jp"));
    }

    void fieldsSetWithoutOpeningAnew()
    {
        storage::IniWriteString(QStringLiteral("Kankyou"), QStringLiteral("MailHozon"), QStringLiteral("1"), taro().userFile);
        openWindow();
        compose::ComposeFields reply;
        reply.to = QStringLiteral("yamada@example.jp");
        reply.body = QStringLiteral(">引用\r\n>");
        m_window->composeLauncher().showWithFields(reply);
        QMainWindow* window = composeWindow(m_window.get());
        QVERIFY(window);
        QVERIFY(window->findChild<QCheckBox*>(QStringLiteral("chkHozon"))->isChecked()); // a new window takes "MailHozon"
        QCOMPARE(fieldText(window, QStringLiteral("txtBun")), QStringLiteral(">引用\n>"));
        window->findChild<QCheckBox*>(QStringLiteral("chkHozon"))->setChecked(false);
        window->findChild<QLineEdit*>(QStringLiteral("txtSub"))->setText(QStringLiteral("残る"));
        compose::ComposeFields forward;
        forward.attachments = QStringLiteral("/in/m1.eml|転送[件名].eml");
        m_window->composeLauncher().showWithFields(forward);
        QCOMPARE(composeWindow(m_window.get()), window);
        QCOMPARE(fieldText(window, QStringLiteral("txtFile")), QStringLiteral("/in/m1.eml|転送[件名].eml"));
        QCOMPARE(fieldText(window, QStringLiteral("txtSub")), QStringLiteral("残る"));
        QCOMPARE(fieldText(window, QStringLiteral("cmbTo")), QStringLiteral("yamada@example.jp"));
        QVERIFY(!window->findChild<QCheckBox*>(QStringLiteral("chkHozon"))->isChecked());
    }

    void geometryInTwipsAndTheTextFont()
    {
        storage::IniWriteSection(QStringLiteral("Window"), m_data->registryFile(),
                                 {"SendWidth=2000", "SendHeight=9000", "SendTop=1500", "SendLeft=3000"});
        storage::IniWriteSection(QStringLiteral("Font"), m_data->registryFile(),
                                 {"ReadName=DejaVu Sans Mono", "ReadSize=14", "ReadBold=True"});
        openWindow();
        QMainWindow* window = newMail();
        const double dpi = window->logicalDpiX();
        QCOMPARE(window->width(), storage::twipsToPixels(6000, dpi)); // below 3000: the minimum size
        QCOMPARE(window->height(), storage::twipsToPixels(9000, window->logicalDpiY()));
        const QFont font = window->findChild<QPlainTextEdit*>(QStringLiteral("txtBun"))->font();
        QCOMPARE(font.family(), QStringLiteral("DejaVu Sans Mono"));
        QCOMPARE(font.pointSizeF(), 14.0);
        QVERIFY(font.bold());
        for (const char* name : {"cmbTo", "cmbCC", "cmbBCC", "txtSub", "txtFile"}) // the body's font only
            QVERIFY2(!window->findChild<QWidget*>(QLatin1String(name))->font().bold(), name);
        window->resize(storage::twipsToPixels(8000, dpi), window->height());
        command(window, QStringLiteral("mnuEnd"));
        const storage::WindowGeometry kept = m_window->controller().display().composeWindow;
        QVERIFY(std::abs(kept.width - 8000) < 20);
        // Written with the other window settings when the program closes, also with the window open.
        window = newMail();
        window->resize(storage::twipsToPixels(9000, dpi), window->height());
        QVERIFY(m_window->close());
        QVERIFY(std::abs(storage::IniGetString(QStringLiteral("Window"), QStringLiteral("SendWidth"), 10,
                                               m_data->registryFile()).toInt() - 9000) < 20);
    }

    void tabReachesEveryControlInOrder()
    {
        storage::writeOrderedList(compose::kSignatureSection, taro().userFile, {QStringLiteral("仕事")});
        openWindow();
        QMainWindow* window = newMail();
        const QStringList order{"cmbTo",     "cmbCC",     "cmbBCC",    "txtSub",  "txtFile", "txtBun", "chkHozon",
                                "cmbSyomei", "cmdSyomei", "cmdKanTan", "cmdSBox", "cmdSend", "cmbTo"};
        window->findChild<QWidget*>(QStringLiteral("cmbTo"))->setFocus();
        QStringList reached;
        for (qsizetype i = 0; i < order.size(); ++i) {
            QWidget* control = window->focusWidget();
            while (control && !order.contains(control->objectName()))
                control = control->parentWidget(); // the line edit inside a drop-down
            reached.append(control ? control->objectName() : QString());
            QTest::keyClick(window->focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(reached, order);
        auto* body = window->findChild<QPlainTextEdit*>(QStringLiteral("txtBun"));
        body->setFocus();
        QTest::keyClick(body, Qt::Key_Tab, Qt::ControlModifier); // types the tab character
        QCOMPARE(body->toPlainText(), QStringLiteral("\t"));
    }
};

QTEST_MAIN(TestComposeWindow)
#include "test_compose_window.moc"
