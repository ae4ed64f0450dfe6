// The read window and save as text on the offscreen platform, opened from the main window on mail
// received from the real Dovecot of the fixtures.
#include "ComposeDriver.h"
#include "MailServers.h"
#include "MainWindowFixture.h"

#include "mailview/core/ReplyText.h"
#include "mainwin/MainViews.h"
#include "mainwin/MainWindow.h"
#include "mainwin/core/MailTableModel.h"
#include "platform/Cp932.h"
#include "platform/mail/MailLibrary.h"
#include "storage/FolderTree.h"
#include "storage/ProfileStore.h"
#include "storage/WindowGeometry.h"
#include "support/ModalAnswers.h"
#include "support/RecordingPrompts.h"
#include "transfer/Receiving.h"
#include "support/SampleMail.h"
#include "support/TestFiles.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <memory>

using namespace fumibako;
using fumibako::test::MailServers;
using fumibako::test::MainWindowData;
using fumibako::test::RecordingPrompts;

namespace {

const QList<test::SampleAttachment> kAttachments{{QStringLiteral("議事録.txt"), "minutes\r\n"},
                                                 {QStringLiteral("見積書（最終版）.pdf"), QByteArray("%PDF-1.4 fake", 13)}};

} // namespace

class TestReadWindow : public QObject {
    Q_OBJECT

    MailServers m_servers;
    bool m_pop3Up = false;
    bool m_smtpUp = false;
    std::unique_ptr<MainWindowData> m_data;
    std::unique_ptr<RecordingPrompts> m_prompts;
    std::unique_ptr<mainwin::MainWindow> m_main;

    storage::AccountPaths taro() const { return storage::AccountPaths::make(m_data->paths().programDir, "taro"); }

    int rowOf(const QString& subjectOrKey) const
    {
        const storage::MailList& rows = m_main->controller().folderView().rows();
        for (int row = 0; row < rows.size(); ++row) {
            if (rows.at(row).keyString() == subjectOrKey
                || mainwin::MailTableModel::cellText(rows.at(row), mainwin::kSubjectColumn) == subjectOrKey)
                return row;
        }
        return -1;
    }

    QPoint rowCenter(int row) const
    {
        const QModelIndex index = m_main->controller().mailModel()->index(row, mainwin::kSubjectColumn);
        return test::mailList(*m_main)->visualRect(index).center();
    }
    void clickRow(int row)
    {
        QTest::mouseClick(test::mailList(*m_main)->viewport(), Qt::LeftButton, {}, rowCenter(row));
    }
    QMainWindow* doubleClickRow(int row)
    {
        QTest::mouseDClick(test::mailList(*m_main)->viewport(), Qt::LeftButton, {}, rowCenter(row));
        return test::topLevelNamed<QMainWindow>(QStringLiteral("frmRMail"));
    }
    // A click (which shows the preview), then a double click on the row, as the user opens a message.
    QMainWindow* openRow(int row)
    {
        clickRow(row);
        return doubleClickRow(row);
    }

    template <typename T>
    static T* in(QWidget* window, const QString& name)
    {
        T* found = window->findChild<T*>(name);
        if (!found)
            qWarning("no %s", qPrintable(name));
        return found;
    }

    void receiveTheSample()
    {
        QVERIFY(m_servers.seedMailbox(QStringLiteral("taro"), {test::japaneseMail(kAttachments)}));
        storage::AccountProperties& account = m_main->controller().session().properties();
        account.pop3Server = QStringLiteral("127.0.0.1");
        account.popPortGiven = 1;
        account.popPort = m_servers.pop3Port();
        account.loginName = QStringLiteral("taro");
        account.password = QStringLiteral("secret");
        for (QAction* action : m_main->findChildren<QAction*>()) {
            if (action->text() == QStringLiteral("受信(&P)")) {
                action->trigger();
                break;
            }
        }
        QTRY_VERIFY_WITH_TIMEOUT(!m_main->controller().receiver().isRunning(), 20000);
        QCOMPARE(m_prompts->status.value(1), QStringLiteral("新着メールあり"));
    }

