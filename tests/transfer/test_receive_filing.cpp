#include "ReceiveFixture.h"
#include "filing/FilingLog.h"
#include "filing/JunkFilter.h"
#include "filing/RuleFile.h"
#include "support/TestFiles.h"

#include <QtTest>

#include <memory>

using namespace fumibako::filing;
using namespace fumibako::transfer;
using fumibako::storage::ReceiveMethod;
using fumibako::test::MailServers;
using fumibako::test::ReceiveFixture;

namespace {

const QString kImportant = QStringLiteral("受信BOX\\重要");
const QString kPartners = QStringLiteral("受信BOX\\取引先");
const QString kNotices = QStringLiteral("受信BOX\\案内");
const QString kCopies = QStringLiteral("受信BOX\\写し");
const QString kTests = QStringLiteral("受信BOX\\テスト");
const QString kGone = QStringLiteral("受信BOX\\消えた");

Condition textCondition(ConditionField field, const QString& key, MatchType match = MatchType::Contains)
{
    Condition condition;
    condition.field = field;
    condition.match = match;
    condition.keys = {key};
    return condition;
}

Rule rule(const QString& name, const QList<Condition>& conditions, const QList<Action>& actions)
{
    Rule made;
    made.name = name;
    made.conditions = conditions;
    made.actions = actions;
    return made;
}

// Rules written in Japanese, each for one of the sample messages, whatever its charset.
RuleList sampleRules()
{
    Condition domain = textCondition(ConditionField::Address, QStringLiteral("EXAMPLE.JP"), MatchType::Is);
    domain.headerNames = {QStringLiteral("From")};
    domain.addressPart = AddressPart::Domain;
    return {
        rule(QStringLiteral("重要"), {textCondition(ConditionField::Subject, QStringLiteral("(株)"))},
             {{ActionKind::Flag, QString()}, {ActionKind::Move, kImportant}}),
        rule(QStringLiteral("伊藤さん"), {textCondition(ConditionField::From, QStringLiteral("伊藤"))},
             {{ActionKind::MarkRead, QString()}, {ActionKind::Move, kPartners}}),
        rule(QStringLiteral("案内"), {domain, textCondition(ConditionField::Subject, QStringLiteral("ご案内"), MatchType::Is)},
             {{ActionKind::Copy, kCopies}, {ActionKind::Move, kNotices}}),
        rule(QStringLiteral("半角のテスト"), {textCondition(ConditionField::Body, QStringLiteral("ﾃｽﾄ"))},
             {{ActionKind::Move, kTests}}),
        rule(QStringLiteral("HTML"), {textCondition(ConditionField::Body, QStringLiteral("二行目"))},
             {{ActionKind::Trash, QString()}}),
        rule(QStringLiteral("古いルール"), {textCondition(ConditionField::Subject, QStringLiteral("日本語"))},
             {{ActionKind::Move, kGone}}),
    };
}

QByteArray sample(const QString& name)
{
    return fumibako::test::readBytes(QStringLiteral(MAIL_SAMPLES "/") + name);
}

// The bytes without the line ends a server may add or change.
QByteArray comparable(QByteArray bytes)
{
    return bytes.replace("\r\n", "\n").trimmed();
}

const QStringList kSamples = {QStringLiteral("iso2022jp_nec.eml"), QStringLiteral("sjis_qp.eml"),
                              QStringLiteral("eucjp.eml"),         QStringLiteral("sjis_undeclared.eml"),
                              QStringLiteral("html_only.eml"),     QStringLiteral("utf8_base64.eml"),
                              QStringLiteral("multipart_attach.eml")};

QByteArray junkMessage(int n)
{
    return QStringLiteral("From: 事務局 <win%1@prize.example.com>\r\nSubject: 【当選】賞金%1万円をお受け取りください\r\n"
                          "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=UTF-8\r\n\r\n"
                          "おめでとうございます！ご当選されました。今すぐ受け取り手続きを。未払い料金の確認 %1\r\n")
        .arg(n).toUtf8();
}

QByteArray goodMessage(int n)
{
    return QStringLiteral("From: 佐藤 <sato%1@example.co.jp>\r\nSubject: 定例会議の議事録 第%1回\r\n"
                          "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=UTF-8\r\n\r\n"
                          "お疲れさまです。本日の会議の議事録を送ります。次回の予定もご確認ください。%1\r\n")
        .arg(n).toUtf8();
}

} // namespace

