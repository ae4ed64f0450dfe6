#include "ReceiveFixture.h"
#include "filing/FilingLog.h"
#include "filing/RuleFile.h"
#include "support/TestFiles.h"

#include <QtTest>

#include <memory>

using namespace fumibako::filing;
using namespace fumibako::transfer;
using fumibako::storage::ReceiveMethod;
using fumibako::test::MailServers;
using fumibako::test::ReceiveFixture;

Q_DECLARE_METATYPE(fumibako::filing::RuleList)

namespace {

const QString kWork = QStringLiteral("受信BOX\\仕事");

QByteArray message(const QByteArray& id, const QByteArray& from, const QByteArray& subject, int bodyBytes)
{
    QByteArray body;
    while (body.size() < bodyBytes)
        body += "0123456789 abcdefghijklmnopqrstuvwxyz 0123456789 abcdefghijklmnopqrstuvwxyz\r\n";
    return "From: " + from + "\r\nTo: taro@example.jp\r\nSubject: " + subject
           + "\r\nDate: Wed, 1 May 2024 10:15:00 +0900\r\nMessage-ID: <" + id + "@example.jp>\r\n\r\n" + body;
}

// The seeds: a small notice, a large file, an advertisement, a large mail from the boss.
const QList<QByteArray> kSeeds = {
    message("notice", "=?ISO-2022-JP?B?GyRCOzNFRBsoQg==?= <yamada@example.jp>", "=?UTF-8?B?5Lya6K2w44Gu44GK55+l44KJ44Gb?=", 500),
    message("large", "sato@example.jp", "=?ISO-2022-JP?B?GyRCO3FOQRsoQg==?=", 200 * 1024),
    message("advert", "shop@example.com", "[AD] sale", 500),
    message("boss", "boss@example.jp", "report", 200 * 1024),
};
const QStringList kIds = {QStringLiteral("notice"), QStringLiteral("large"), QStringLiteral("advert"), QStringLiteral("boss")};

Condition condition(ConditionField field, const QString& key, qint64 bytes = 0)
{
    Condition made;
    made.field = field;
    made.keys = key.isEmpty() ? QStringList() : QStringList{key};
    made.sizeBytes = bytes;
    return made;
}

Rule rule(const QString& name, const Condition& condition, ActionKind kind, const QString& folder = {})
{
    Rule made;
    made.name = name;
    made.conditions = {condition};
    made.actions = {{kind, folder}};
    return made;
}

const Rule kLarge = rule(QStringLiteral("100KBより大きい"), condition(ConditionField::SizeOver, {}, 100 * 1024),
                         ActionKind::DeleteOnServer);
const Rule kAdvert = rule(QStringLiteral("広告"), condition(ConditionField::Subject, QStringLiteral("[ＡＤ]")),
                          ActionKind::LeaveOnServer);
const Rule kBoss = rule(QStringLiteral("上司"), condition(ConditionField::From, QStringLiteral("boss@")), ActionKind::Move, kWork);

// The seeds' Date in local time, as the reader shows it.
const QString kSeedDate = QDateTime(QDate(2024, 5, 1), QTime(10, 15), QTimeZone(9 * 3600))
                              .toLocalTime()
                              .toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));

// Which seed @p bytes is, by its Message-ID.
QString seedOf(const QByteArray& bytes)
{
    for (const QString& id : kIds) {
        if (bytes.contains("<" + id.toLatin1() + "@example.jp>"))
            return id;
    }
    return QString();
}

} // namespace

// Rules that decide at the server, against a real Dovecot: what is fetched, left and deleted.
class ReceiveAtServerTest : public QObject {
    Q_OBJECT

private:
    MailServers m_servers;
    std::unique_ptr<ReceiveFixture> m_fixture;

