#include "storage/AccountSettings.h"
#include "storage/AddressHistory.h"
#include "storage/ProfileStore.h"
#include "storage/RegistrySettings.h"
#include "support/TestFiles.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace fumibako::storage;
using namespace fumibako::test;

namespace {

// 1 to 30 characters: printable ASCII (space and quotes included) and Japanese.
QString randomPassword(QRandomGenerator& random)
{
    static const QString japanese = QStringLiteral("あいうえおかきくけこんアイウエオ山田太郎鈴木花子漢字表ー");
    QString password;
    const int length = random.bounded(1, 31);
    for (int i = 0; i < length; ++i) {
        if (random.bounded(4) == 0)
            password += japanese.at(random.bounded(int(japanese.size())));
        else
            password += QChar(char16_t(random.bounded(32, 127)));
    }
    return password;
}

} // namespace

class TestAccountSettings : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString dir() const { return m_dir.path() + QLatin1Char('/'); }

private Q_SLOTS:
    void init() { QVERIFY(m_dir.isValid()); }
    void cleanup()
    {
        m_dir.remove();
        m_dir = QTemporaryDir();
    }

    void passwordShift_data()
    {
        QTest::addColumn<int>("nameLength");
        QTest::addColumn<int>("shift");
        QTest::newRow("empty name") << 0 << 0;
        QTest::newRow("4 stays") << 4 << 4;
        QTest::newRow("5 halves to even 2") << 5 << 2;
        QTest::newRow("7 rounds up to 4") << 7 << 4;
        QTest::newRow("9 halves to even 4") << 9 << 4;
        QTest::newRow("10 halves twice") << 10 << 2;
        QTest::newRow("11 -> 6 -> 3") << 11 << 3;
    }
    void passwordShift()
    {
        QFETCH(int, nameLength);
        QFETCH(int, shift);
        QCOMPARE(fumibako::storage::passwordShift(nameLength), shift);
    }

    void scrambledPasswordIsShiftedWithFiller()
    {
        const QString stored = scramblePassword(QStringLiteral("abc"), QStringLiteral("Taro!"), [] { return u'#'; });
        QCOMPARE(stored, QStringLiteral("c#d#e#")); // shift 2 for a five-character name
        QCOMPARE(unscramblePassword(stored, QStringLiteral("Taro!")), QStringLiteral("abc"));
    }

    void storedPasswordReadsBack_data()
    {
        QTest::addColumn<QString>("senderName");
        QTest::addColumn<QString>("password");
        QTest::newRow("short") << QStringLiteral("山田太郎") << QStringLiteral("pw1");
        QTest::newRow("24 characters") << QStringLiteral("Name") << QStringLiteral("abcdefghijklmnopqrstuvwx");
        // Longer passwords came back cut to 24 characters before; today's are often longer.
        QTest::newRow("40 characters") << QString() << QStringLiteral("0123456789abcdefghijABCDEFGHIJ!#$%&()*+,");
        QTest::newRow("characters shifted past ~") << QStringLiteral("Seven77") << QStringLiteral("}~|{");
    }
    void storedPasswordReadsBack()
    {
        QFETCH(QString, senderName);
        QFETCH(QString, password);
        const QString file = dir() + QStringLiteral("acc.ini");
        IniWriteString(QStringLiteral("Property"), QStringLiteral("Name"), senderName, file);
        QVERIFY(storePassword(file, password));
        const QString stored = IniGetString(QStringLiteral("Property"), QStringLiteral("Password"), 1024, file);
        QCOMPARE(stored.size(), password.size() * 2);
        QCOMPARE(readAccountProperties(file).password, password);
    }

    // Random passwords through a real write and read of the account file, for every shift. Half
    // of them are made to give a stored form that begins with a space or a quote, and the
    // fillers come from the full historical range 35-124 with the quote made common, so that
    // stored forms end in the quote that begins them.
    void everyStoredPasswordReadsBack_data()
    {
        QTest::addColumn<int>("nameLength");
        for (int length = 0; length <= 12; ++length)
            QTest::addRow("sender name of %d", length) << length;
    }
    void everyStoredPasswordReadsBack()
    {
        QFETCH(int, nameLength);
        QRandomGenerator random(quint32(nameLength) * 7919u + 1u);
        const QString file = dir() + QStringLiteral("acc.ini");
        IniWriteString(QStringLiteral("Property"), QStringLiteral("Name"), QString(nameLength, u'名'), file);
        const int shift = fumibako::storage::passwordShift(nameLength);
        const FillerSource quoteHeavy = [&random] {
            return random.bounded(3) == 0 ? u'\'' : char16_t(random.bounded(35, 125));
        };
        for (int i = 0; i < 40; ++i) {
            QString password = randomPassword(random);
            if (i % 2 == 0) {
                static const char16_t awkward[] = {u' ', u'\'', u'"'};
                const int first = awkward[random.bounded(3)] - shift;
                password[0] = QChar(char16_t(first < 32 ? u'\'' - shift : first));
            }
            QVERIFY(storePassword(file, password, i % 3 == 0 ? FillerSource(randomFiller) : quoteHeavy));
            clearProfileCache();
            QCOMPARE(readAccountProperties(file).password, password);
        }
    }

    void propertiesAndEnvironmentDefaults()
    {
        const QString file = dir() + QStringLiteral("acc.ini");
        writeBytes(file, cp932Lines(QStringLiteral("[Property]\nAccName=taro\nSportNum=abc\nPportNum=50995\nPOPport=1\n"
                                                   "[Kankyou]\nMailJusin=2\nAutoPOPTime=\nGridLine=True\nMailSound=99999\n")));
        const AccountProperties p = readAccountProperties(file);
        QCOMPARE(p.loginName, QStringLiteral("taro"));
        QCOMPARE(p.smtpPort, quint16(25)); // not a number: default
        QCOMPARE(p.popPort, quint16(50995)); // ports above 32767 are usable
        QCOMPARE(p.popPortGiven, qint16(1));
        const AccountEnvironment e = readAccountEnvironment(file);
        QCOMPARE(e.receiveMethod, qint16(2));
        QCOMPARE(e.autoReceiveMinutes, qint16(3)); // empty: default
        QCOMPARE(e.newMailSound, qint16(0));       // out of 16-bit range: default
        QVERIFY(e.gridLines);
    }

    void receiveAtStart_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("receives");
        QTest::newRow("1") << QStringLiteral("1") << true;
        QTest::newRow("0") << QStringLiteral("0") << false;
        QTest::newRow("2") << QStringLiteral("2") << false;
        QTest::newRow("text") << QStringLiteral("yes") << false;
        QTest::newRow("missing") << QString() << false;
    }
    void receiveAtStart()
    {
        QFETCH(QString, value);
        QFETCH(bool, receives);
        const QString file = dir() + QStringLiteral("acc.ini");
        if (!value.isNull())
            IniWriteString(QStringLiteral("Kankyou"), QStringLiteral("KidouJusin"), value, file);
        QCOMPARE(readReceiveAtStart(file), receives);
    }

    void accountListSkipsNamesWithoutFile()
    {
        writeBytes(dir() + QStringLiteral("AName.ini"), cp932Lines(QStringLiteral("[AName]\nCount=3\n0=一郎\n1=次郎\n2=三郎\n")));
        writeBytes(dir() + QStringLiteral("次郎.ini"), cp932Lines(QStringLiteral("[Property]\n")));
        QCOMPARE(LoadAccountList(dir()), QStringList{QStringLiteral("次郎")});
        // The registry keeps the names whose file is missing.
        QCOMPARE(IniGetString(QStringLiteral("AName"), QStringLiteral("0"), 50, dir() + QStringLiteral("AName.ini")),
                 QStringLiteral("一郎"));
    }

    void accountListFirstStartDefaults_data()
    {
        QTest::addColumn<QString>("registry");
        QTest::newRow("no file") << QString();
        QTest::newRow("count not a number") << QStringLiteral("[AName]\nCount=x\n0=a\n[Sort]\nSortKey=2\nOther=1\n");
        QTest::newRow("count missing") << QStringLiteral("[AName]\n0=a\n");
    }
    void accountListFirstStartDefaults()
    {
        QFETCH(QString, registry);
        const QString file = dir() + QStringLiteral("AName.ini");
        if (!registry.isNull())
            writeBytes(file, cp932Lines(registry));
        QVERIFY(LoadAccountList(dir()).isEmpty());
        QCOMPARE(IniGetString(QStringLiteral("AName"), QStringLiteral("Count"), 50, file), QStringLiteral("0"));
        QStringList sort;
        QVERIFY(IniGetSection(QStringLiteral("Sort"), file, sort));
        QCOMPARE(sort, (QStringList{QStringLiteral("SortKey=5"), QStringLiteral("SortOrder=1")}));
    }

    void displaySettingsMinimumRules()
    {
        const QString file = dir() + QStringLiteral("AName.ini");
        writeBytes(file, cp932Lines(QStringLiteral("[Window]\nWidth=2500\nTop=100\nSendWidth=2000\nSendHeight=8000\n"
                                                   "MainState=1\nSplitter1=3100\n[Sort]\nSortKey=9\nSortOrder=0\n"
                                                   "[LsvMailWidth]\nLsvSub=1234.5\nLsvFrom=wide\n[LsvAdd]\nHyouji=True\n")));
        const DisplaySettings s = loadDisplaySettings(file);
        QCOMPARE(s.mainWindow.width, qint16(11200));  // below 3000
        QCOMPARE(s.mainWindow.height, qint16(7500));  // missing
        QCOMPARE(s.mainWindow.top, std::optional<qint16>(100));
        QCOMPARE(s.mainWindow.left, std::optional<qint16>());
        QCOMPARE(s.composeWindow.width, qint16(6000)); // below 3000
        QCOMPARE(s.composeWindow.height, qint16(8000));
        QCOMPARE(s.readWindow.width, qint16(6510));   // missing
        QCOMPARE(s.mainState, qint16(1));
        QCOMPARE(s.splitters[1], qint16(3100));
        QCOMPARE(s.sortKey, 5); // 9 is no column: built-in key
        QCOMPARE(s.sortOrder, 0);
        QCOMPARE(s.columnWidths[4], 1234.5);
        QCOMPARE(s.columnWidths[3], 2500.0); // not a number: built-in width
        QVERIFY(s.addressPaneShown);
    }

    void exitWritesColumnsOnlyAfterHeaderClick()
    {
        const QString file = dir() + QStringLiteral("AName.ini");
        DisplaySettings s;
        s.columnWidths[0] = 999;
        s.mainWindow.top = 10;
        writeExitDisplaySettings(file, s, false);
        QStringList lines;
        QVERIFY(!IniGetSection(QStringLiteral("LsvMailWidth"), file, lines));
        QVERIFY(!IniGetSection(QStringLiteral("Sort"), file, lines));
        QVERIFY(IniGetSection(QStringLiteral("Window"), file, lines));
        QCOMPARE(lines.first(), QStringLiteral("Width=11200"));
        QCOMPARE(lines.at(2), QStringLiteral("Top=10"));
        QCOMPARE(lines.last(), QStringLiteral("MainState=0"));
        QCOMPARE(lines.size(), 17);

        writeExitDisplaySettings(file, s, true);
        QCOMPARE(IniGetString(QStringLiteral("LsvMailWidth"), QStringLiteral("LsvFlg"), 50, file), QStringLiteral("999"));
        const DisplaySettings back = loadDisplaySettings(file);
        QCOMPARE(back.columnWidths, s.columnWidths);
        QCOMPARE(back.mainWindow.top, s.mainWindow.top);
        QCOMPARE(back.composeWindow.top, std::optional<qint16>()); // never placed: stays unset
    }

    void textFontWritesOnlyChanges()
    {
        const QString file = dir() + QStringLiteral("AName.ini");
        TextFont kept = readTextFont(file);
        QCOMPARE(kept.name, QStringLiteral("ＭＳ ゴシック"));
        TextFont chosen = kept;
        chosen.bold = true;
        saveTextFontChanges(file, kept, chosen);
        QStringList lines;
        QVERIFY(IniGetSection(QStringLiteral("Font"), file, lines));
        QCOMPARE(lines, QStringList{QStringLiteral("ReadBold=True")});
        QVERIFY(readTextFont(file).bold);
    }

    void addressHistoryReading_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("normal") << QStringLiteral("Count=2\n0=a@x\n1=b@x") << QStringList{"a@x", "b@x"};
        QTest::newRow("empty count") << QStringLiteral("Count=\n0=a@x") << QStringList{};
        QTest::newRow("count beyond 7 stops at 7")
            << QStringLiteral("Count=9\n0=0\n1=1\n2=2\n3=3\n4=4\n5=5\n6=6\n7=7\n8=8")
            << QStringList{"0", "1", "2", "3", "4", "5", "6"};
        QTest::newRow("count not a number") << QStringLiteral("Count=x\n0=a") << QStringList{};
    }
    void addressHistoryReading()
    {
        QFETCH(QString, section);
        QFETCH(QStringList, expected);
        const QString file = dir() + QStringLiteral("acc.ini");
        writeBytes(file, cp932Lines(QStringLiteral("[RirekiTo]\n") + section + QLatin1Char('\n')));
        const AddressHistory history = readAddressHistory(QStringLiteral("RirekiTo"), file);
        QStringList used;
        for (const QString& slot : history) {
            if (!slot.isEmpty())
                used.append(slot);
        }
        QCOMPARE(used, expected);
    }

    void pushHistoryKeepsSixNewestFirst()
    {
        AddressHistory history;
        for (int i = 1; i <= 7; ++i)
            PushHistory(QStringLiteral("a%1").arg(i), history);
        QCOMPARE(history[0], QStringLiteral("a7"));
        QCOMPARE(history[5], QStringLiteral("a2")); // a1, the oldest, was pushed out
        QVERIFY(history[6].isEmpty());
        PushHistory(QStringLiteral("a4"), history);
        QCOMPARE(history[0], QStringLiteral("a4"));
        QCOMPARE(history[1], QStringLiteral("a7"));
        QCOMPARE(std::count(history.begin(), history.end(), QStringLiteral("a4")), 1);
        PushHistory(QString(), history);
        QCOMPARE(history[0], QStringLiteral("a4"));
    }

    void emptyHistoryWritesNothing()
    {
        const QString file = dir() + QStringLiteral("acc.ini");
        writeBytes(file, cp932Lines(QStringLiteral("[RirekiCC]\nCount=1\n0=old@x\n")));
        writeAddressHistory(QStringLiteral("RirekiCC"), file, AddressHistory{});
        QCOMPARE(readAddressHistory(QStringLiteral("RirekiCC"), file)[0], QStringLiteral("old@x"));
    }
};

QTEST_GUILESS_MAIN(TestAccountSettings)
#include "test_account_settings.moc"
