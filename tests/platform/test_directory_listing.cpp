// The names of a mail folder: their lookup table, and the listing kept between folder listings,
// which must never hide a change.
#include "platform/DirectoryListing.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <sys/stat.h>

using fumibako::platform::FileNameSet;
using fumibako::test::writeBytes;

Q_DECLARE_METATYPE(timespec)

class TestDirectoryListing : public QObject {
    Q_OBJECT

private:
    static QStringList sortedNames(const FileNameSet& set)
    {
        QStringList names;
        for (QStringView name : set.names())
            names.append(name.toString());
        names.sort();
        return names;
    }

    static timespec at(time_t seconds, long nanoseconds) { return timespec{seconds, nanoseconds}; }

private Q_SLOTS:
    void listsRegularFilesOnly()
    {
        QTemporaryDir dir;
        writeBytes(dir.filePath(QStringLiteral("b.eml")), "b");
        writeBytes(dir.filePath(QStringLiteral("日本語.eml")), "a");
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
        const FileNameSet set = FileNameSet::read(dir.path());
        QCOMPARE(sortedNames(set), (QStringList{QStringLiteral("b.eml"), QStringLiteral("日本語.eml")}));
        QVERIFY(set.contains(u"日本語.eml"));
        QVERIFY(!set.contains(u"sub"));
        QVERIFY(!set.contains(u"b.em"));
        QVERIFY(!set.contains(u""));
        QCOMPARE(FileNameSet::read(dir.filePath(QStringLiteral("missing"))).size(), 0);
        QVERIFY(!FileNameSet::read(dir.filePath(QStringLiteral("missing"))).contains(u"b.eml"));
    }

    // Enough names that probes run into each other and wrap around the end of the table.
    void slotsOfManyNames()
    {
        QTemporaryDir dir;
        constexpr int kFiles = 3000;
        for (int i = 0; i < kFiles; ++i)
            writeBytes(dir.filePath(QStringLiteral("m%1.eml").arg(i)), QByteArray());
        const FileNameSet set = FileNameSet::read(dir.path());
        QCOMPARE(set.size(), kFiles);

        QStringList queries;
        for (int i = 0; i < kFiles; ++i) {
            queries.append(QStringLiteral("m%1.eml").arg(i));
            queries.append(QStringLiteral("m%1.em").arg(i)); // a prefix of a name
            queries.append(QStringLiteral("m%1.emlx").arg(i)); // a name as prefix
        }
        queries.append(QString());
        std::vector<QStringView> views(queries.begin(), queries.end());
        std::vector<qint32> slots(views.size());
        set.slotsOf(views, slots);

        QSet<qint32> seen;
        for (size_t i = 0; i < views.size(); ++i) {
            const bool present = i < size_t(3 * kFiles) && i % 3 == 0;
            QCOMPARE(slots[i], set.slotOf(views[i]));
            QCOMPARE(slots[i] != FileNameSet::kNotFound, present);
            if (present) {
                QCOMPARE(set.nameInSlot(slots[i]), views[i]);
                seen.insert(slots[i]);
            }
        }
        QCOMPARE(seen.size(), kFiles); // a slot per name
    }

    void isStampSettled_data()
    {
        QTest::addColumn<timespec>("changed");
        QTest::addColumn<timespec>("clock");
        QTest::addColumn<bool>("precise");
        QTest::addColumn<bool>("settled");
        QTest::newRow("same tick") << at(100, 123456789) << at(100, 123456789) << true << false;
        QTest::newRow("clock behind") << at(100, 123456789) << at(99, 999999999) << true << false;
        QTest::newRow("a nanosecond later") << at(100, 123456789) << at(100, 123456790) << true << true;
        QTest::newRow("within a 100 ns granule") << at(100, 123456700) << at(100, 123456750) << true << false;
        QTest::newRow("after a 100 ns granule") << at(100, 123456700) << at(100, 123456800) << true << true;
        QTest::newRow("within a 10 ms granule") << at(100, 120000000) << at(100, 129999999) << true << false;
        QTest::newRow("after a 10 ms granule") << at(100, 120000000) << at(100, 130000000) << true << true;
        QTest::newRow("whole seconds, 2 s later") << at(100, 0) << at(102, 999999999) << true << false;
        QTest::newRow("whole seconds, 3 s later") << at(100, 0) << at(103, 0) << true << true;
        QTest::newRow("coarse file system, 2 s later") << at(100, 5) << at(102, 999999999) << false << false;
        QTest::newRow("coarse file system, 3 s later") << at(100, 5) << at(103, 5) << false << true;
    }
    void isStampSettled()
    {
        QFETCH(timespec, changed);
        QFETCH(timespec, clock);
        QFETCH(bool, precise);
        QFETCH(bool, settled);
        QCOMPARE(fumibako::platform::isStampSettled(changed, clock, precise), settled);
    }

    // No waiting: most of these changes fall in the same clock tick as the listing before them.
    void keptListingSeesEveryChange()
    {
        QTemporaryDir dir;
        QStringList expected;
        for (int i = 0; i < 300; ++i) {
            const QString name = QStringLiteral("%1.eml").arg(i, 3, 10, QLatin1Char('0'));
            writeBytes(dir.filePath(name), "x");
            expected.append(name);
            if (i % 7 == 3) {
                QVERIFY(QFile::rename(dir.filePath(expected.first()), dir.filePath(QStringLiteral("r") + name)));
                expected.replace(0, QStringLiteral("r") + name);
            } else if (i % 11 == 5) {
                QVERIFY(QFile::remove(dir.filePath(expected.takeLast())));
            }
            expected.sort();
            QCOMPARE(sortedNames(*FileNameSet::readUnlessUnchanged(dir.path())), expected);
        }
    }

    void keptListingIsReusedUntilAChange()
    {
        QTemporaryDir dir;
        writeBytes(dir.filePath(QStringLiteral("1.eml")), "1");
        struct stat info {};
        QCOMPARE(::stat(QFile::encodeName(dir.path()).constData(), &info), 0);
        if (info.st_mtim.tv_nsec == 0)
            QSKIP("the file system keeps whole seconds: a listing is kept only after two seconds");
        QThread::msleep(50); // a few clock ticks
        const auto settled = FileNameSet::readUnlessUnchanged(dir.path());
        QCOMPARE(FileNameSet::readUnlessUnchanged(dir.path()), settled);
        QCOMPARE(sortedNames(*settled), QStringList{QStringLiteral("1.eml")});

        writeBytes(dir.filePath(QStringLiteral("2.eml")), "2");
        QCOMPARE(sortedNames(*FileNameSet::readUnlessUnchanged(dir.path())),
                 (QStringList{QStringLiteral("1.eml"), QStringLiteral("2.eml")}));

        // Another directory in between, and one replaced by a new directory of the same name.
        QThread::msleep(50);
        QVERIFY(FileNameSet::readUnlessUnchanged(dir.path())->contains(u"2.eml"));
        QTemporaryDir other;
        QCOMPARE(FileNameSet::readUnlessUnchanged(other.path())->size(), 0);
        QVERIFY(QDir(dir.path()).removeRecursively());
        QVERIFY(QDir().mkpath(dir.path()));
        QCOMPARE(FileNameSet::readUnlessUnchanged(dir.path())->size(), 0);
    }
};

QTEST_GUILESS_MAIN(TestDirectoryListing)
#include "test_directory_listing.moc"
