// The token store and the filter over it: learning, relearning and taking back, a store that
// outlives its program and its damage, and the rules that come before the score.
#include "filing/FilingEngine.h"
#include "filing/JunkFilter.h"
#include "filing/JunkStage.h"
#include "filing/JunkStore.h"
#include "filing/JunkTokens.h"
#include "support/TestFiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

using namespace fumibako::filing;
using fumibako::test::readBytes;
using fumibako::test::writeBytes;

Q_DECLARE_METATYPE(JunkVerdict)
Q_DECLARE_METATYPE(JunkReason)

namespace {

TokenCounts countsOf(JunkStore& store, qint64 id)
{
    return store.counts({id}).front();
}

bool operator==(const TokenCounts& a, const TokenCounts& b)
{
    return a.spam == b.spam && a.ham == b.ham;
}

QByteArray spamMessage(int i)
{
    return QStringLiteral("From: 当選事務局 <win%1@prize.example.top>\r\nSubject: 【当選】賞金のお受け取り%1\r\n"
                          "Content-Type: text/plain; charset=utf-8\r\n\r\n"
                          "おめでとうございます！賞金をお受け取りください。https://prize.example.top/%1\r\n")
        .arg(i)
        .toUtf8();
}

QByteArray hamMessage(int i)
{
    return QStringLiteral("From: 佐藤 <sato@example.co.jp>\r\nSubject: 打ち合わせの件%1\r\n"
                          "Content-Type: text/plain; charset=utf-8\r\n\r\n"
                          "いつもお世話になっております。来週の会議の資料を添付します。%1\r\n")
        .arg(i)
        .toUtf8();
}

// An address book of one.
class OneFriend : public AddressBookLookup {
public:
    bool contains(const QString& address) const override { return address.toLower() == QLatin1String("friend@example.jp"); }
};

} // namespace

class TestJunkStore : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString file(const QString& name) const { return m_dir.filePath(name); }

    // Writes @p count messages of each kind and has @p filter learn them.
    void train(JunkFilter& filter, int count)
    {
        filter.begin();
        for (int i = 0; i < count; ++i) {
            writeBytes(file(QStringLiteral("s%1.eml").arg(i)), spamMessage(i));
            writeBytes(file(QStringLiteral("h%1.eml").arg(i)), hamMessage(i));
            QCOMPARE(filter.learnFile(file(QStringLiteral("s%1.eml").arg(i)), JunkKind::Spam), JunkStore::Learning::Learnt);
            QCOMPARE(filter.learnFile(file(QStringLiteral("h%1.eml").arg(i)), JunkKind::Ham), JunkStore::Learning::Learnt);
        }
        QVERIFY(filter.commit());
    }