    QStringList received() const
    {
        QStringList ids;
        for (const QString& name : m_fixture->inputFiles())
            ids.append(seedOf(m_fixture->inputFile(name)));
        ids.sort();
        return ids;
    }
    QStringList onServer() const
    {
        QStringList ids;
        for (const QByteArray& bytes : m_servers.mailbox(QStringLiteral("taro")))
            ids.append(seedOf(bytes));
        ids.sort();
        return ids;
    }
    // The TOP and RETR counts of the session that follows the first @p before ones.
    QPair<int, int> sessionAfter(qsizetype before) const
    {
        const fumibako::test::Pop3Session session = m_servers.pop3SessionAfter(before);
        return {session.top, session.retr};
    }
    QList<FilingLogEntry> atServerLog() const
    {
        QList<FilingLogEntry> entries = readFilingLog(filingLogFile(m_fixture->account.paths));
        entries.removeIf([](const FilingLogEntry& entry) { return entry.how != kFiledAtServer; });
        return entries;
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
        QVERIFY(m_servers.seedMailbox(QStringLiteral("taro"), kSeeds));
        m_fixture = std::make_unique<ReceiveFixture>(m_servers.pop3Port());
        m_fixture->account.folderExists = [](const QString& key) { return key == kWork || key == kStandardBox; };
        m_fixture->setAccount();
    }

    void cleanupTestCase() { m_servers.stop(); }

    void rulesDecideAtTheServer_data()
    {
        QTest::addColumn<RuleList>("rules");
        QTest::addColumn<bool>("deleteAfter"); // receive and delete
        QTest::addColumn<QStringList>("fetched");
        QTest::addColumn<QStringList>("left");    // on the server, never fetched, logged once
        QTest::addColumn<QStringList>("deleted"); // gone, never fetched, logged
        QTest::newRow("a size limit deletes large mail")
            << RuleList{kLarge} << false << QStringList{"advert", "notice"} << QStringList() << QStringList{"boss", "large"};
        QTest::newRow("a filing rule before it wins")
            << RuleList{kBoss, kLarge, kAdvert} << false << QStringList{"boss", "notice"} << QStringList{"advert"}
            << QStringList{"large"};
        QTest::newRow("a filing rule after it does not")
            << RuleList{kLarge, kBoss} << false << QStringList{"advert", "notice"} << QStringList() << QStringList{"boss", "large"};
        QTest::newRow("receive and delete keeps what is left")
            << RuleList{kAdvert} << true << QStringList{"boss", "large", "notice"} << QStringList{"advert"} << QStringList();
        Rule off = kLarge;
        off.enabled = false;
        QTest::newRow("switched off") << RuleList{off, kBoss} << false << QStringList{"boss", "large", "notice", "advert"}
                                      << QStringList() << QStringList();
    }
    void rulesDecideAtTheServer()
    {
        QFETCH(RuleList, rules);
        QFETCH(bool, deleteAfter);
        QFETCH(QStringList, fetched);
        QFETCH(QStringList, left);
        QFETCH(QStringList, deleted);
        ReceiveFixture& f = *m_fixture;
        QVERIFY(writeRules(rulesFile(f.account.paths), rules));
        const ReceiveMethod method = deleteAfter ? ReceiveMethod::ReceiveAndDelete : ReceiveMethod::ReceiveAll;
        qsizetype sessions = m_servers.pop3Sessions().size();
        QVERIFY(startReceiveAndWait(f.receiver, method));
        fetched.sort();
        QCOMPARE(received(), fetched);
        QStringList kept = deleteAfter ? left : QStringList(fetched + left);
        kept.sort();
        QCOMPARE(onServer(), kept);
        QCOMPARE(sessionAfter(sessions).second, int(fetched.size()));

        // What was left or deleted is in the log, with its sender, subject and date as the reader shows them.
        const QList<FilingLogEntry> log = atServerLog();
        QCOMPARE(log.size(), left.size() + deleted.size());
        for (const FilingLogEntry& entry : log) {
            QCOMPARE(entry.date, kSeedDate);
            const bool isDeletion = entry.done.startsWith(QStringLiteral("サーバーから削除"));
            QVERIFY(isDeletion || entry.done.startsWith(QStringLiteral("サーバーに残す")));
            QCOMPARE(entry.rules, isDeletion ? kLarge.name : kAdvert.name);
        }
        if (deleted.contains(QStringLiteral("large"))) {
            QVERIFY(std::any_of(log.cbegin(), log.cend(), [](const FilingLogEntry& entry) {
                return entry.from == QStringLiteral("sato@example.jp") && entry.subject == QStringLiteral("資料");
            }));
        }

        // Again: what was left is screened, but neither fetched nor logged again, and is no new mail.
        f.prompts.status.clear();
        sessions = m_servers.pop3Sessions().size();
        QCOMPARE(startReceiveAndWait(f.receiver, method), std::optional(ReceiveResult::NothingNew));
        QCOMPARE(f.prompts.status[1], QStringLiteral("新着はありません"));
        QCOMPARE(sessionAfter(sessions), qMakePair(int(left.size()), 0));
        QCOMPARE(received(), fetched);
        QCOMPARE(atServerLog().size(), log.size());
        QCOMPARE(onServer(), kept);
    }

