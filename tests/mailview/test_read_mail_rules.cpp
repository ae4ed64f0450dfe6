// The read window's rules without a window: opening, header view, reply texts, forwarding,
// attachments and the sender's address-book state, on real message files.
#include "addressbook/AddressTable.h"
#include "mailview/core/ReadMailController.h"
#include "mailview/core/ReplyText.h"
#include "mailview/core/SenderName.h"
#include "platform/Cp932.h"
#include "support/RecordingPrompts.h"
#include "support/SampleMail.h"
#include "support/ScriptedReadingDialogs.h"
#include "support/TestFiles.h"
#include "transfer/StoredMail.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace fumibako;
using namespace fumibako::mailview;
using fumibako::test::SampleAttachment;

namespace {

const QList<SampleAttachment> kTwoAttachments{{QStringLiteral("議事録.txt"), "minutes\r\n"},
                                              {QStringLiteral("見積書（最終版）.pdf"), QByteArray("%PDF-1.4 fake", 13)}};

const QList<addressbook::AddressEntry> kBook{
    {QStringLiteral("Root"), QStringLiteral("佐藤"), QStringLiteral("sato@example.jp"), QString()},
    {QStringLiteral("Root\\仕事"), QStringLiteral("山田さん"), QStringLiteral("yamada@example.jp"), QStringLiteral("上司")},
    {QStringLiteral("Root\\仕事"), QStringLiteral("山田2"), QStringLiteral("yamada@example.jp"), QString()}};

} // namespace

class TestReadMailRules : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_data;
    std::unique_ptr<QTemporaryDir> m_work;
    test::RecordingPrompts m_prompts;
    test::ScriptedReadingDialogs m_dialogs;
    test::RecordingComposeLauncher m_composer;
    transfer::CurrentMail m_mail;
    std::unique_ptr<ReadMailController> m_read;

    QString programDir() const { return m_data->path() + QLatin1Char('/'); }
    QString inbox() const { return programDir() + QStringLiteral("input/"); }
    QString workDir() const { return m_work->path() + QLatin1Char('/'); }

    void store(const QString& name, const QByteArray& bytes) { test::writeBytes(inbox() + name, bytes); }
    void openSample(const QString& name = QStringLiteral("m1.eml"))
    {
        store(name, test::japaneseMail(kTwoAttachments));
        QVERIFY(m_read->openStored(inbox(), name));
    }