// Receiving from a real Dovecot with filing rules: each message into its folder, once.
class ReceiveFilingTest : public QObject {
    Q_OBJECT

private:
    MailServers m_servers;
    std::unique_ptr<ReceiveFixture> m_fixture;

    // Every entry of the index: the sample each file holds -> "section flags", and how many there are.
    QMultiHash<QString, QString> filedSamples() const
    {
        const QString index = m_fixture->account.paths.receivedIndexFile;
        QMultiHash<QString, QString> filed;
        QStringList sections;
        fumibako::storage::IniGetSectionNames(index, sections);
        for (const QString& section : std::as_const(sections)) {
            QStringList lines;
            fumibako::storage::IniGetSection(section, index, lines);
            for (const QString& line : std::as_const(lines)) {
                const QByteArray bytes = comparable(m_fixture->inputFile(line.section(u'=', 0, 0)));
                for (const QString& name : kSamples) {
                    if (comparable(sample(name)) == bytes)
                        filed.insert(name, section + u' ' + line.section(u'=', 1).left(3));
                }
            }
        }
        return filed;
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
        QList<QByteArray> messages;
        for (const QString& name : kSamples)
            messages.append(sample(name));
        QVERIFY(m_servers.seedMailbox(QStringLiteral("taro"), messages));
        m_fixture = std::make_unique<ReceiveFixture>(m_servers.pop3Port());
        const QStringList folders{kImportant, kPartners, kNotices, kCopies, kTests};
        m_fixture->account.folderExists = [folders](const QString& key) {
            return folders.contains(key) || key == QStringLiteral("標準BOX") || key == QStringLiteral("ごみ箱");
        };
        m_fixture->setAccount();
        QVERIFY(writeRules(rulesFile(m_fixture->account.paths), sampleRules()));
    }

    void cleanupTestCase() { m_servers.stop(); }

    void eachMessageGoesWhereItsRuleSays_data()
    {
        QTest::addColumn<QString>("sample");
        QTest::addColumn<QStringList>("filed"); // section and the flags save, unread, attachment
        QTest::newRow("ISO-2022-JP subject, flagged") << "iso2022jp_nec.eml" << QStringList{kImportant + " 110"};
        QTest::newRow("Shift_JIS sender, read") << "sjis_qp.eml" << QStringList{kPartners + " 000"};
        QTest::newRow("EUC-JP, with a copy") << "eucjp.eml" << QStringList{kNotices + " 010", kCopies + " 010"};
        QTest::newRow("undeclared 8-bit body") << "sjis_undeclared.eml" << QStringList{kTests + " 010"};
        QTest::newRow("HTML-only body, into the trash") << "html_only.eml" << QStringList{"ごみ箱 010"};
        QTest::newRow("its folder is gone") << "utf8_base64.eml" << QStringList{"標準BOX 010"};
        QTest::newRow("no rule") << "multipart_attach.eml" << QStringList{"標準BOX 011"};
    }
    void eachMessageGoesWhereItsRuleSays()
    {
        QFETCH(QString, sample);
        QFETCH(QStringList, filed);
        ReceiveFixture& f = *m_fixture;
        QVERIFY(startReceiveAndWait(f.receiver, ReceiveMethod::ReceiveAll));
        QStringList found = filedSamples().values(sample);
        found.sort();
        filed.sort();
        QCOMPARE(found, filed);
        QCOMPARE(f.inputFiles().size(), kSamples.size() + 1); // the copy is a file of its own
    }

    void newMailIsReportedWithWhatWasFiled()
    {
        ReceiveFixture& f = *m_fixture;
        QVERIFY(startReceiveAndWait(f.receiver, ReceiveMethod::ReceiveAll));
        QCOMPARE(f.prompts.status[1], QStringLiteral("新着メールあり（7通、うち5通を振り分けました）"));
        QCOMPARE(f.ui.unreadShown, 1);
        QCOMPARE(f.prompts.messages.size(), 1);
        QCOMPARE(f.prompts.messages[0].title, QStringLiteral("振り分け"));
        QVERIFY(f.prompts.messages[0].text.contains(QStringLiteral("ルール「古いルール」: ") + kGone));
        // The log names each message a rule held for.
        const QList<FilingLogEntry> log = readFilingLog(filingLogFile(f.account.paths));
        QCOMPARE(log.size(), 6);
        QVERIFY(std::any_of(log.cbegin(), log.cend(), [](const FilingLogEntry& entry) {
            return entry.rules == QStringLiteral("案内") && entry.folder == kNotices && entry.how == QStringLiteral("受信")
                && entry.done == QStringLiteral("コピー: ") + kCopies && entry.subject == QStringLiteral("ご案内");
        }));

        // Once while the program runs: the next receive says nothing of the missing folder.
        QList<QByteArray> messages;
        for (const QString& name : kSamples)
            messages.append(sample(name));
        messages.append("Message-ID: <another@example.jp>\r\n" + sample(QStringLiteral("utf8_base64.eml")));
        QVERIFY(m_servers.seedMailbox(QStringLiteral("taro"), messages));
        QVERIFY(startReceiveAndWait(f.receiver, ReceiveMethod::ReceiveAll));
        QCOMPARE(f.prompts.status[1], QStringLiteral("新着メールあり"));
        QCOMPARE(f.prompts.messages.size(), 1);
        QCOMPARE(f.filedEntries().size(), 3); // with the one before and the message no rule took
    }

