// The compose window's rules without a window: opening, storing, overwriting and sending, the
// sending against the real SMTP server of the test fixtures.
#include "MailServers.h"
#include "transfer/SendTestSupport.h"

#include "compose/core/ComposeController.h"
#include "compose/core/ComposeRules.h"
#include "compose/core/Signatures.h"
#include "storage/AccountSettings.h"
#include "storage/IndexEntry.h"
#include "storage/MailtoCommandLine.h"
#include "transfer/OperationGuard.h"

#include <QJsonArray>

using namespace fumibako;
using namespace fumibako::compose;
using storage::FixedFolder::Drafts;
using storage::FixedFolder::Outbox;
using storage::FixedFolder::SentBox;
using test::MailServers;
using test::ReceivedMail;
using test::SendAccount;
using Outcome = ComposeController::Outcome;
using StoreTarget = ComposeController::StoreTarget;
using Closing = ComposeController::Closing;

namespace {

const QDateTime kNow(QDate(2026, 12, 5), QTime(10, 0, 0));

// What stops a send.
enum class Refusal {
    OtherOperation,
    NoServer,
    AttachmentGone,
    AttachmentIsFolder,
    RecipientWithTab,
    RecipientWithHeader,
};

ComposeContent filled()
{
    ComposeContent content;
    content.to = QStringLiteral("old@example.jp");
    content.cc = QStringLiteral("oldcc@example.jp");
    content.bcc = QStringLiteral("oldbcc@example.jp");
    content.subject = QStringLiteral("古い件名");
    content.body = QStringLiteral("古い本文");
    content.attachments = QStringLiteral("/tmp/old.txt");
    return content;
}

// The notice shown around the library call: here it also refills the window, as a caller could.
class RefillingNotice : public transfer::SendingNotice {
public:
    std::function<void()> onShow;
    void show(const QString&) override { onShow(); }
    void close() override {}
};

// "送信", waiting in a local event loop until the outcome came.
Outcome sendAndWait(ComposeController& controller, const ComposeContent& content)
{
    Outcome outcome = Outcome::StayOpen;
    transfer::waitUntilDone([&](std::function<void()> done) {
        controller.send(content, [&outcome, done](Outcome sent) {
            outcome = sent;
            done();
        });
    });
    return outcome;
}

} // namespace

class TestComposeController : public QObject {
    Q_OBJECT

    MailServers m_servers;
    std::unique_ptr<SendAccount> m_account;
    storage::AccountEnvironment m_environment;
    std::unique_ptr<transfer::OperationGuard> m_guard;
    transfer::SendingNotice* m_notice = nullptr;
    QDateTime m_now = kNow;

    ComposeServices services()
    {
        return ComposeServices{m_account->paths,
                               m_environment,
                               m_account->histories,
                               m_account->prompts,
                               *m_guard,
                               [this] {
                                   transfer::SendContext context = m_account->context;
                                   if (m_notice)
                                       context.notice = m_notice;
                                   return context;
                               },
                               [this] { return m_now; }};
    }

    QString entry(const QString& section, const QString& key) const { return m_account->entry(section, key); }

    transfer::CurrentMail readBack(const QString& folder, const QString& name) const
    {
        transfer::CurrentMail mail;
        if (!transfer::ReadOutgoingFile(mail, folder, name))
            qWarning("cannot read %s", qPrintable(folder + name));
        return mail;
    }

