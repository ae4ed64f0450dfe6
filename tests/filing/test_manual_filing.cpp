#include "filing/FilingLog.h"
#include "filing/ManualFiling.h"
#include "storage/FolderTree.h"
#include "storage/MailChangeListener.h"
#include "storage/ProfileStore.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace fumibako::filing;
using fumibako::storage::FoundMail;

namespace {

const QString kShop = QStringLiteral("受信BOX\\買い物");
const QString kCopies = QStringLiteral("受信BOX\\写し");

// What the search index would hear.
class ChangeLog : public fumibako::storage::MailChangeListener {
public:
    void mailStored(const QString& folder, const QString& name) override { events.append(QStringLiteral("stored ") + folder + u' ' + name); }
    void mailMoved(const QString& name, const QString& from, const QString& to) override
    {
        events.append(QStringLiteral("moved ") + name + u' ' + from + u' ' + to);
    }
    void mailRemoved(const QString& folder, const QString& name) override { events.append(QStringLiteral("removed ") + folder + u' ' + name); }
    QStringList events;
};

Rule shopRule()
{
    Rule rule;
    rule.name = QStringLiteral("買い物");
    Condition sale;
    sale.field = ConditionField::Subject;
    sale.keys = {QStringLiteral("セール")};
    rule.conditions = {sale};
    rule.actions = {{ActionKind::MarkRead, QString()}, {ActionKind::Copy, kCopies}, {ActionKind::Move, kShop}};
    return rule;
}

} // namespace

// "振り分け実行" in the core: the account's rules over stored mail, written in one go.
class ManualFilingTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    fumibako::storage::AccountPaths m_paths;
    std::unique_ptr<FilingEngine> m_engine;
    FolderExists m_exists = [](const QString& key) {
        return key == kShop || key == kCopies || key == QStringLiteral("標準BOX") || key == QStringLiteral("ごみ箱");
    };

    QStringList section(const QString& name) const
    {
        fumibako::storage::clearProfileCache();
        QStringList lines;
        fumibako::storage::IniGetSection(name, m_paths.receivedIndexFile, lines);
        return lines;
    }

    ManualFilingResult fileFolder(const QString& key, ChangeLog* changes = nullptr)
    {
        ManualFiling filing(m_paths, *m_engine, m_exists);
        filing.addFolder(key);
        while (filing.step(1000)) {
        }
        return filing.apply(changes);
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_paths = fumibako::storage::AccountPaths::make(m_dir->path() + u'/', QStringLiteral("taro"));
        QDir().mkpath(m_paths.inputDir);
        // No message file but a.eml and d.eml exists: rules on the sender and the subject read the index alone.
        fumibako::test::writeBytes(m_paths.inputDir + QStringLiteral("a.eml"), "Subject: x\r\n\r\nbody\r\n");
        fumibako::test::writeBytes(m_paths.inputDir + QStringLiteral("d.eml"), "Subject: x\r\n\r\nbody\r\n");
        fumibako::test::writeBytes(m_paths.receivedIndexFile,
                                   fumibako::test::cp932Lines(QStringLiteral(
                                       "[標準BOX]\na.eml=010\t店 <shop@example.jp>\tｾｰﾙのお知らせ\t2024/01/01 10:00:00\n"
                                       "b.eml=000\t佐藤\t会議\t2024/01/02 10:00:00\n"
                                       "[受信BOX\\古い]\nc.eml=010\t店\t夏のセール\t2024/01/03 10:00:00\n"
                                       "[ごみ箱]\nd.eml=010\t店\tセール\t2024/01/04 10:00:00\n")));
        m_engine = makeAccountEngine({{shopRule()}, m_exists, nullptr});
    }

    void filesAFolderWithFlagsAndCopies()
    {
        ChangeLog changes;
        const ManualFilingResult result = fileFolder(QStringLiteral("標準BOX"), &changes);
        QVERIFY(result.written);
        QCOMPARE(result.messages, 2);
        QCOMPARE(result.moved, 1);
        QCOMPARE(section(kShop), QStringList{QStringLiteral("a.eml=000\t店 <shop@example.jp>\tｾｰﾙのお知らせ\t2024/01/01 10:00:00")});
        QCOMPARE(section(kCopies), QStringList{QStringLiteral("a-1.eml=000\t店 <shop@example.jp>\tｾｰﾙのお知らせ\t2024/01/01 10:00:00")});
        QCOMPARE(fumibako::test::readBytes(m_paths.inputDir + QStringLiteral("a-1.eml")),
                 fumibako::test::readBytes(m_paths.inputDir + QStringLiteral("a.eml")));
        QCOMPARE(section(QStringLiteral("標準BOX")).size(), 1);
        QCOMPARE(changes.events, (QStringList{QStringLiteral("moved a.eml 標準BOX ") + kShop,
                                              QStringLiteral("stored ") + kCopies + QStringLiteral(" a-1.eml")}));
        QCOMPARE(readFilingLog(filingLogFile(m_paths)).size(), 1);

        // Running the rules again over where the message went changes nothing and copies it no more.
        const ManualFilingResult again = fileFolder(kShop);
        QCOMPARE(again.changed, 0);
        QCOMPARE(section(kCopies).size(), 1);
        QCOMPARE(QDir(m_paths.inputDir).entryList(QDir::Files).size(), 3);
    }

    void viewsOverSeveralFolders_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("messages");
        QTest::addColumn<QStringList>("shop");
        QTest::newRow("受信BOX: every folder but the trash") << "受信BOX" << 3 << QStringList{"a.eml", "c.eml"};
        QTest::newRow("未読メール: unread only") << "未読メール" << 2 << QStringList{"a.eml", "c.eml"};
        QTest::newRow("ごみ箱 by itself") << "ごみ箱" << 1 << QStringList{"d.eml"};
    }
    void viewsOverSeveralFolders()
    {
        // The folder that c.eml is in is one the account has.
        m_exists = [](const QString&) { return true; };
        m_engine = makeAccountEngine({{shopRule()}, m_exists, nullptr});
        QFETCH(QString, folder);
        const ManualFilingResult result = fileFolder(folder);
        QTEST(result.messages, "messages");
        QStringList keys;
        for (const QString& line : section(kShop))
            keys.append(line.section(u'=', 0, 0));
        keys.sort();
        QTEST(keys, "shop");
    }

    void chosenMessagesAndAStop()
    {
        ManualFiling filing(m_paths, *m_engine, m_exists);
        filing.addMessages({FoundMail{QStringLiteral("受信BOX\\古い"), QStringLiteral("c.eml")},
                            FoundMail{QStringLiteral("送信BOX"), QStringLiteral("x.txt")},
                            FoundMail{QStringLiteral("標準BOX"), QStringLiteral("a.eml")}});
        QCOMPARE(filing.total(), 2); // outgoing mail is not filed
        // Stopped after the first: only what was decided is written.
        QVERIFY(filing.step(-1));
        QCOMPARE(filing.decided(), 1);
        filing.apply(nullptr);
        QCOMPARE(section(kShop).size(), 1);
        QVERIFY(section(kShop).first().startsWith(QStringLiteral("c.eml=")));
        QCOMPARE(section(QStringLiteral("標準BOX")).size(), 2);
    }
};

QTEST_GUILESS_MAIN(ManualFilingTest)
#include "test_manual_filing.moc"
