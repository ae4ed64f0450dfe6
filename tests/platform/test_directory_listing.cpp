// The directory listing kept between folder listings: it must never hide a change.
#include "platform/DirectoryListing.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using fumibako::platform::FileNameSet;

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

private Q_SLOTS:
    void listsRegularFilesOnly()
    {
        QTemporaryDir dir;
        fumibako::test::writeBytes(dir.filePath(QStringLiteral("b.eml")), "b");
        fumibako::test::writeBytes(dir.filePath(QStringLiteral("日本語.eml")), "a");
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
        const FileNameSet set = FileNameSet::read(dir.path());
        QCOMPARE(sortedNames(set), (QStringList{QStringLiteral("b.eml"), QStringLiteral("日本語.eml")}));
        QVERIFY(set.contains(u"日本語.eml"));
        QVERIFY(!set.contains(u"sub"));
        QCOMPARE(FileNameSet::read(dir.filePath(QStringLiteral("missing"))).size(), 0);
    }

    // One test, as it has to wait for the directory to settle.
    void keptListingFollowsEveryChange()
    {
        QTemporaryDir dir;
        const QString first = dir.filePath(QStringLiteral("1.eml"));
        fumibako::test::writeBytes(first, "1");

        // Just changed: read afresh each time.
        const auto fresh = FileNameSet::readUnlessUnchanged(dir.path());
        QVERIFY(fresh != FileNameSet::readUnlessUnchanged(dir.path()));

        QThread::msleep(3100);
        const auto settled = FileNameSet::readUnlessUnchanged(dir.path());
        QCOMPARE(FileNameSet::readUnlessUnchanged(dir.path()), settled);
        QCOMPARE(sortedNames(*settled), QStringList{QStringLiteral("1.eml")});

        fumibako::test::writeBytes(dir.filePath(QStringLiteral("2.eml")), "2");
        QCOMPARE(sortedNames(*FileNameSet::readUnlessUnchanged(dir.path())),
                 (QStringList{QStringLiteral("1.eml"), QStringLiteral("2.eml")}));
        QVERIFY(QFile::rename(first, dir.filePath(QStringLiteral("3.eml"))));
        QCOMPARE(sortedNames(*FileNameSet::readUnlessUnchanged(dir.path())),
                 (QStringList{QStringLiteral("2.eml"), QStringLiteral("3.eml")}));

        // Another directory in between, and one replaced by a new directory of the same name.
        QTemporaryDir other;
        QCOMPARE(FileNameSet::readUnlessUnchanged(other.path())->size(), 0);
        QVERIFY(QDir(dir.path()).removeRecursively());
        QVERIFY(QDir().mkpath(dir.path()));
        QCOMPARE(FileNameSet::readUnlessUnchanged(dir.path())->size(), 0);
    }
};

QTEST_GUILESS_MAIN(TestDirectoryListing)
#include "test_directory_listing.moc"