private Q_SLOTS:
    void init()
    {
        for (const QString& name : QDir(m_dir.path()).entryList(QDir::Files))
            QFile::remove(file(name));
    }

    void learnsEachMessageOnceAndMovesItsCountsWhenRelearnt()
    {
        JunkStore::Opened opened = JunkStore::open(file(QStringLiteral("t.db")));
        QVERIFY(opened.store && !opened.rebuilt);
        JunkStore& store = *opened.store;
        const std::vector<qint64> ids{7, 8};
        QCOMPARE(store.learn(1, ids, JunkKind::Spam), JunkStore::Learning::Learnt);
        QCOMPARE(store.learn(1, ids, JunkKind::Spam), JunkStore::Learning::AlreadyLearnt);
        QCOMPARE(store.learn(2, {8}, JunkKind::Ham), JunkStore::Learning::Learnt);
        QVERIFY((countsOf(store, 8) == TokenCounts{1, 1}));
        QCOMPARE(store.totals().spam, qint64(1));
        QCOMPARE(store.totals().ham, qint64(1));
        // "Not junk" after "junk": the message's tokens move to the other side.
        QCOMPARE(store.learn(1, ids, JunkKind::Ham), JunkStore::Learning::Relearnt);
        QVERIFY((countsOf(store, 7) == TokenCounts{0, 1}));
        QVERIFY((countsOf(store, 8) == TokenCounts{0, 2}));
        QCOMPARE(store.totals().spam, qint64(0));
        QCOMPARE(store.totals().ham, qint64(2));
        QCOMPARE(store.learntAs(1), std::optional<JunkKind>(JunkKind::Ham));
        // Taking it back leaves the store as if it had never been learnt.
        QVERIFY(store.forget(1, ids));
        QVERIFY((countsOf(store, 7) == TokenCounts{0, 0}));
        QVERIFY((countsOf(store, 8) == TokenCounts{0, 1}));
        QCOMPARE(store.totals().ham, qint64(1));
        QCOMPARE(store.learntAs(1), std::nullopt);
        QVERIFY(store.forget(1, ids)); // nothing to take back
        QCOMPARE(store.tokenCount(), qint64(1)); // emptied tokens go
    }

    void keepsWhatWasLearntAndSeesOtherConnections()
    {
        const QString path = file(QStringLiteral("t.db"));
        {
            JunkStore::Opened first = JunkStore::open(path);
            QCOMPARE(first.store->learn(1, {5}, JunkKind::Spam), JunkStore::Learning::Learnt);
        }
        JunkStore::Opened reader = JunkStore::open(path);
        QVERIFY((countsOf(*reader.store, 5) == TokenCounts{1, 0})); // and now cached
        JunkStore::Opened writer = JunkStore::open(path); // the tool, while the program runs
        QCOMPARE(writer.store->learn(2, {5}, JunkKind::Ham), JunkStore::Learning::Learnt);
        QVERIFY((countsOf(*reader.store, 5) == TokenCounts{1, 1}));
        QCOMPARE(reader.store->totals().ham, qint64(1));
    }

    void damagedOrForeignStoresAreSetAsideForAnEmptyOne_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("foreignDatabase");
        QTest::newRow("garbage") << QByteArray(8192, '\x5a') << false;
        QTest::newRow("another program's database") << QByteArray() << true;
    }

    void damagedOrForeignStoresAreSetAsideForAnEmptyOne()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, foreignDatabase);
        const QString path = JunkStore::fileIn(m_dir.path());
        if (foreignDatabase) {
            sqlite3* db = nullptr;
            QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
            QCOMPARE(sqlite3_exec(db, "CREATE TABLE notes(text TEXT)", nullptr, nullptr, nullptr), SQLITE_OK);
            sqlite3_close(db);
            bytes = readBytes(path);
        } else {
            writeBytes(path, bytes);
        }
        JunkFilter filter(m_dir.path());
        QCOMPARE(filter.totals().spam, qint64(0));
        QVERIFY(filter.takeNotice().contains(QStringLiteral("壊れていた")));
        QCOMPARE(filter.takeNotice(), QString()); // said once
        QCOMPARE(readBytes(path + QStringLiteral(".damaged")), bytes); // kept for whoever wants it back
        train(filter, 1); // and the new store works
        QCOMPARE(filter.totals().spam, qint64(1));
    }

    void pagesDamagedBetweenRunsAreSetAside()
    {
        {
            JunkFilter filter(m_dir.path());
            train(filter, 2);
        } // closing writes the log into the store
        QFile store(JunkStore::fileIn(m_dir.path()));
        QVERIFY(store.open(QIODevice::ReadWrite));
        QVERIFY(store.seek(100)); // the header stays, the pages go
        store.write(QByteArray(int(store.size()) - 100, '\xff'));
        store.close();
        JunkFilter filter(m_dir.path());
        const JunkJudgement judgement = filter.judgeFile(file(QStringLiteral("s0.eml")), JunkSettings());
        QCOMPARE(judgement.verdict, JunkVerdict::Ham); // nothing moved on a store that knows nothing
        QVERIFY(!filter.takeNotice().isEmpty());
        QCOMPARE(filter.totals().spam, qint64(0));
    }

    void prunesOldMessagesOneOffTokens()
    {
        JunkStore::Opened opened = JunkStore::open(file(QStringLiteral("t.db")));
        JunkStore& store = *opened.store;
        store.learn(1, {100, 1}, JunkKind::Spam); // 100: seen once, long ago
        store.learn(2, {1}, JunkKind::Spam);
        for (qint64 key = 3; key < 10; ++key)
            store.learn(key, {key + 200}, JunkKind::Ham); // recent one-offs
        QCOMPARE(store.prune(100, 5), qint64(0)); // small enough: nothing goes
        QCOMPARE(store.prune(3, 5), qint64(3)); // 100, 203 and 204 are older than the last 5 learnt
        QVERIFY((countsOf(store, 1) == TokenCounts{2, 0}));
        QVERIFY((countsOf(store, 100) == TokenCounts{0, 0}));
        QVERIFY((countsOf(store, 209) == TokenCounts{0, 1}));
    }

    void judgesByTheRulesBeforeTheScore_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<bool>("trustMarks");
        QTest::addColumn<bool>("enoughLearnt");
        QTest::addColumn<JunkVerdict>("verdict");
        QTest::addColumn<JunkReason>("reason");
        const QByteArray flagged = "X-Spam-Flag: YES\r\n" + hamMessage(99);
        const QByteArray status = "X-Spam-Status: Yes, score=9.1\r\n" + hamMessage(99);
        const QByteArray tagged = hamMessage(99).replace("Subject: ", "Subject: [MEIWAKU] ");
        QTest::newRow("spam, learnt") << spamMessage(99) << false << true << JunkVerdict::Spam << JunkReason::Classifier;
        QTest::newRow("good, learnt") << hamMessage(99) << false << true << JunkVerdict::Ham << JunkReason::Classifier;
        QTest::newRow("too little learnt: moves nothing") << spamMessage(99) << false << false << JunkVerdict::Ham
                                                          << JunkReason::NotLearnt;
        QTest::newRow("provider's flag, trusted") << flagged << true << false << JunkVerdict::Spam << JunkReason::ProviderMark;
        QTest::newRow("provider's status, trusted") << status << true << true << JunkVerdict::Spam << JunkReason::ProviderMark;
        QTest::newRow("provider's tag, any case") << tagged << true << true << JunkVerdict::Spam << JunkReason::ProviderMark;
        QTest::newRow("provider's flag, not trusted") << flagged << false << true << JunkVerdict::Ham << JunkReason::Classifier;
        QByteArray known = spamMessage(99);
        known.replace("win99@prize.example.top", "Friend@Example.JP");
        QTest::newRow("known sender, even flagged") << "X-Spam-Flag: YES\r\n" + known << true << true << JunkVerdict::Ham
                                                    << JunkReason::KnownSender;
    }

    void judgesByTheRulesBeforeTheScore()
    {
        QFETCH(QByteArray, message);
        QFETCH(bool, trustMarks);
        QFETCH(bool, enoughLearnt);
        QFETCH(JunkVerdict, verdict);
        QFETCH(JunkReason, reason);
        JunkFilter filter(m_dir.path());
        train(filter, enoughLearnt ? int(kMinimumLearnt) : int(kMinimumLearnt) - 1);
        QCOMPARE(filter.hasLearntEnough(), enoughLearnt);
        writeBytes(file(QStringLiteral("new.eml")), message);
        JunkSettings settings;
        settings.trustProviderMarks = trustMarks;
        const OneFriend known;
        const JunkJudgement judgement = filter.judgeFile(file(QStringLiteral("new.eml")), settings, &known);
        QCOMPARE(judgement.reason, reason);
        QCOMPARE(judgement.verdict, verdict);
        if (reason == JunkReason::NotLearnt)
            QCOMPARE(judgement.scoreVerdict, JunkVerdict::Spam); // shown, not acted on
        settings.enabled = false;
        QCOMPARE(filter.judgeFile(file(QStringLiteral("new.eml")), settings, &known).verdict, JunkVerdict::Ham);
    }

    // The junk stage comes first in an account's engine; a rule after it can take mail back out.
    void junkStageBeforeTheRules()
    {
        JunkFilter filter(m_dir.path());
        train(filter, int(kMinimumLearnt));
        writeBytes(file(QStringLiteral("new.eml")), spamMessage(99));
        JunkSettings settings;
        settings.markRead = true;
        AccountFiling account;
        account.junkFilter = &filter;
        account.junkSettings = &settings;
        FilingInput message = FilingInput::fromFile(file(QStringLiteral("new.eml")));
        FilingDecision decision = makeAccountEngine(account)->decide(message);
        QCOMPARE(decision.folder, QStringLiteral("迷惑メール"));
        QVERIFY(decision.markRead);
        QCOMPARE(decision.filedBy, kJunkStageName);

        Rule rescue;
        rescue.name = QStringLiteral("賞金の連絡");
        rescue.conditions = {Condition{ConditionField::Subject, MatchType::Contains, Comparison::Folded,
                                       AddressPart::All, false, {}, {QStringLiteral("賞金")}, 0}};
        rescue.actions = {Action{ActionKind::Move, QStringLiteral("受信BOX\\懸賞")}};
        account.rules = {rescue};
        FilingInput again = FilingInput::fromFile(file(QStringLiteral("new.eml")));
        decision = makeAccountEngine(account)->decide(again);
        QCOMPARE(decision.folder, QStringLiteral("受信BOX\\懸賞"));
        QCOMPARE(decision.filedBy, rescue.name);

        settings.enabled = false; // no junk stage at all
        QVERIFY(makeAccountEngine(account)->needs().headers.size() < junkNeeds().headers.size());
    }

    void settingsRoundTrip()
    {
        const QString userFile = file(QStringLiteral("a.ini"));
        QCOMPARE(readJunkSettings(userFile), JunkSettings()); // no section: the defaults
        JunkSettings settings;
        settings.enabled = false;
        settings.trustProviderMarks = true;
        settings.providerTags = {};
        settings.markRead = true;
        settings.deleteAfterDays = 30;
        QVERIFY(writeJunkSettings(userFile, settings));
        QCOMPARE(readJunkSettings(userFile), settings); // no tags written stays no tags
        writeBytes(userFile, "[Junk]\r\nEnabled=7\r\nDeleteDays=-4\r\nProviderTags=[spam]  ***SPAM***\r\n");
        const JunkSettings odd = readJunkSettings(userFile);
        QCOMPARE(odd.enabled, true);
        QCOMPARE(odd.deleteAfterDays, 0);
        QCOMPARE(odd.providerTags, (QStringList{"[spam]", "***SPAM***"}));
    }
};

QTEST_GUILESS_MAIN(TestJunkStore)
#include "test_junk_store.moc"