    // A left message that the rules later fetch is fetched once, and leaves the record.
    void aLeftMessageIsFetchedOnceTheRuleGoes()
    {
        ReceiveFixture& f = *m_fixture;
        QVERIFY(writeRules(rulesFile(f.account.paths), {kAdvert}));
        QVERIFY(startReceiveAndWait(f.receiver, ReceiveMethod::ReceiveAll));
        QVERIFY(fumibako::test::readBytes(f.account.paths.userMailDir + QStringLiteral("ServerScreened.txt")).startsWith("leave\t"));
        QVERIFY(writeRules(rulesFile(f.account.paths), {kLarge}));
        QVERIFY(startReceiveAndWait(f.receiver, ReceiveMethod::ReceiveAll));
        QCOMPARE(received(), (QStringList{"advert", "boss", "large", "notice"}));
        QVERIFY(!QFile::exists(f.account.paths.userMailDir + QStringLiteral("ServerScreened.txt")));
        QCOMPARE(atServerLog().size(), 1);
    }

    // Counting asks the rules too: what they leave on the server is not counted as new.
    void countingLeavesOutWhatStaysOnTheServer()
    {
        ReceiveFixture& f = *m_fixture;
        QVERIFY(writeRules(rulesFile(f.account.paths), {kAdvert, kLarge}));
        QCOMPARE(startReceiveAndWait(f.receiver, ReceiveMethod::CountOnly), std::optional(ReceiveResult::NothingNew));
        QCOMPARE(f.prompts.messages.size(), 1);
        QVERIFY2(f.prompts.messages[0].text.startsWith(QStringLiteral("1通 ")), qPrintable(f.prompts.messages[0].text));
        QVERIFY(atServerLog().isEmpty()); // a count only asks
        QCOMPARE(onServer().size(), kSeeds.size());
        QVERIFY(startReceiveAndWait(f.receiver, ReceiveMethod::ReceiveAll));
        f.prompts.messages.clear();
        QCOMPARE(startReceiveAndWait(f.receiver, ReceiveMethod::CountOnly), std::optional(ReceiveResult::NothingNew));
        QVERIFY(f.prompts.messages.isEmpty()); // nothing to ask about
    }

    // The server list fetches what the user asks for, whatever the rules say.
    void fetchingOneFromTheServerListIsNotScreened()
    {
        ReceiveFixture& f = *m_fixture;
        QVERIFY(writeRules(rulesFile(f.account.paths), {kLarge}));
        QCOMPARE(runServerCommandAndWait(f.receiver, ServerMode::Save, QStringLiteral("2")), ReceiveResult::NewMail);
        QCOMPARE(received(), QStringList{"large"});
        QVERIFY(atServerLog().isEmpty());
    }
};

QTEST_GUILESS_MAIN(ReceiveAtServerTest)
#include "test_receive_at_server.moc"