    void pointAtSmtp()
    {
        storage::AccountProperties& account = m_main->controller().session().properties();
        account.smtpServer = QStringLiteral("127.0.0.1");
        account.smtpPortGiven = 1;
        account.smtpPort = m_servers.smtpAuthPort();
        account.loginName = QStringLiteral("taro");
        account.password = QStringLiteral("secret");
        account.security.smtp.allowPlainLogin = true; // the fixture's AUTH port offers no STARTTLS
    }

    // Sends the open compose window to @p to and returns what the SMTP server got.
    test::ReceivedMail sendCompose(const QString& to)
    {
        QPointer<QMainWindow> compose = test::composeWindow(m_main.get());
        if (!compose)
            return {};
        compose->findChild<QComboBox*>(QStringLiteral("cmbTo"))->setEditText(to);
        test::command(compose, QStringLiteral("cmdSend"));
        if (!QTest::qWaitFor([&compose] { return !compose; }, 20000))
            return {}; // the window did not close: nothing was sent
        const QList<test::ReceivedMail> received = m_servers.takeReceived();
        return received.size() == 1 ? received.first() : test::ReceivedMail{};
    }

private Q_SLOTS:
    void initTestCase()
    {
        const int running = m_servers.startPop3AndSmtp(5);
        m_pop3Up = running & MailServers::Pop3;
        m_smtpUp = running & MailServers::Smtp;
    }

    void init()
    {
        m_data = std::make_unique<MainWindowData>();
        m_prompts = std::make_unique<RecordingPrompts>();
    }

    void cleanup()
    {
        m_main.reset();
        m_prompts.reset();
        m_data.reset();
    }

    void receivedJapaneseMail()
    {
        if (!m_pop3Up)
            QSKIP("no POP3 fixture (needs root)");
        test::writeBytes(taro().inputDir + "m1.eml", "From: sato@example.jp\r\nSubject: second\r\n\r\nsecond body\r\n");
        test::openMainWindow(m_data->paths(), m_prompts.get(), m_main);
        receiveTheSample();
        const int row = rowOf(QStringLiteral("会議資料の送付"));
        QVERIFY(row >= 0);
        QVERIFY(m_main->controller().folderView().rows().at(row).unread);
        clickRow(row);
        const QStringList workBefore = QDir(m_data->paths().workDir).entryList(QDir::Files);

        QMainWindow* read = doubleClickRow(row);
        QVERIFY(read && read->isVisible());
        QCOMPARE(read->windowTitle(), QStringLiteral("メールの詳細"));
        QCOMPARE(read->windowModality(), Qt::NonModal);
        QVERIFY(!m_main->controller().folderView().rows().at(row).unread); // read at once
        QVERIFY(!m_main->controller().timers().isUnreadTimerRunning());
        QCOMPARE(in<QLineEdit>(read, "txtSub")->text(), QStringLiteral("会議資料の送付"));
        QCOMPARE(in<QLineEdit>(read, "txtFrom")->text(), QStringLiteral("山田 太郎 <yamada@example.jp>"));
        QCOMPARE(in<QLineEdit>(read, "txtTo")->text(), QStringLiteral("taro@example.jp"));
        QVERIFY(!in<QLineEdit>(read, "txtDate")->text().isEmpty());
        QVERIFY(in<QLineEdit>(read, "txtTemp2")->text().startsWith(taro().inputDir));
        QVERIFY(in<QLineEdit>(read, "txtTemp2")->isHidden());
        QPlainTextEdit* body = in<QPlainTextEdit>(read, "txtMBBody");
        QVERIFY2(body->toPlainText().startsWith(QString(test::japaneseMailBody()).replace("\r\n", "\n")),
                 qPrintable(body->toPlainText()));
        QListWidget* names = in<QListWidget>(read, "lstFileName");
        QCOMPARE(names->count(), 2);
        QCOMPARE(names->item(1)->text(), QStringLiteral("見積書（最終版）.pdf"));
        QVERIFY(names->isEnabled() && in<QLabel>(read, "lblRead4")->isEnabled());
        QCOMPARE(in<QLabel>(read, "lblAddFrom")->text(), QStringLiteral("未登録"));
        QVERIFY(!in<QCheckBox>(read, "chkHon")->isChecked() && in<QCheckBox>(read, "chkHon")->isEnabled());
        QCOMPARE(QDir(m_data->paths().workDir).entryList(QDir::Files), workBefore);

        // Save the attachments through the folder chooser.
        QTemporaryDir target;
        test::answerNextDialog<QFileDialog>([&target](QFileDialog* dialog) {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("フォルダの選択"));
            // Typed as a full path: the dialog's listing of its folder may still be loading.
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(target.path());
            static_cast<QDialog*>(dialog)->accept();
        });
        in<QPushButton>(read, "cmdFileHozon")->click();
        QCOMPARE(test::readBytes(target.filePath(QStringLiteral("議事録.txt"))), QByteArray("minutes\r\n"));
        QCOMPARE(test::readBytes(target.filePath(QStringLiteral("見積書（最終版）.pdf"))), kAttachments[1].bytes);