    QString messageText(int index = 0) const { return m_account->prompts.messages.value(index).text; }

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
        m_account = std::make_unique<SendAccount>(m_servers.smtpAuthPort());
        m_environment = storage::AccountEnvironment();
        m_guard = std::make_unique<transfer::OperationGuard>(m_account->prompts);
        m_notice = nullptr;
        m_now = kNow;
        m_servers.takeReceived();
    }

    void opensInItsFourModes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("bodyEnabled");
        QTest::addColumn<bool>("overwrite");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("mailName");
        QTest::newRow("new") << int(ComposeMode::New) << "送信フォーム" << true << false << "" << "";
        QTest::newRow("redirect") << int(ComposeMode::Redirect) << "転送モード" << false << false << "" << "";
        QTest::newRow("copy of sent") << int(ComposeMode::CopyOfSent) << "送信フォーム" << true << false
                                      << "stored@example.jp" << "";
        QTest::newRow("edit stored") << int(ComposeMode::EditStored) << "送信フォーム" << true << true
                                     << "stored@example.jp" << "20261201-090000.txt";
    }
    void opensInItsFourModes()
    {
        QFETCH(int, mode);
        QFETCH(QString, caption);
        QFETCH(bool, bodyEnabled);
        QFETCH(bool, overwrite);
        QFETCH(QString, to);
        QFETCH(QString, mailName);
        transfer::CurrentMail stored;
        stored.to = QStringLiteral("stored@example.jp");
        stored.subject = QStringLiteral("保存した件名");
        stored.body = QStringLiteral("一行目\r\n二行目");
        stored.attachments = QStringList{QStringLiteral("/a.txt, /b.txt|b.csv")};
        stored.keepFlag = 1;
        const bool storedMode = !mailName.isEmpty() || !to.isEmpty();
        const QString path = mode == int(ComposeMode::Redirect) ? QStringLiteral(">#xfr /in/m1.eml")
                             : mode == int(ComposeMode::EditStored) ? m_account->paths.draftDir : QString();
        ComposeController controller(services());
        controller.load();
        // A window left in redirect mode opens ordinary mail again.
        ComposeContent content = filled();
        controller.open(ComposeMode::Redirect, QStringLiteral(">#xfr /x"), QString(), QString(), stored, content);
        controller.open(ComposeMode(mode), path, mailName, storedMode ? Drafts : QString(), stored, content);
        QCOMPARE(controller.caption(), caption);
        QCOMPARE(controller.bodyEnabled(), bodyEnabled);
        QCOMPARE(controller.overwriteEnabled(), overwrite);
        QCOMPARE(controller.transName(), mode == int(ComposeMode::Redirect) ? path : QString());
        QCOMPARE(controller.mailName(), mailName);
        QCOMPARE(content.to, to);
        QCOMPARE(content.cc, QString());
        QCOMPARE(content.subject, storedMode ? stored.subject : QString());
        QCOMPARE(content.body, storedMode ? stored.body : QString());
        QCOMPARE(content.attachments, storedMode ? stored.attachments.first() : QString());
        QCOMPARE(content.keep, storedMode); // the stored keep flag, else "MailHozon" (0)
        QVERIFY(m_account->prompts.messages.isEmpty());
    }

    void newMailTakesTheChosenSignature()
    {
        m_environment.signatureByDefault = 1;
        m_environment.saveByDefault = 1;
        const QString longest = QLatin1Char('a') + QString(34, QChar(u'署')); // 69 bytes in code page 932
        storage::writeOrderedList(kSignatureSection, m_account->paths.userFile, {QStringLiteral("仕事"), longest});
        QDir().mkpath(signatureFolder(m_account->paths.userMailDir));
        QVERIFY(writeSignatureFile(*signatureFilePath(m_account->paths.userMailDir, QStringLiteral("仕事")), QStringLiteral("山田")));
        QVERIFY(writeSignatureFile(*signatureFilePath(m_account->paths.userMailDir, longest), QStringLiteral("太郎")));
        ComposeController controller(services());
        controller.load();
        QCOMPARE(controller.signatureNames(), (QStringList{"仕事", longest}));
        ComposeContent content = filled();
        controller.open(ComposeMode::New, QString(), QString(), QString(), {}, content);
        QCOMPARE(content.body, QStringLiteral("\r\n\r\n山田"));
        QVERIFY(content.keep);
        // A window reused for new mail takes the signature chosen in it.
        controller.chooseSignature(1);
        controller.open(ComposeMode::New, QString(), QString(), QString(), {}, content);
        QCOMPARE(content.body, QStringLiteral("\r\n\r\n太郎"));
        QCOMPARE(content.to, QString());
        // No signature with a redirect.
        controller.open(ComposeMode::Redirect, QStringLiteral(">#xfr /m"), QString(), QString(), {}, content);
        QCOMPARE(content.body, QString());
    }

    void automaticSignatureWithoutSignatures()
    {
        m_environment.signatureByDefault = 1;
        ComposeController controller(services());
        controller.load();
        QVERIFY(!controller.signaturesEnabled());
        ComposeContent content;
        controller.open(ComposeMode::New, QString(), QString(), QString(), {}, content);
        QCOMPARE(content.body, QString());
        QCOMPARE(messageText(), QStringLiteral("署名ファイルが見つかりませんでした"));
    }

    void recentRecipientsFillTheDropDowns()
    {
        m_account->histories.to = {"a@x", "b@x", "c@x", "d@x", "e@x", "f@x", "g@x"};
        m_account->histories.cc = {"c1@x", "", "c3@x"};
        ComposeController controller(services());
        ComposeContent content;
        controller.open(ComposeMode::New, QString(), QString(), QString(), {}, content);
        QCOMPARE(controller.recentRecipients(RecipientField::To), (QStringList{"a@x", "b@x", "c@x", "d@x", "e@x", "f@x"}));
        QCOMPARE(controller.recentRecipients(RecipientField::Cc), QStringList{"c1@x"});
        QVERIFY(controller.recentRecipients(RecipientField::Bcc).isEmpty());
        controller.clearRecentRecipients();
        QVERIFY(controller.recentRecipients(RecipientField::To).isEmpty());
    }

    void storesAsANewMessage_data()
    {
        QTest::addColumn<int>("target");
        QTest::addColumn<QString>("section");
        QTest::newRow("outbox") << int(StoreTarget::Outbox) << Outbox;
        QTest::newRow("drafts") << int(StoreTarget::Drafts) << Drafts;
    }
    void storesAsANewMessage()
    {
        QFETCH(int, target);
        QFETCH(QString, section);
        const QString dir = section == Outbox ? m_account->paths.outputDir : m_account->paths.draftDir;
        // Opened from a draft, stored anew: the draft stays where it was.
        m_account->queue(m_account->paths.draftDir, QStringLiteral("20261201-090000.txt"), QStringLiteral("x@example.jp"),
                         QStringLiteral("下書き"), Drafts);
        ComposeController controller(services());
        ComposeContent content;
        controller.open(ComposeMode::EditStored, m_account->paths.draftDir, QStringLiteral("20261201-090000.txt"), Drafts,
                        readBack(m_account->paths.draftDir, QStringLiteral("20261201-090000.txt")), content);
        content.to = QStringLiteral("佐藤 <sato@example.com>\t");
        content.subject = QStringLiteral("件名\r\n改行");
        content.attachments = QStringLiteral("/a.txt");
        content.body = QStringLiteral("本文\n二行目");
        QCOMPARE(controller.store(StoreTarget(target), content), Outcome::Close);
        QCOMPARE(controller.mailName(), QStringLiteral("20261205-100000.txt"));
        QCOMPARE(controller.section(), section);
        const transfer::CurrentMail stored = readBack(dir, controller.mailName());
        QCOMPARE(stored.to, QStringLiteral("佐藤 <sato@example.com> "));
        QCOMPARE(stored.subject, QStringLiteral("件名  改行"));
        QCOMPARE(stored.body, QStringLiteral("本文\r\n二行目"));
        QCOMPARE(stored.attachments.first(), QStringLiteral("/a.txt"));
        QCOMPARE(entry(section, controller.mailName()),
                 QStringLiteral("001\t佐藤 <sato@example.com> \t件名  改行\t2026/12/05 10:00:00"));
        QVERIFY(QFileInfo::exists(m_account->paths.draftDir + QStringLiteral("20261201-090000.txt")));
        QVERIFY(!entry(Drafts, QStringLiteral("20261201-090000.txt")).isEmpty());

        // A second message stored within the same second does not overwrite the first.
        ComposeController second(services());
        ComposeContent other;
        other.subject = QStringLiteral("二通目");
        QCOMPARE(second.store(StoreTarget(target), other), Outcome::Close);
        QCOMPARE(second.mailName(), QStringLiteral("20261205-100001.txt"));
        QCOMPARE(readBack(dir, controller.mailName()).subject, QStringLiteral("件名  改行"));
        QCOMPARE(entry(section, second.mailName()), QStringLiteral("000\t\t二通目\t2026/12/05 10:00:00"));

        // Nor is a name of the other folder used again: drafts and queued mail are listed together.
        ComposeController third(services());
        const StoreTarget otherTarget = StoreTarget(target) == StoreTarget::Outbox ? StoreTarget::Drafts : StoreTarget::Outbox;
        QCOMPARE(third.store(otherTarget, other), Outcome::Close);
        QCOMPARE(third.mailName(), QStringLiteral("20261205-100002.txt"));
    }

    void overwriteWritesBackOverTheStoredMessage()
    {
        const QString name = QStringLiteral("20261201-090000.txt");
        m_account->queue(m_account->paths.outputDir, name, QStringLiteral("x@example.jp"), QStringLiteral("元"));
        ComposeController controller(services());
        ComposeContent content;
        controller.open(ComposeMode::EditStored, m_account->paths.outputDir, name, Outbox,
                        readBack(m_account->paths.outputDir, name), content);
        content.subject = QStringLiteral("直した");
        m_now = kNow.addSecs(3600);
        QCOMPARE(controller.overwrite(content), Outcome::Close);
        QCOMPARE(readBack(m_account->paths.outputDir, name).subject, QStringLiteral("直した"));
        QCOMPARE(entry(Outbox, name), QStringLiteral("000\tx@example.jp\t直した\t2026/12/05 11:00:00"));
        QStringList files = QDir(m_account->paths.outputDir).entryList(QDir::Files);
        QCOMPARE(files, QStringList{name});
    }

    void overwriteWithoutAStoredMessage()
    {
        ComposeController controller(services());
        ComposeContent content;
        controller.open(ComposeMode::CopyOfSent, QString(), QString(), SentBox, {}, content);
        QVERIFY(!controller.overwriteEnabled());
        QCOMPARE(controller.overwrite(content), Outcome::StayOpen);
        QCOMPARE(messageText(), QStringLiteral("予想外の動きです。\r\nエラーではありませんが、状況をメール等で教えてください。"));
        QCOMPARE(m_account->prompts.messages.value(0).title, QString());
        QCOMPARE(m_account->prompts.messages.value(0).icon, platform::Icon::None);
    }

    void storeFailureKeepsTheWindow()
    {
        m_account->paths.outgoingIndexFile = m_account->dir.filePath(QStringLiteral("no/such/dir/MailOutCom.ini"));
        ComposeController controller(services());
        ComposeContent content;
        content.subject = QStringLiteral("消えてはいけない");
        QCOMPARE(controller.store(StoreTarget::Drafts, content), Outcome::StayOpen);
        QVERIFY(messageText().startsWith(QStringLiteral("メールを保存できませんでした\r\n")));
        QVERIFY(QDir(m_account->paths.draftDir).entryList(QDir::Files).isEmpty()); // no file without its entry
    }

    void sendsAndTidiesTheOutbox_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<bool>("staysStored");
        QTest::newRow("new mail") << QString() << false;
        QTest::newRow("opened from the outbox") << Outbox << false;
        QTest::newRow("opened from the drafts") << Drafts << true;
    }
    void sendsAndTidiesTheOutbox()
    {
        QFETCH(QString, section);
        QFETCH(bool, staysStored);
        const QString name = QStringLiteral("20261201-090000.txt");
        const QString dir = section == Outbox ? m_account->paths.outputDir : m_account->paths.draftDir;
        ComposeController controller(services());
        ComposeContent content;
        if (section.isEmpty()) {
            controller.open(ComposeMode::New, QString(), QString(), QString(), {}, content);
            content.to = QStringLiteral("sato@example.com");
            content.subject = QStringLiteral("new");
        } else {
            m_account->queue(dir, name, QStringLiteral("sato@example.com"), QStringLiteral("stored"), section);
            controller.open(ComposeMode::EditStored, dir, name, section, readBack(dir, name), content);
        }
        content.keep = true;
        QCOMPARE(sendAndWait(controller, content), Outcome::Close);
        QCOMPARE(m_guard->CurrentOperation(), transfer::Operation::Idle);
        QCOMPARE(m_servers.takeReceived().size(), 1);
        if (!section.isEmpty()) {
            QCOMPARE(QFileInfo::exists(dir + name), staysStored);
            QCOMPARE(entry(section, name).isEmpty(), !staysStored);
        }
        QStringList sent;
        storage::IniGetSection(SentBox, m_account->paths.outgoingIndexFile, sent);
        QCOMPARE(sent.size(), 1); // the keep flag's copy
        QCOMPARE(m_account->histories.to.front(), QStringLiteral("sato@example.com"));
    }

    // A send refused before or by the server leaves the window, the stored message, the outbox and
    // the operation as they were, and says why ("%1": the attachment that cannot be read).
    void sendRefusedKeepsEverything_data()
    {
        QTest::addColumn<Refusal>("refusal");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("whole"); ///< the message is all of the text, else a part of it
        QTest::addColumn<QString>("title");
        QTest::newRow("another operation runs") << Refusal::OtherOperation
                                                << QStringLiteral("現在メール受信中のため、この操作は中止します") << true
                                                << QString();
        QTest::newRow("server unreachable") << Refusal::NoServer << QStringLiteral("メールサーバーにつながりませんでした")
                                            << false << QString();
        const QString unreadable = QStringLiteral("次の添付ファイルが見つからないか、読み込めません。\r\n%1");
        QTest::newRow("attachment gone") << Refusal::AttachmentGone << unreadable << true
                                         << QStringLiteral("添付ファイルの確認");
        QTest::newRow("attachment is a folder") << Refusal::AttachmentIsFolder << unreadable << true
                                                << QStringLiteral("添付ファイルの確認");
        const QString badRecipient = QStringLiteral("宛先のメールアドレスが正しくありません");
        QTest::newRow("recipient with TAB and a bcc marker") << Refusal::RecipientWithTab << badRecipient << false
                                                             << QString();
        QTest::newRow("recipient with a line break and a header") << Refusal::RecipientWithHeader << badRecipient
                                                                  << false << QString();
    }
    void sendRefusedKeepsEverything()
    {
        QFETCH(Refusal, refusal);
        QFETCH(QString, message);
        QFETCH(bool, whole);
        QFETCH(QString, title);
        const QString name = QStringLiteral("20261201-090000.txt");
        const QString out = m_account->paths.outputDir;
        m_account->queue(out, name, QStringLiteral("sato@example.com"), QStringLiteral("s"));
        ComposeController controller(services());
        ComposeContent content;
        controller.open(ComposeMode::EditStored, out, name, Outbox, readBack(out, name), content);
        const QString good = m_account->dir.filePath(QStringLiteral("ok.txt"));
        test::writeBytes(good, "ok");
        QDir().mkpath(m_account->dir.filePath(QStringLiteral("folder")));
        QString bad;
        transfer::Operation running = transfer::Operation::Idle;
        switch (refusal) {
        case Refusal::OtherOperation:
            running = transfer::Operation::Receiving;
            QVERIFY(m_guard->AcquireOperation(running));
            break;
        case Refusal::NoServer:
            m_account->properties.smtpPort = test::freePorts(1).first(); // nobody listens there
            break;
        case Refusal::AttachmentGone:
        case Refusal::AttachmentIsFolder:
            bad = m_account->dir.filePath(refusal == Refusal::AttachmentGone ? QStringLiteral("gone.pdf")
                                                                             : QStringLiteral("folder"));
            content.attachments = good + QStringLiteral(", ") + bad + QStringLiteral("|名前.pdf");
            break;
        case Refusal::RecipientWithTab:
            content.to = QStringLiteral("sato@example.com\tbcc\tevil@example.jp");
            break;
        case Refusal::RecipientWithHeader:
            content.to = QStringLiteral("sato@example.com\r\nBcc: evil@example.jp");
            break;
        }
        const ComposeContent before = content;
        QCOMPARE(sendAndWait(controller, content), Outcome::StayOpen);
        QCOMPARE(content, before);
        QCOMPARE(m_account->prompts.messages.size(), 1);
        if (whole)
            QCOMPARE(messageText(), bad.isEmpty() ? message : message.arg(bad));
        else
            QVERIFY2(messageText().contains(message), qPrintable(messageText()));
        QCOMPARE(m_account->prompts.messages.value(0).title, title);
        QCOMPARE(m_guard->CurrentOperation(), running);
        QVERIFY(m_servers.takeReceived().isEmpty());
        QVERIFY(QFileInfo::exists(out + name));
        QVERIFY(!entry(Outbox, name).isEmpty());
        QCOMPARE(controller.mailName(), name);
    }

    void subjectStaysOneHeaderLine()
    {
        ComposeController controller(services());
        ComposeContent content;
        content.to = QStringLiteral("sato@example.com");
        content.subject = QStringLiteral("Hi\r\nBcc: evil@example.jp");
        QCOMPARE(sendAndWait(controller, content), Outcome::Close);
        const QList<ReceivedMail> received = m_servers.takeReceived();
        QCOMPARE(received.size(), 1);
        QVERIFY2(received[0].data.contains("\r\nSubject: Hi Bcc: evil@example.jp\r\nTo: "), received[0].data.constData());
        QVERIFY(!received[0].data.contains("\r\nBcc:"));
        QCOMPARE(received[0].envelope.value(QStringLiteral("rcpt_tos")).toArray().size(), 1);
    }

    void redirectSendsTheStoredMessage_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QVariantList>("recipients");
        QTest::newRow("one address typed") << QStringLiteral("sato@example.com") << QVariantList{"sato@example.com"};
        QTest::newRow("nothing typed") << QString() << QVariantList();
    }
    void redirectSendsTheStoredMessage()
    {
        QFETCH(QString, typed);
        QFETCH(QVariantList, recipients);
        const QByteArray original = "From: yamada@example.jp\r\nTo: taro@example.jp\r\nSubject: orig\r\n\r\n元の本文\r\n";
        const QString stored = m_account->paths.inputDir + QStringLiteral("m1.eml");
        test::writeBytes(stored, original);
        ComposeController controller(services());
        ComposeContent content;
        controller.open(ComposeMode::Redirect, kRedirectMarker + stored, QString(), QString(), {}, content);
        content.to = typed;
        content.body = kRedirectBody;
        const Outcome outcome = sendAndWait(controller, content);
        const QList<ReceivedMail> received = m_servers.takeReceived();
        if (recipients.isEmpty()) { // the redirect command alone names nobody to send to
            QCOMPARE(outcome, Outcome::StayOpen);
            QVERIFY(received.isEmpty());
            return;
        }
        QCOMPARE(outcome, Outcome::Close);
        QCOMPARE(received.size(), 1);
        QVERIFY(received[0].data.startsWith("Resent-From: "));
        QVERIFY(received[0].data.endsWith(original));
        QCOMPARE(received[0].envelope.value(QStringLiteral("rcpt_tos")).toArray().toVariantList(), recipients);
        // The drop-down offers what was typed, never the redirect command.
        QCOMPARE(m_account->histories.to.front(), typed);
        QVERIFY(!m_account->histories.to.at(1).startsWith(kRedirectMarker));
    }

    void storedRedirectKeepsItsCommand()
    {
        ComposeController controller(services());
        ComposeContent content;
        controller.open(ComposeMode::Redirect, QStringLiteral(">#xfr /in/m1.eml"), QString(), QString(), {}, content);
        content.to = QStringLiteral("sato@example.com");
        QCOMPARE(controller.store(StoreTarget::Outbox, content), Outcome::Close);
        QCOMPARE(readBack(m_account->paths.outputDir, controller.mailName()).to,
                 QStringLiteral(">#xfr /in/m1.eml, sato@example.com"));
    }

    void windowRefilledWhileSendingStaysOpen()
    {
        const QString name = QStringLiteral("20261201-090000.txt");
        m_account->queue(m_account->paths.outputDir, name, QStringLiteral("sato@example.com"), QStringLiteral("s"));
        ComposeController controller(services());
        ComposeContent content;
        controller.open(ComposeMode::EditStored, m_account->paths.outputDir, name, Outbox,
                        readBack(m_account->paths.outputDir, name), content);
        RefillingNotice notice;
        ComposeContent refilled;
        notice.onShow = [&] { controller.open(ComposeMode::New, QString(), QString(), QString(), {}, refilled); };
        m_notice = &notice;
        QCOMPARE(sendAndWait(controller, content), Outcome::StayOpen);
        // What was sent left the outbox all the same.
        QVERIFY(!QFileInfo::exists(m_account->paths.outputDir + name));
        QVERIFY(entry(Outbox, name).isEmpty());
    }

    void closingAsksOnlyWhenChanged_data()
    {
        QTest::addColumn<bool>("typed");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("closing");
        QTest::addColumn<int>("drafts");
        QTest::newRow("untouched") << false << int(platform::Answer::Cancel) << int(Closing::Close) << 0;
        QTest::newRow("保存") << true << int(platform::Answer::Save) << int(Closing::CloseStored) << 1;
        QTest::newRow("破棄") << true << int(platform::Answer::Discard) << int(Closing::Close) << 0;
        QTest::newRow("キャンセル") << true << int(platform::Answer::Cancel) << int(Closing::StayOpen) << 0;
    }
    void closingAsksOnlyWhenChanged()
    {
        QFETCH(bool, typed);
        QFETCH(int, answer);
        QFETCH(int, closing);
        QFETCH(int, drafts);
        ComposeController controller(services());
        ComposeContent content = filled();
        controller.open(ComposeMode::New, QString(), QString(), QString(), {}, content);
        if (typed)
            content.subject = QStringLiteral("書きかけ");
        m_account->prompts.answerNext(platform::Answer(answer));
        QCOMPARE(int(controller.confirmClose(content)), closing);
        QCOMPARE(m_account->prompts.messages.size(), typed ? 1 : 0);
        if (typed) {
            QCOMPARE(messageText(), QStringLiteral("編集中のメールを下書きに保存しますか？"));
            QCOMPARE(m_account->prompts.messages.at(0).buttons, platform::Buttons::SaveDiscardCancel);
        }
        const QStringList files = QDir(m_account->paths.draftDir).entryList(QDir::Files);
        QCOMPARE(files.size(), drafts);
        if (drafts)
            QCOMPARE(entry(Drafts, files.first()), QStringLiteral("000		書きかけ	2026/12/05 10:00:00"));
    }

    void whatCallersFillInOrStoreIsNoChange()
    {
        ComposeController controller(services());
        ComposeContent content;
        ComposeFields reply;
        reply.to = QStringLiteral("yamada@example.jp");
        reply.body = QStringLiteral(">引用\n>");
        controller.setFields(content, reply);
        content.body = QStringLiteral(">引用\r\n>"); // as the window gives the body back
        QVERIFY(!controller.changedSinceOpened(content));
        controller.addMailto(content, storage::ParseMailtoCommandLine(QStringLiteral("mailto:a@x?subject=件")));
        QVERIFY(!controller.changedSinceOpened(content));
        content.subject = QStringLiteral("書き直した件名");
        QVERIFY(controller.changedSinceOpened(content));
        // A caller filling another field leaves the typed subject unsaved.
        ComposeFields forward;
        forward.attachments = QStringLiteral("/in/m1.eml|転送.eml");
        controller.setFields(content, forward);
        QVERIFY(controller.changedSinceOpened(content));
        QCOMPARE(controller.store(StoreTarget::Drafts, content), Outcome::Close);
        QVERIFY(!controller.changedSinceOpened(content));
    }

    void mailtoFieldsAddToTheWindow_data()
    {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QString>("body");
        QTest::newRow("to an empty window") << QStringLiteral("mailto:a@x?subject=件&body=本文") << QStringLiteral("a@x")
                                            << QStringLiteral("件") << QStringLiteral("本文");
        QTest::newRow("to a window with text")
            << QStringLiteral("mailto:a@x?subject=件&body=本文") << QStringLiteral("t@x, a@x") << QStringLiteral("元の件名")
            << QStringLiteral("本文\r\n元の本文");
        QTest::newRow("to new mail with a signature")
            << QStringLiteral("mailto:a@x?body=本文") << QStringLiteral("a@x") << QString()
            << QStringLiteral("本文\r\n\r\n署名");
    }
    void mailtoFieldsAddToTheWindow()
    {
        QFETCH(QString, commandLine);
        QFETCH(QString, to);
        QFETCH(QString, subject);
        QFETCH(QString, body);
        ComposeContent content;
        if (QTest::currentDataTag() == QLatin1String("to a window with text")) {
            content.to = QStringLiteral("t@x");
            content.subject = QStringLiteral("元の件名");
            content.body = QStringLiteral("元の本文");
        } else if (QTest::currentDataTag() == QLatin1String("to new mail with a signature")) {
            content.body = QStringLiteral("\r\n\r\n署名");
        }
        addMailtoFields(content, storage::ParseMailtoCommandLine(commandLine));
        QCOMPARE(content.to, to);
        QCOMPARE(content.subject, subject);
        QCOMPARE(content.body, body);
    }
};

QTEST_GUILESS_MAIN(TestComposeController)
#include "test_compose_controller.moc"