private Q_SLOTS:
    void init()
    {
        m_data = std::make_unique<QTemporaryDir>();
        m_work = std::make_unique<QTemporaryDir>();
        m_prompts = {};
        m_dialogs = {};
        m_composer = {};
        m_mail = {};
        addressbook::RebuildAddressTable({});
        m_read = std::make_unique<ReadMailController>(
            ReadMailContext{m_prompts, m_dialogs, m_mail, m_composer, programDir(), workDir(),
                            [] { return QStringLiteral("me@example.jp"); }});
        m_read->windowLoaded();
    }

    void quoting_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("quoted");
        QTest::newRow("three lines") << "a\r\nb\r\nc" << ">a\r\n>b\r\n>c";
        QTest::newRow("final line break gives a last '>'") << "a\r\nb\r\nc\r\n" << ">a\r\n>b\r\n>c\r\n>";
        QTest::newRow("empty lines") << "a\r\n\r\n\r\nb" << ">a\r\n>\r\n>\r\n>b";
        QTest::newRow("empty text") << "" << ">";
        QTest::newRow("already quoted") << "> x\r\n>> y" << ">> x\r\n>>> y";
        QTest::newRow("lone LF and CR are no line break") << "a\nb\rc" << ">a\nb\rc";
    }
    void quoting()
    {
        QFETCH(QString, text);
        QTEST(quoteForReply(text), "quoted");
    }

    void quotingASeveralMegabyteBody()
    {
        // Line breaks far beyond position 32,767: every line is quoted, nothing is cut.
        QString body;
        for (int i = 0; body.size() < 4 * 1024 * 1024; ++i)
            body += QStringLiteral("本文の行 %1 です。\r\n").arg(i);
        const QString quoted = quoteForReply(body);
        const qsizetype lines = body.count(QStringLiteral("\r\n")) + 1;
        QCOMPARE(quoted.size(), body.size() + lines);
        QCOMPARE(quoted.count(QStringLiteral("\r\n>")), lines - 1);
        QVERIFY(quoted.endsWith(QStringLiteral("です。\r\n>")));
        QCOMPARE(QString(quoted).remove(QLatin1Char('>')), body); // the body has no '>' of its own
    }

    void senderName_data()
    {
        QTest::addColumn<bool>("bookExists");
        QTest::addColumn<QString>("sender");
        QTest::addColumn<QString>("name");
        QTest::newRow("address in angle brackets, first match") << true << "山田 太郎 <yamada@example.jp>" << "山田さん";
        QTest::newRow("bare address") << true << "sato@example.jp" << "佐藤";
        QTest::newRow("case differs") << true << "SATO@example.jp" << "未登録";
        QTest::newRow("not in the book") << true << "x <other@example.jp>" << "未登録";
        QTest::newRow("'<' without '>'") << true << "山田 <yamada@example.jp" << "山田さん";
        QTest::newRow("no address book file") << false << "sato@example.jp" << "未登録";
    }
    void senderName()
    {
        QFETCH(bool, bookExists);
        QFETCH(QString, sender);
        if (bookExists)
            QVERIFY(addressbook::SaveAddressBook(programDir(), kBook));
        QTEST(SenderName(programDir(), kBook, sender), "name");
    }

    void forwardEntry_data()
    {
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QString>("entry");
        QTest::newRow("subject") << "会議" << "/m/a.eml|転送[会議].eml";
        QTest::newRow("empty subject") << "" << "/m/a.eml|転送[noSubject].eml";
        QTest::newRow("', ' would split the list") << "A, B, C" << "/m/a.eml|転送[A,B,C].eml";
    }
    void forwardEntry()
    {
        QFETCH(QString, subject);
        QTEST(forwardAttachmentEntry(QStringLiteral("/m/a.eml"), subject), "entry");
    }

    void openingReadsTheMessageOnce()
    {
        QVERIFY(addressbook::SaveAddressBook(programDir(), kBook));
        addressbook::RebuildAddressTable(kBook);
        test::writeBytes(workDir() + QStringLiteral("議事録.txt"), "the preview's copy");
        openSample();
        const ReadMailView& view = m_read->view();
        QCOMPARE(view.subject, QStringLiteral("会議資料の送付"));
        QCOMPARE(view.from, QStringLiteral("山田 太郎 <yamada@example.jp>"));
        QCOMPARE(view.to, QStringLiteral("taro@example.jp"));
        QVERIFY2(view.body.startsWith(test::japaneseMailBody()), qPrintable(view.body));
        QCOMPARE(view.messagePath, inbox() + QStringLiteral("m1.eml"));
        // Own names, though a file of that name lay in the work folder; no copy is left behind.
        QCOMPARE(view.attachments, (QStringList{QStringLiteral("議事録.txt"), QStringLiteral("見積書（最終版）.pdf")}));
        QCOMPARE(QDir(workDir()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{QStringLiteral("議事録.txt")});
        QCOMPARE(view.senderCaption, QStringLiteral("山田さん"));
        QVERIFY(view.replyEnabled);
        QCOMPARE(m_mail.mailName, QStringLiteral("m1.eml"));
        QVERIFY(m_prompts.messages.isEmpty());
    }

    void unreadableFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // empty: the file is missing
        QTest::newRow("vanished") << QByteArray();
        QTest::newRow("empty file") << QByteArray("");
        QTest::newRow("binary junk") << QByteArray("\x00\x01\x02\xff junk", 10);
    }
    void unreadableFiles()
    {
        QFETCH(QByteArray, bytes);
        openSample();
        const ReadMailView before = m_read->view();
        if (!bytes.isNull())
            store(QStringLiteral("bad.eml"), bytes);
        QVERIFY(!m_read->openStored(inbox(), QStringLiteral("bad.eml")));
        QCOMPARE(m_prompts.messages.size(), 1);
        QCOMPARE(m_prompts.messages[0].text, QStringLiteral("メールを読み込めませんでした。\r\n") + inbox() + "bad.eml");
        QCOMPARE(m_prompts.messages[0].icon, platform::Icon::Exclamation);
        // The window keeps showing the message it showed, under its own path.
        QCOMPARE(m_read->view().messagePath, before.messagePath);
        QCOMPARE(m_read->view().body, before.body);
    }

    void brokenMimeStillOpens()
    {
        store(QStringLiteral("broken.eml"), "From: a@example.jp\r\nSubject: broken\r\nMIME-Version: 1.0\r\n"
                                            "Content-Type: multipart/mixed; boundary=\"B\"\r\n\r\n"
                                            "--B\r\nContent-Type: text/plain\r\n\r\nfirst part\r\n"
                                            "--B\r\nContent-Type: application/octet-stream; name=\"x.bin\"\r\n"
                                            "Content-Transfer-Encoding: base64\r\n\r\n@@not base64@@");
        QVERIFY(m_read->openStored(inbox(), QStringLiteral("broken.eml")));
        QCOMPARE(m_read->view().subject, QStringLiteral("broken"));
        QVERIFY(m_read->view().body.contains(QStringLiteral("first part")));
    }

    void headerView()
    {
        openSample();
        const QString body = m_read->view().body;
        m_read->toggleHeader();
        QVERIFY(m_read->view().headerShown);
        const QString header = m_read->view().body;
        QVERIFY2(header.startsWith(QStringLiteral("From: 山田 太郎 <yamada@example.jp>\r\n")), qPrintable(header));
        QVERIFY(header.contains(QStringLiteral("\r\nSubject: 会議資料の送付\r\n")));
        QVERIFY(header.endsWith(QStringLiteral("\r\n")));
        m_read->toggleHeader();
        QCOMPARE(m_read->view().body, body);
        m_read->toggleHeader();
        QCOMPARE(m_read->view().body, header); // kept, not read again

        // Refilled with another message while the header shows: the next toggle only unchecks.
        store(QStringLiteral("m2.eml"), "From: b@example.jp\r\nSubject: second\r\n\r\nsecond body\r\n");
        QVERIFY(m_read->openStored(inbox(), QStringLiteral("m2.eml")));
        QVERIFY(m_read->view().headerShown);
        m_read->toggleHeader();
        QVERIFY(!m_read->view().headerShown);
        QCOMPARE(m_read->view().body, QStringLiteral("second body\r\n"));
        m_read->toggleHeader();
        QCOMPARE(m_read->view().body, QStringLiteral("From: b@example.jp\r\nSubject: second\r\n"));
    }

    void reply_data()
    {
        QTest::addColumn<bool>("quoteSubject");
        QTest::addColumn<bool>("quoteBody");
        QTest::addColumn<bool>("header");
        QTest::newRow("To only") << false << false << false;
        QTest::newRow("subject") << true << false << false;
        QTest::newRow("body") << false << true << false;
        QTest::newRow("both, header shown") << true << true << true;
    }
    void reply()
    {
        QFETCH(bool, quoteSubject);
        QFETCH(bool, quoteBody);
        QFETCH(bool, header);
        openSample();
        if (header)
            m_read->toggleHeader();
        m_read->quoteSubject = quoteSubject;
        m_read->quoteBody = quoteBody;
        QVERIFY(m_read->reply());
        QCOMPARE(m_composer.shown.size(), 1);
        const compose::ComposeFields& fields = m_composer.shown[0];
        QCOMPARE(fields.to, std::optional<QString>(QStringLiteral("山田 太郎 <yamada@example.jp>")));
        QCOMPARE(fields.subject, quoteSubject ? std::optional<QString>(QStringLiteral("Re:会議資料の送付")) : std::nullopt);
        QCOMPARE(fields.body, quoteBody ? std::optional<QString>(quoteForReply(m_read->view().body)) : std::nullopt);
        if (quoteBody)
            QVERIFY(fields.body->startsWith(header ? QStringLiteral(">From: ") : QStringLiteral(">鈴木様\r\n>いつも")));
        QVERIFY(!fields.cc && !fields.bcc && !fields.attachments);
        QVERIFY(m_composer.opened.isEmpty());
    }

    // The account's own address is me@example.jp.
    void replyToAll_data()
    {
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("cc");
        QTest::newRow("To the sender, CC the others")
            << QByteArray("From: =?UTF-8?B?5bGx55Sw?= <yamada@example.jp>\r\nTo: me@example.jp, sato@example.jp\r\n"
                          "Cc: =?UTF-8?B?6Yi05pyo?= <suzuki@example.jp>\r\n")
            << "山田 <yamada@example.jp>" << "sato@example.jp, 鈴木 <suzuki@example.jp>";
        QTest::newRow("Reply-To is To")
            << QByteArray("From: yamada@example.jp\r\nReply-To: list@ml.example.jp\r\nTo: list@ml.example.jp\r\n")
            << "list@ml.example.jp" << "";
        QTest::newRow("own address in other letter case")
            << QByteArray("From: yamada@example.jp\r\nTo: Me@Example.JP\r\nCc: sato@example.jp\r\n")
            << "yamada@example.jp" << "sato@example.jp";
        QTest::newRow("duplicates and the sender left out")
            << QByteArray("From: yamada@example.jp\r\nTo: sato@example.jp, YAMADA@example.jp\r\nCc: Sato <SATO@EXAMPLE.JP>\r\n")
            << "yamada@example.jp" << "sato@example.jp";
        QTest::newRow("a group label names no one")
            << QByteArray("From: yamada@example.jp\r\nTo: undisclosed-recipients:;\r\n") << "yamada@example.jp" << "";
        QTest::newRow("a comma in a name stays one entry")
            << QByteArray("From: yamada@example.jp\r\nTo: \"Sato, Hanako\" <hanako@example.jp>, me@example.jp\r\n")
            << "yamada@example.jp" << "\"Sato,Hanako\" <hanako@example.jp>";
        QTest::newRow("a sender whose name holds a comma")
            << QByteArray("From: \"Yamada, Taro\" <yamada@example.jp>\r\nTo: me@example.jp\r\n")
            << "\"Yamada,Taro\" <yamada@example.jp>" << "";
    }
    void replyToAll()
    {
        QFETCH(QByteArray, header);
        QFETCH(QString, to);
        QFETCH(QString, cc);
        store(QStringLiteral("a.eml"), header + "Subject: s\r\nMessage-ID: <m@x.jp>\r\n\r\nbody\r\n");
        QVERIFY(m_read->openStored(inbox(), QStringLiteral("a.eml")));
        m_read->quoteSubject = true;
        QVERIFY(m_read->replyToAll());
        const compose::ComposeFields& fields = m_composer.shown.value(0);
        QCOMPARE(fields.to, std::optional(to));
        QCOMPARE(fields.cc, std::optional(cc));
        // Otherwise as a reply: the quoting asked for and the references.
        QCOMPARE(fields.subject, std::optional<QString>(QStringLiteral("Re:s")));
        QVERIFY(!fields.body);
        QCOMPARE(fields.reply, std::optional(platform::mail::ReplyReferences{"<m@x.jp>", "<m@x.jp>"}));
    }

    // A reply names the message it answers and the chain before it (RFC 5322 3.6.4).
    void replyReferences_data()
    {
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<QString>("inReplyTo");
        QTest::addColumn<QString>("references");
        QTest::newRow("a first message") << QByteArray("Message-ID: <m@x.jp>\r\n") << "<m@x.jp>" << "<m@x.jp>";
        QTest::newRow("folded References, then the id")
            << QByteArray("References: <r1@x.jp>\r\n\t<r2@x.jp> (old)\r\nMessage-Id: <m@x.jp>\r\n")
            << "<m@x.jp>" << "<r1@x.jp> <r2@x.jp> <m@x.jp>";
        QTest::newRow("no References: the one In-Reply-To")
            << QByteArray("In-Reply-To: <p@x.jp>\r\nMessage-ID: <m@x.jp>\r\n") << "<m@x.jp>" << "<p@x.jp> <m@x.jp>";
        QTest::newRow("In-Reply-To naming two is no chain")
            << QByteArray("In-Reply-To: <p@x.jp> <q@x.jp>\r\nMessage-ID: <m@x.jp>\r\n") << "<m@x.jp>" << "<m@x.jp>";
        QTest::newRow("no Message-ID") << QByteArray("References: <r@x.jp>\r\n") << "" << "<r@x.jp>";
    }
    void replyReferences()
    {
        QFETCH(QByteArray, header);
        QFETCH(QString, inReplyTo);
        QFETCH(QString, references);
        store(QStringLiteral("r.eml"), "From: a@x.jp\r\nSubject: s\r\n" + header + "\r\nbody\r\n");
        QVERIFY(m_read->openStored(inbox(), QStringLiteral("r.eml")));
        QVERIFY(m_read->reply());
        QCOMPARE(m_composer.shown.value(0).reply, std::optional(platform::mail::ReplyReferences{inReplyTo, references}));
    }

    void redirectAndForward()
    {
        openSample();
        QVERIFY(m_read->redirect());
        QCOMPARE(m_composer.opened.size(), 1);
        const test::RecordingComposeLauncher::Opened& opened = m_composer.opened[0];
        QCOMPARE(opened.mode, compose::ComposeMode::Redirect);
        QCOMPARE(opened.path, QStringLiteral(">#xfr ") + inbox() + QStringLiteral("m1.eml"));
        QVERIFY(opened.name.isEmpty() && opened.section.isEmpty());
        QCOMPARE(opened.fields.body, std::optional<QString>(QStringLiteral("編集できません")));
        QCOMPARE(opened.fields.subject, std::optional<QString>(QStringLiteral("会議資料の送付")));
        QVERIFY(!opened.fields.reply);

        QVERIFY(m_read->forwardAsAttachment());
        QCOMPARE(m_composer.shown.size(), 1);
        QCOMPARE(m_composer.shown[0].attachments,
                 std::optional<QString>(inbox() + QStringLiteral("m1.eml|転送[会議資料の送付].eml")));
        QVERIFY(!m_composer.shown[0].to && !m_composer.shown[0].subject && !m_composer.shown[0].body);
        QVERIFY(!m_composer.shown[0].reply);
    }

    void receivedFromTheServerList()
    {
        store(QStringLiteral("r1.eml"), test::japaneseMail(kTwoAttachments));
        QVERIFY(transfer::ReadStoredMail(m_mail, transfer::StoredMailKind::Received, inbox(), QStringLiteral("r1.eml"), workDir()));
        QCOMPARE(QDir(workDir()).entryList(QDir::Files).size(), 2);
        m_read->showReceived();
        QCOMPARE(m_read->view().attachments.size(), 2);
        QVERIFY(QDir(workDir()).entryList(QDir::Files).isEmpty());
        QCOMPARE(m_read->view().messagePath, inbox() + QStringLiteral("r1.eml"));
        QVERIFY(!m_read->view().replyEnabled);
        QVERIFY(!m_read->reply() && !m_read->redirect() && !m_read->forwardAsAttachment());
        QVERIFY(m_composer.shown.isEmpty() && m_composer.opened.isEmpty());
    }

    void savingAttachments()
    {
        openSample();
        const QString target = programDir() + QStringLiteral("saved/");
        test::writeBytes(target + QStringLiteral("議事録.txt"), "older file");
        m_dialogs.folders.enqueue(target);
        m_read->saveAttachments();
        QCOMPARE(test::readBytes(target + QStringLiteral("議事録.txt")), QByteArray("older file"));
        QCOMPARE(test::readBytes(target + QStringLiteral("議事録 (2).txt")), QByteArray("minutes\r\n"));
        QCOMPARE(test::readBytes(target + QStringLiteral("見積書（最終版）.pdf")), QByteArray("%PDF-1.4 fake"));
        QVERIFY(m_prompts.messages.isEmpty());

        m_read->saveAttachments(); // cancelled
        QCOMPARE(QDir(target).entryList(QDir::Files).size(), 3);
        QVERIFY(m_prompts.messages.isEmpty());
    }

    void attachmentFolderThatCannotBeWritten()
    {
        openSample();
        test::writeBytes(programDir() + QStringLiteral("plainfile"), "x");
        const QString folder = programDir() + QStringLiteral("plainfile/sub");
        m_dialogs.folders.enqueue(folder);
        m_read->saveAttachments();
        QCOMPARE(m_prompts.messages.size(), 1);
        QCOMPARE(m_prompts.messages[0].text, QStringLiteral("添付ファイルを保存できませんでした（2 個中 0 個を保存しました）。\r\n")
                                                 + folder + QStringLiteral("\r\nフォルダに書き込めるか確かめてください。"));

        QVERIFY(QFile::remove(m_read->view().messagePath));
        m_dialogs.folders.enqueue(programDir());
        m_read->saveAttachments();
        QCOMPARE(m_prompts.messages.size(), 2);
        QVERIFY(m_prompts.messages[1].text.startsWith(QStringLiteral("メールを読み込めなかったため")));
    }

    void quickAdd()
    {
        QVERIFY(addressbook::SaveAddressBook(programDir(), kBook));
        addressbook::RebuildAddressTable(kBook);
        store(QStringLiteral("m1.eml"), "From: Kimura <kimura@example.jp>\r\nSubject: s\r\n\r\nb\r\n");
        QVERIFY(m_read->openStored(inbox(), QStringLiteral("m1.eml")));
        QCOMPARE(m_read->view().senderCaption, QStringLiteral("未登録"));

        m_dialogs.texts.enqueue(QString()); // an empty name adds nothing
        m_read->addSenderToAddressBook();
        m_read->addSenderToAddressBook(); // cancelled
        QCOMPARE(addressbook::AddressTable::instance().count(), 3);

        m_dialogs.texts.enqueue(QStringLiteral("木村"));
        m_read->addSenderToAddressBook();
        QCOMPARE(m_dialogs.asked.first(), QStringLiteral("アドレス帳に追加|表示名を入力してください"));
        QCOMPARE(test::readBytes(programDir() + QStringLiteral("Address.txt")),
                 test::cp932Lines(QStringLiteral("1.1\nRoot\t木村\tkimura@example.jp\t\nRoot\t佐藤\tsato@example.jp\t\n"
                                                 "Root\\仕事\t山田さん\tyamada@example.jp\t上司\nRoot\\仕事\t山田2\tyamada@example.jp\t\n")));
        QCOMPARE(m_read->view().senderCaption, QStringLiteral("木村"));
        QCOMPARE(addressbook::AddressTable::instance().count(), 4);
        QVERIFY(m_read->openStored(inbox(), QStringLiteral("m1.eml")));
        QCOMPARE(m_read->view().senderCaption, QStringLiteral("木村"));
        QVERIFY(m_prompts.messages.isEmpty());
    }

    void quickAddThatCannotWrite()
    {
        QVERIFY(QDir().mkpath(programDir() + QStringLiteral("Address.txt"))); // a folder where the file belongs
        store(QStringLiteral("m1.eml"), "From: k@example.jp\r\nSubject: s\r\n\r\nb\r\n");
        QVERIFY(m_read->openStored(inbox(), QStringLiteral("m1.eml")));
        m_dialogs.texts.enqueue(QStringLiteral("木村"));
        m_read->addSenderToAddressBook();
        QCOMPARE(m_prompts.messages.size(), 1);
        QVERIFY(m_prompts.messages[0].text.startsWith(QStringLiteral("アドレス帳に書き込めませんでした。\r\n")));
        QCOMPARE(m_read->view().senderCaption, QStringLiteral("未登録"));
    }
};

QTEST_GUILESS_MAIN(TestReadMailRules)
#include "test_read_mail_rules.moc"