        // The header view and back.
        QAction* header = in<QAction>(read, "mnuHeader");
        const QString shownBody = body->toPlainText();
        header->trigger();
        QVERIFY(header->isChecked());
        QVERIFY(body->toPlainText().contains(QStringLiteral("\nSubject: 会議資料の送付\n")));
        header->trigger();
        QVERIFY(!header->isChecked());
        QCOMPARE(body->toPlainText(), shownBody);

        // Quick add of the sender.
        test::answerNextDialog<QInputDialog>([](QInputDialog* dialog) {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("アドレス帳に追加"));
            QCOMPARE(dialog->labelText(), QStringLiteral("表示名を入力してください"));
            dialog->setTextValue(QStringLiteral("山田"));
            dialog->accept();
        });
        in<QAction>(read, "mnuAdd")->trigger();
        QCOMPARE(in<QLabel>(read, "lblAddFrom")->text(), QStringLiteral("山田"));
        QCOMPARE(test::readBytes(m_data->paths().programDir + "Address.txt"),
                 test::cp932Lines(QStringLiteral("1.1\nRoot\t山田\tyamada@example.jp\t\n")));

        // One window: opening another message refills it.
        const int second = rowOf(QStringLiteral("m1.eml"));
        QVERIFY(second >= 0);
        QCOMPARE(openRow(second), read);
        QCOMPARE(in<QLineEdit>(read, "txtSub")->text(), QStringLiteral("second"));
        QVERIFY(!names->isEnabled() && !in<QPushButton>(read, "cmdFileHozon")->isEnabled());
        in<QAction>(read, "mnuEnd")->trigger();
        QVERIFY(!read->isVisible());
    }

    void replyRedirectAndForwardReachTheSmtpServer()
    {
        if (!m_pop3Up || !m_smtpUp)
            QSKIP("no POP3 and SMTP fixtures (POP3 needs root)");
        test::openMainWindow(m_data->paths(), m_prompts.get(), m_main);
        receiveTheSample();
        pointAtSmtp();
        m_servers.takeReceived();
        const int row = rowOf(QStringLiteral("会議資料の送付"));
        const QString stored = taro().inputDir + m_main->controller().folderView().rows().at(row).keyString();
        const QByteArray original = test::readBytes(stored);

        // Reply, quoting subject and body.
        QMainWindow* read = openRow(row);
        const QString body = QString(in<QPlainTextEdit>(read, "txtMBBody")->toPlainText()).replace("\n", "\r\n");
        in<QCheckBox>(read, "chkHon")->setChecked(true);
        in<QCheckBox>(read, "chkKen")->setChecked(true);
        in<QPushButton>(read, "cmdRE")->click();
        QVERIFY(!read->isVisible());
        QMainWindow* compose = test::composeWindow(m_main.get());
        QVERIFY(compose);
        QCOMPARE(test::fieldText(compose, "cmbTo"), QStringLiteral("山田 太郎 <yamada@example.jp>"));
        QCOMPARE(test::fieldText(compose, "txtSub"), QStringLiteral("Re:会議資料の送付"));
        QVERIFY(test::fieldText(compose, "txtBun").startsWith(QStringLiteral(">鈴木様\n>いつもお世話になっております。\n")));
        test::ReceivedMail reply = sendCompose(test::fieldText(compose, "cmbTo"));
        QCOMPARE(reply.envelope.value("rcpt_tos").toArray().toVariantList(), QVariantList{"yamada@example.jp"});
        // It threads: it names the message it answers (RFC 5322 3.6.4).
        const QByteArray replyHeader = reply.data.left(reply.data.indexOf("\r\n\r\n") + 2);
        QVERIFY2(replyHeader.contains("\r\nIn-Reply-To: <sample-1@example.jp>\r\n"), replyHeader.constData());
        QVERIFY(replyHeader.contains("\r\nReferences: <sample-1@example.jp>\r\n"));
        test::writeBytes(m_data->paths().programDir + "reply.eml", reply.data);
        const platform::mail::LibraryResult back =
            platform::mail::ReadMail(m_data->paths().programDir + "reply.eml", "subject:from:date:To:body:", QString());
        QVERIFY(back.isList);
        QCOMPARE(back.list.at(0), QStringLiteral("subject: Re:会議資料の送付"));
        QVERIFY2(back.list.at(4).startsWith(QStringLiteral("body: ") + mailview::quoteForReply(body).trimmed()),
                 qPrintable(back.list.at(4)));

        // Redirect: the stored message goes out unchanged with Resent fields on top.
        read = openRow(row);
        in<QAction>(read, "mnuAtesaki")->trigger();
        QVERIFY(!read->isVisible());
        compose = test::composeWindow(m_main.get());
        QCOMPARE(compose->windowTitle(), QStringLiteral("転送モード"));
        QCOMPARE(test::fieldText(compose, "txtBun"), QStringLiteral("編集できません"));
        QCOMPARE(test::fieldText(compose, "txtSub"), QStringLiteral("会議資料の送付"));
        const test::ReceivedMail redirected = sendCompose(QStringLiteral("hanako@example.jp"));
        QVERIFY2(redirected.data.startsWith("Resent-From: "), redirected.data.left(200).constData());
        QVERIFY(redirected.data.contains("\r\nResent-To: hanako@example.jp\r\n"));
        QVERIFY(redirected.data.endsWith(original));

        // Forward as attachment: the stored message rides along as message/rfc822.
        read = openRow(row);
        in<QAction>(read, "mnuTenpu")->trigger();
        compose = test::composeWindow(m_main.get());
        QCOMPARE(test::fieldText(compose, "txtFile"), stored + QStringLiteral("|転送[会議資料の送付].eml"));
        compose->findChild<QLineEdit*>(QStringLiteral("txtSub"))->setText(QStringLiteral("転送します"));
        const test::ReceivedMail forwarded = sendCompose(QStringLiteral("sato@example.jp"));
        QVERIFY(forwarded.data.contains("Content-Type: message/rfc822"));
        QVERIFY(!forwarded.data.contains("In-Reply-To:") && !forwarded.data.contains("References:"));
        QVERIFY(forwarded.data.contains("Message-ID: <sample-1@example.jp>"));
        test::writeBytes(m_data->paths().programDir + "forward.eml", forwarded.data);
        const QString unpacked = m_data->paths().programDir + "unpacked";
        const platform::mail::LibraryResult parts =
            platform::mail::ReadMail(m_data->paths().programDir + "forward.eml", "subject:from:date:To:body:", unpacked);
        QVERIFY(parts.isList);
        QCOMPARE(parts.list.size(), 7);
        QCOMPARE(parts.list.at(6), QStringLiteral("file: ") + unpacked + QStringLiteral("/転送[会議資料の送付].eml"));
        QCOMPARE(test::readBytes(unpacked + QStringLiteral("/転送[会議資料の送付].eml")), original);
        QVERIFY2(m_prompts->messages.isEmpty(), qPrintable(m_prompts->messages.value(0).text));
    }

    void saveAsTextInTheChosenOrder()
    {
        test::writeBytes(taro().inputDir + "m1.eml", test::japaneseMail({}));
        test::openMainWindow(m_data->paths(), m_prompts.get(), m_main);
        test::selectFolder(*m_main, QStringLiteral("標準BOX"));
        QMainWindow* read = openRow(rowOf(QStringLiteral("m1.eml")));
        QVERIFY(read);
        in<QAction>(read, "mnuText")->trigger();
        QDialog* dialog = read->findChild<QDialog*>(QStringLiteral("frmTextHozon"));
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(dialog->windowTitle(), QStringLiteral("テキスト変換"));
        QListWidget* offered = in<QListWidget>(dialog, "lst1");
        QListWidget* chosen = in<QListWidget>(dialog, "lst2");
        QPushButton* add = in<QPushButton>(dialog, "cmdIreru");
        QCOMPARE(offered->count(), 6);

        in<QPushButton>(dialog, "cmdNext")->click();
        QCOMPARE(m_prompts->messages.last().text, QStringLiteral("一つはチェックしてください"));
        for (int item : {0, 4}) { // 宛先, 件名
            offered->setCurrentRow(item);
            add->click();
        }
        offered->scrollToItem(offered->item(3));
        const QPoint item3 = offered->visualItemRect(offered->item(3)).center();
        QTest::mouseClick(offered->viewport(), Qt::LeftButton, {}, item3);
        QTest::mouseDClick(offered->viewport(), Qt::LeftButton, {}, item3);
        offered->setCurrentRow(5);
        add->click();
        QCOMPARE(chosen->count(), 4);
        chosen->setCurrentRow(0);
        QTest::keyClick(chosen, Qt::Key_Delete);
        QCOMPARE(chosen->item(0)->text(), QStringLiteral("件名"));

        const QString file = m_data->paths().programDir + "saved.txt";
        test::answerNextDialog<QFileDialog>([&file](QFileDialog* files) {
            QCOMPARE(files->windowTitle(), QStringLiteral("保存"));
            files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(file);
            static_cast<QDialog*>(files)->accept();
        });
        in<QPushButton>(dialog, "cmdNext")->click();
        QCOMPARE(m_prompts->messages.last().text, QStringLiteral("保存しました"));
        QTRY_VERIFY(!read->findChild<QDialog*>(QStringLiteral("frmTextHozon")));
        const QString expected = QStringLiteral("件名   : 会議資料の送付\n\n本文   : ") + test::japaneseMailBody() + "\n\n\n";
        QCOMPARE(test::readBytes(file), test::cp932Lines(QString(expected).replace("\r\n", "\n")));
    }

    void geometryAndFontFromTheSettings()
    {
        const QString registry = m_data->registryFile();
        storage::IniWriteSection(QStringLiteral("Window"), registry,
                                 {"ReadWidth=7200", "ReadHeight=5400", "ReadTop=720", "ReadLeft=1440"});
        storage::IniWriteSection(QStringLiteral("Font"), registry, {"ReadName=DejaVu Sans", "ReadSize=14", "ReadBold=True"});
        test::openMainWindow(m_data->paths(), m_prompts.get(), m_main);
        test::selectFolder(*m_main, QStringLiteral("標準BOX"));
        QMainWindow* read = openRow(0);
        QVERIFY(read);
        const double dpiX = read->logicalDpiX();
        QCOMPARE(read->width(), storage::twipsToPixels(7200, dpiX));
        QCOMPARE(read->height(), storage::twipsToPixels(5400, read->logicalDpiY()));
        const QFont font = in<QPlainTextEdit>(read, "txtMBBody")->font();
        QCOMPARE(font.family(), QStringLiteral("DejaVu Sans"));
        QCOMPARE(font.pointSizeF(), 14.0);
        QVERIFY(font.bold());

        QCOMPARE(read->pos(), QPoint(storage::twipsToPixels(1440, dpiX), storage::twipsToPixels(720, read->logicalDpiY())));

        read->resize(storage::twipsToPixels(9000, dpiX), read->height());
        read->close();
        QVERIFY(m_main->close());
        storage::clearProfileCache();
        const int width = storage::IniGetString(QStringLiteral("Window"), QStringLiteral("ReadWidth"), 10, registry).toInt();
        QVERIFY2(qAbs(width - 9000) <= 30, qPrintable(QString::number(width)));
        QCOMPARE(storage::IniGetString(QStringLiteral("Window"), QStringLiteral("ReadHeight"), 10, registry).toInt(),
                 int(storage::pixelsToTwips(read->height(), read->logicalDpiY())));
    }

    // Size and position outlive the program, also when it ends with the read window open.
    void geometryAcrossRestarts()
    {
        test::openMainWindow(m_data->paths(), m_prompts.get(), m_main);
        test::selectFolder(*m_main, QStringLiteral("標準BOX"));
        QMainWindow* read = openRow(0);
        QVERIFY(read);
        const QRect placed(QPoint(130, 90), QSize(520, 410));
        read->move(placed.topLeft());
        read->resize(placed.size());
        QVERIFY(m_main->close()); // the read window stays open until the end
        m_main.reset();
        storage::clearProfileCache();

        test::openMainWindow(m_data->paths(), m_prompts.get(), m_main);
        test::selectFolder(*m_main, QStringLiteral("標準BOX"));
        read = openRow(0);
        QVERIFY(read);
        // Twips round to whole pixels on the way.
        QVERIFY2(qAbs(read->x() - placed.x()) <= 1 && qAbs(read->y() - placed.y()) <= 1, qPrintable(QString::number(read->x())));
        QVERIFY(qAbs(read->width() - placed.width()) <= 1 && qAbs(read->height() - placed.height()) <= 1);
    }

    void escapeClosesAndReplyToAllFillsCc()
    {
        test::writeBytes(taro().inputDir + "m1.eml", "From: yamada@example.jp\r\nTo: taro@example.jp, sato@example.jp\r\n"
                                                     "Subject: plan\r\n\r\nbody\r\n");
        test::openMainWindow(m_data->paths(), m_prompts.get(), m_main);
        test::selectFolder(*m_main, QStringLiteral("標準BOX"));
        QMainWindow* read = openRow(rowOf(QStringLiteral("m1.eml")));
        QVERIFY(read && read->isVisible());
        read->activateWindow(); // the list's double click may leave the main window active offscreen
        QTRY_VERIFY(read->isActiveWindow());
        QTest::keyClick(in<QPlainTextEdit>(read, "txtMBBody"), Qt::Key_Escape);
        QVERIFY(!read->isVisible());

        read = openRow(rowOf(QStringLiteral("m1.eml")));
        QVERIFY(read && read->isVisible());
        in<QPushButton>(read, "cmdREAll")->click();
        QVERIFY(!read->isVisible());
        QMainWindow* compose = test::composeWindow(m_main.get());
        QVERIFY(compose);
        QCOMPARE(test::fieldText(compose, "cmbTo"), QStringLiteral("yamada@example.jp"));
        QCOMPARE(test::fieldText(compose, "cmbCC"), QStringLiteral("sato@example.jp")); // not the account's own
    }

    void messageFileThatVanished()
    {
        test::openMainWindow(m_data->paths(), m_prompts.get(), m_main);
        test::selectFolder(*m_main, QStringLiteral("標準BOX"));
        const int row = rowOf(QStringLiteral("m2.eml"));
        QVERIFY(row >= 0);
        QVERIFY(QFile::remove(taro().inputDir + "m2.eml"));
        QMainWindow* read = openRow(row);
        QVERIFY(!read || !read->isVisible());
        QCOMPARE(m_prompts->messages.last().text,
                 QStringLiteral("メールを読み込めませんでした。\r\n") + taro().inputDir + QStringLiteral("m2.eml"));
    }
};

QTEST_MAIN(TestReadWindow)
#include "test_read_window.moc"
