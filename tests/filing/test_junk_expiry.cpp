#include "filing/JunkExpiry.h"
#include "filing/JunkFilter.h"
#include "storage/ProfileStore.h"
#include "support/TestFiles.h"

#include <QtTest>

using namespace fumibako;
using storage::FixedFolder::Junk;
using storage::FixedFolder::Trash;

namespace {

/** Records the moves it hears of. */
class MoveRecorder : public storage::MailChangeListener {
public:
    void mailStored(const QString&, const QString&) override {}
    void mailMoved(const QString& name, const QString& from, const QString& to) override
    {
        moves.append(name + u' ' + from + u' ' + to);
    }
    void mailRemoved(const QString&, const QString&) override {}
    QStringList moves;
};

} // namespace

// Old junk goes into the trash by the age of its file, never for good.
class TestJunkExpiry : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void oldJunkGoesIntoTheTrash_data()
    {
        QTest::addColumn<int>("days");
        QTest::addColumn<QStringList>("leftInJunk");
        QTest::addColumn<QStringList>("moved");
        // The messages: "new" a minute old, "old" 40 days, "protected" 40 days with the save flag.
        QTest::newRow("30 days") << 30 << QStringList{"new.eml", "protected.eml"} << QStringList{"old.eml 迷惑メール ごみ箱"};
        QTest::newRow("0 keeps everything") << 0 << QStringList{"new.eml", "old.eml", "protected.eml"} << QStringList();
        QTest::newRow("one day") << 1 << QStringList{"new.eml", "protected.eml"} << QStringList{"old.eml 迷惑メール ごみ箱"};
    }
    void oldJunkGoesIntoTheTrash()
    {
        QFETCH(int, days);
        QTemporaryDir dir;
        const storage::AccountPaths paths = storage::AccountPaths::make(dir.path() + u'/', QStringLiteral("taro"));
        QVERIFY(QDir().mkpath(paths.inputDir));
        const QDateTime now = QDateTime::currentDateTime();
        const struct {
            const char* name;
            int age;
            const char* flags;
        } messages[] = {{"new.eml", 0, "010"}, {"old.eml", 40, "010"}, {"protected.eml", 40, "100"}};
        for (const auto& message : messages) {
            const QString file = paths.inputDir + QLatin1String(message.name);
            test::writeBytes(file, "Subject: x\r\n\r\nx\r\n");
            QFile touched(file);
            QVERIFY(touched.open(QIODevice::ReadWrite));
            QVERIFY(touched.setFileTime(now.addDays(-message.age).addSecs(-60), QFileDevice::FileModificationTime));
            touched.close();
            QVERIFY(storage::writeProfileString(paths.receivedIndexFile, Junk, QLatin1String(message.name),
                                                QLatin1String(message.flags) + QStringLiteral("\tfrom\tsubject\t2026/01/01 00:00:00")));
        }
        MoveRecorder recorder;
        const filing::JunkExpiry expiry = filing::expireJunk(paths, days, now, &recorder);
        QVERIFY(expiry.written);
        storage::clearProfileCache();
        QStringList left;
        QVERIFY(storage::IniGetSection(Junk, paths.receivedIndexFile, left) || days > 0);
        for (QString& line : left)
            line = line.section(u'=', 0, 0);
        left.sort();
        QTEST(left, "leftInJunk");
        QFETCH(QStringList, moved);
        QCOMPARE(recorder.moves, moved);
        QCOMPARE(expiry.moved, int(moved.size()));
        QStringList trash;
        storage::IniGetSection(Trash, paths.receivedIndexFile, trash);
        QCOMPARE(trash.size(), moved.size());
        QCOMPARE(QDir(paths.inputDir).entryList(QDir::Files).size(), 3); // no file is deleted
    }
};

QTEST_GUILESS_MAIN(TestJunkExpiry)
#include "test_junk_expiry.moc"