    // The junk filter is asked before the rules; junk is no new mail.
    void junkGoesIntoTheJunkFolder_data()
    {
        QTest::addColumn<int>("junk");
        QTest::addColumn<int>("good");
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("unreadShown");
        QTest::newRow("junk and good mail") << 2 << 1 << QStringLiteral("新着メールあり（1通）、迷惑メール2通") << 1;
        QTest::newRow("junk only: no sound, no unread view") << 2 << 0 << QStringLiteral("新着メールなし（迷惑メール2通）") << 0;
    }
    void junkGoesIntoTheJunkFolder()
    {
        QFETCH(int, junk);
        QFETCH(int, good);
        ReceiveFixture& f = *m_fixture;
        QVERIFY(writeRules(rulesFile(f.account.paths), {}));
        JunkSettings settings;
        settings.markRead = true;
        QVERIFY(writeJunkSettings(f.account.paths.userFile, settings));
        QTemporaryDir store;
        JunkFilter filter(store.path() + u'/');
        QVERIFY(filter.begin());
        for (int i = 0; i < 25; ++i) {
            const QString spam = store.filePath(QStringLiteral("s%1.eml").arg(i));
            const QString ham = store.filePath(QStringLiteral("h%1.eml").arg(i));
            fumibako::test::writeBytes(spam, junkMessage(i));
            fumibako::test::writeBytes(ham, goodMessage(i));
            QVERIFY(filter.learnFile(spam, JunkKind::Spam) != JunkStore::Learning::Failed);
            QVERIFY(filter.learnFile(ham, JunkKind::Ham) != JunkStore::Learning::Failed);
        }
        QVERIFY(filter.commit());
        f.account.junkFilter = &filter;
        f.account.environment.newMailSound = 1;
        f.setAccount();
        QList<QByteArray> messages;
        for (int i = 0; i < junk; ++i)
            messages.append(junkMessage(100 + i));
        for (int i = 0; i < good; ++i)
            messages.append(goodMessage(100 + i));
        QVERIFY(m_servers.seedMailbox(QStringLiteral("taro"), messages));
        QVERIFY(startReceiveAndWait(f.receiver, ReceiveMethod::ReceiveAll));
        QTEST(f.prompts.status[1], "status");
        QTEST(f.ui.unreadShown, "unreadShown");
        QCOMPARE(f.ui.sounds.size(), good > 0 ? 1 : 0);
        QStringList lines;
        fumibako::storage::IniGetSection(kJunkFolder, f.account.paths.receivedIndexFile, lines);
        QCOMPARE(lines.size(), junk);
        for (const QString& line : std::as_const(lines))
            QCOMPARE(line.section(u'=', 1).mid(1, 1), QStringLiteral("0")); // filed as read
        QCOMPARE(f.filedEntries().size(), good);
    }

    void withoutRulesEverythingStaysInTheStandardBox()
    {
        ReceiveFixture& f = *m_fixture;
        QVERIFY(writeRules(rulesFile(f.account.paths), {}));
        QVERIFY(startReceiveAndWait(f.receiver, ReceiveMethod::ReceiveAll));
        QCOMPARE(f.filedEntries().size(), kSamples.size());
        QCOMPARE(f.prompts.status[1], QStringLiteral("新着メールあり"));
        QVERIFY(!QFile::exists(filingLogFile(f.account.paths)));
    }
};

QTEST_GUILESS_MAIN(ReceiveFilingTest)
#include "test_receive_filing.moc"
