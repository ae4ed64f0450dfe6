// The rules of the settings dialogs, without a display: number boxes, account names, the account
// manager's writes, the environment settings, the list order editor and the font choice.
#include "platform/Cp932.h"
#include "settings/core/AccountManager.h"
#include "settings/core/AccountNames.h"
#include "settings/core/EnvironmentSettings.h"
#include "settings/core/FontChoice.h"
#include "settings/core/JunkSettingsForm.h"
#include "settings/core/ListOrder.h"
#include "settings/core/NumberBoxRule.h"
#include "storage/AccountSession.h"
#include "storage/ProfileStore.h"
#include "RecordingHost.h"
#include "support/RecordingPrompts.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace fumibako;
using namespace fumibako::settings;
using fumibako::test::RecordingHost;
using fumibako::test::RecordingPrompts;
using fumibako::test::cp932Lines;
using fumibako::test::readBytes;
using fumibako::test::writeBytes;

namespace {


QStringList sectionOf(const QString& file, const QString& section)
{
    QStringList lines;
    storage::IniGetSection(section, file, lines);
    return lines;
}

} // namespace

class TestSettingsRules : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString dir() const { return m_dir->path() + QLatin1Char('/'); }
    QString registry() const { return dir() + QStringLiteral("AName.ini"); }

    void makeAccount(const QString& name, const QString& content)
    {
        writeBytes(dir() + name + QStringLiteral(".ini"), cp932Lines(content));
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        storage::clearProfileCache();
    }

    void numberBoxes_data()
    {
        QTest::addColumn<bool>("port");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        // The last good text is "42" in every row.
        QTest::newRow("port plain") << true << "8110" << "8110";
        QTest::newRow("port leading zeros") << true << "0025" << "25";
        QTest::newRow("port above 32767") << true << "50995" << "50995";
        QTest::newRow("port above 65535") << true << "65536" << "42";
        QTest::newRow("port zero kept while typing") << true << "0" << "0";
        QTest::newRow("port zero then digits") << true << "09" << "9";
        QTest::newRow("port negative") << true << "-7" << "0";
        QTest::newRow("port letter") << true << "11a" << "42";
        QTest::newRow("port emptied") << true << "" << "42";
        QTest::newRow("minutes zero") << false << "0" << "1";
        QTest::newRow("minutes 75") << false << "75" << "60";
        QTest::newRow("minutes 32767") << false << "32767" << "60";
        QTest::newRow("minutes beyond a number") << false << "32768" << "42";
        QTest::newRow("minutes emptied") << false << "" << "42";
        QTest::newRow("minutes leading zero") << false << "07" << "7";
    }
    void numberBoxes()
    {
        QFETCH(bool, port);
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        NumberBoxRule rule = port ? portBoxRule() : minutesBoxRule();
        QCOMPARE(rule.corrected(QStringLiteral("7")), QStringLiteral("7"));
        rule.nonDigitKey(QStringLiteral("42"));
        QCOMPARE(rule.corrected(typed), expected);
    }

    void numberBoxArrowsStopAtTheLimits()
    {
        NumberBoxRule port = portBoxRule();
        QCOMPARE(port.step(QStringLiteral("65535"), +1), QStringLiteral("65535"));
        QCOMPARE(port.step(QStringLiteral("0"), -1), QStringLiteral("0"));
        QCOMPARE(port.step(QStringLiteral("110"), +1), QStringLiteral("111"));
        QCOMPARE(port.lastGood(), QStringLiteral("110")); // an arrow stores the text it started from
        NumberBoxRule minutes = minutesBoxRule();
        QCOMPARE(minutes.step(QStringLiteral("60"), +1), QStringLiteral("60"));
        QCOMPARE(minutes.step(QStringLiteral("1"), -1), QStringLiteral("1"));
    }

    void newAccountNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message"); // empty: accepted
        const QString forbidden = QStringLiteral("\\ / ? : * \" < > | [ ] =\r\nの文字は使用できません");
        const QString notFileName = QStringLiteral("このユーザー名はファイル名に使えません");
        const QString tooLong = QStringLiteral("ユーザー名が長すぎます\r\n半角で49文字、全角で24文字までです");
        QTest::newRow("plain") << "jiro" << "";
        QTest::newRow("empty") << "" << "「ユーザー名(ファイル名)」を入力してください";
        QTest::newRow("listed in other case") << "TARO" << "同じユーザー名があります";
        QTest::newRow("full-width letters differ") << "ｔａｒｏ" << "";
        QTest::newRow("slash") << "a/b" << forbidden;
        QTest::newRow("bracket") << "a[b" << forbidden;
        QTest::newRow("leading space") << " jiro" << "先頭もしくは後部にスペースは使えません";
        QTest::newRow("full-width space inside") << "山田　花子" << "";
        QTest::newRow("dot") << "." << notFileName;
        QTest::newRow("dot dot") << ".." << notFileName;
        QTest::newRow("registry name") << "aname" << notFileName;
        QTest::newRow("tab") << "a\tb" << notFileName;
        QTest::newRow("49 bytes") << QString(49, QLatin1Char('x')) << "";
        QTest::newRow("50 bytes") << QString(50, QLatin1Char('x')) << tooLong;
        QTest::newRow("24 kanji") << QString(24, QChar(0x6F22)) << "";
        QTest::newRow("25 kanji") << QString(25, QChar(0x6F22)) << tooLong;
    }
    void newAccountNames()
    {
        QFETCH(QString, name);
        QFETCH(QString, message);
        RecordingPrompts prompts;
        QCOMPARE(checkNewAccountName(name, {QStringLiteral("taro"), QStringLiteral("hanako")}, prompts), message.isEmpty());
        QCOMPARE(prompts.messages.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty())
            QCOMPARE(prompts.messages.first().text, message);
    }

    void propertyLinesKeepTheirOrderAndScramble()
    {
        AccountForm form;
        form.loginName = QStringLiteral("taro");
        form.senderName = QStringLiteral("たろう");
        form.password = QStringLiteral("pw");
        form.popPortGiven = true;
        form.popPortText = QStringLiteral("995");
        const QStringList lines = propertyLines(form, [] { return char16_t(u'#'); });
        QCOMPARE(lines, (QStringList{"AccName=taro", "MailAddress=", "SMTPServer=", "POP3Server=", "Name=たろう",
                                     "Password=s#z#", "APOP=0", "SMTPport=0", "SportNum=25", "POPport=1",
                                     "PportNum=995"}));
    }

    void portsInUseMustBeInRange()
    {
        writeBytes(registry(), cp932Lines(QStringLiteral("[AName]\nCount=1\n0=a\n")));
        makeAccount(QStringLiteral("a"), QStringLiteral("[Property]\nAccName=x\n"));
        RecordingPrompts prompts;
        AccountManager manager(dir(), prompts);
        manager.open(QStringLiteral("a"));
        AccountForm form = manager.showAccount(0);
        manager.startEdit();
        form.popPortText = QStringLiteral("0");
        form.smtpPortGiven = true;
        form.smtpPortText = QStringLiteral("0");
        QVERIFY(!manager.confirm(form)); // the SMTP port is to be used
        QCOMPARE(prompts.messages.last().text, QStringLiteral("ポート番号は1から65535までの数で指定してください"));
        QCOMPARE(manager.mode(), AccountMode::Edit);
        form.smtpPortText = QStringLiteral("587");
        QVERIFY(manager.confirm(form)); // the unused POP port may say anything
        QCOMPARE(prompts.messages.size(), 1);
    }

    void plainLoginOptInOnlyWhereItApplies()
    {
        storage::AccountSecurity security;
        security.pop3 = {platform::mail::ConnectionSecurity::Tls, true};
        security.smtp = {platform::mail::ConnectionSecurity::Automatic, true};
        const storage::AccountSecurity stored = storedSecurity(security);
        QVERIFY(!stored.pop3.allowPlainLogin);
        QVERIFY(stored.smtp.allowPlainLogin);
    }

    void newAccountIsListedOnlyWithItsFile()
    {
        // The registry cannot be written (a folder stands in its place): the new file goes again.
        QVERIFY(QDir().mkpath(registry()));
        RecordingPrompts prompts;
        AccountManager manager(dir(), prompts);
        manager.open(QString());
        QCOMPARE(manager.mode(), AccountMode::New);
        AccountForm form;
        form.userName = QStringLiteral("jiro");
        QVERIFY(!manager.confirm(form));
        QCOMPARE(prompts.messages.last().text, QStringLiteral("INIファイル保存に失敗しました"));
        QVERIFY(!QFile::exists(dir() + QStringLiteral("jiro.ini")));
        QCOMPARE(manager.mode(), AccountMode::New); // what was typed can be saved again
        QVERIFY(manager.cancel());                   // without accounts, "閉じる" closes
    }

    void unwritableDataDirectoryWritesNothing()
    {
        // A data directory that cannot be written to, even by root: its path runs through a file.
        writeBytes(dir() + QStringLiteral("blocked"), "x");
        const QString blocked = dir() + QStringLiteral("blocked/data/");
        RecordingPrompts prompts;
        AccountManager manager(blocked, prompts);
        manager.open(QString());
        AccountForm form;
        form.userName = QStringLiteral("jiro");
        QVERIFY(!manager.confirm(form));
        QCOMPARE(prompts.messages.size(), 1);
        QCOMPARE(prompts.messages.first().text, QStringLiteral("保存失敗に失敗しました"));
        QCOMPARE(manager.mode(), AccountMode::New);
    }

    void deleteRewritesTheRegistryThenRemovesTheFile()
    {
        writeBytes(registry(), cp932Lines(QStringLiteral("[AName]\nCount=3\n0=a\n1=b\n2=c\n")));
        for (const char* name : {"a", "b", "c"})
            makeAccount(QString::fromLatin1(name), QStringLiteral("[Property]\nAccName=x\n"));
        RecordingPrompts prompts;
        AccountManager manager(dir(), prompts);
        manager.open(QStringLiteral("b"));
        QCOMPARE(manager.shownAccount(), QStringLiteral("b"));
        QVERIFY(!manager.deleteShown()); // the question is answered No
        QVERIFY(QFile::exists(dir() + QStringLiteral("b.ini")));
        prompts.answerNext(platform::Answer::Yes);
        QVERIFY(manager.deleteShown());
        QCOMPARE(prompts.messages.last().title, QStringLiteral("ユーザーを削除します"));
        QCOMPARE(readBytes(registry()), cp932Lines(QStringLiteral("[AName]\nCount=2\n0=a\n1=c\n")));
        QVERIFY(!QFile::exists(dir() + QStringLiteral("b.ini")));
        QVERIFY(QFile::exists(dir() + QStringLiteral("c.ini")));
    }

    void deletedAccountIsNotWrittenAgainOnTheSwitch()
    {
        writeBytes(registry(), cp932Lines(QStringLiteral("[AName]\nCount=2\n0=a\n1=b\n")));
        makeAccount(QStringLiteral("a"), QStringLiteral("[Property]\nAccName=x\n"));
        makeAccount(QStringLiteral("b"), QStringLiteral("[Property]\nAccName=y\n"));
        QTemporaryDir work;
        RecordingPrompts prompts;
        storage::AccountSession session(storage::ProgramPaths::make(dir(), work.path()), prompts, {});
        RecordingHost host;
        QVERIFY(session.OpenAccount(QStringLiteral("a"), host));
        session.setWindowLoaded(true);
        session.folderTree().addFolder(1);
        QVERIFY(session.folderTree().isChanged());
        QVERIFY(QFile::remove(dir() + QStringLiteral("a.ini")));
        QVERIFY(session.OpenAccount(QStringLiteral("b"), host));
        QVERIFY(!QFile::exists(dir() + QStringLiteral("a.ini")));
    }

    void longPropertyValuesReadBackWhole()
    {
        // A sender name of 30 kanji (60 bytes) keys the password's shift; cut to 24 it gave another.
        AccountForm form;
        form.senderName = QString(30, QChar(0x540D));
        form.mailAddress = QStringLiteral("a.very.long.mailbox.name.for.testing@mail.example-provider.co.jp");
        form.password = QStringLiteral("correct horse battery staple");
        const QString file = dir() + QStringLiteral("x.ini");
        QVERIFY(storage::IniWriteSection(QStringLiteral("Property"), file, propertyLines(form)));
        const AccountForm back = readAccountForm(file);
        QCOMPARE(back.senderName, form.senderName);
        QCOMPARE(back.mailAddress, form.mailAddress);
        QCOMPARE(back.password, form.password);
    }

    void soundFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // empty: no file
        QTest::addColumn<int>("state");
        QTest::newRow("wave") << QByteArray("RIFF\x24\0\0\0WAVEfmt ", 16) << int(SoundFileState::Usable);
        QTest::newRow("mp3") << QByteArray("ID3\x03\0\0\0\0\0\0\0\0", 12) << int(SoundFileState::NotWave);
        QTest::newRow("riff but not wave") << QByteArray("RIFF\x24\0\0\0AVI LIST", 16) << int(SoundFileState::NotWave);
        QTest::newRow("short") << QByteArray("RIFF") << int(SoundFileState::NotWave);
        QTest::newRow("missing") << QByteArray() << int(SoundFileState::Missing);
    }
    void soundFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, state);
        const QString path = dir() + QStringLiteral("s.wav");
        if (!bytes.isEmpty())
            writeBytes(path, bytes);
        QCOMPARE(int(checkSoundFile(path)), state);
        QCOMPARE(int(checkSoundFile(m_dir->path())), int(SoundFileState::Missing)); // a folder
    }

    void environmentSaveWritesNineLinesAndMemory()
    {
        makeAccount(QStringLiteral("a"), QStringLiteral("[Kankyou]\nKidouJusin=1\nAutoPOPTime=5\nOld=x\n[Folder]\nCount=0\n"));
        QTemporaryDir work;
        RecordingPrompts prompts;
        storage::AccountSession session(storage::ProgramPaths::make(dir(), work.path()), prompts, {});
        RecordingHost host;
        QVERIFY(session.OpenAccount(QStringLiteral("a"), host));
        host.receiveMethod = -1;
        EnvironmentSettings settings(session, host, prompts);
        EnvironmentForm form = settings.open(true);
        QVERIFY(form.receiveAtStart);
        QVERIFY(form.gridLines);
        QCOMPARE(form.minutesText, QStringLiteral("5"));

        form.receiveMethod = 2;
        form.autoReceive = true;
        form.minutesText = QStringLiteral("12");
        form.newMailSound = true;
        form.soundFile = dir() + QStringLiteral("none.wav");
        QVERIFY(!settings.save(form)); // sound on, file missing: nothing written
        QCOMPARE(prompts.messages.last().text, QStringLiteral("サウンドファイルが見つかりません"));
        QCOMPARE(prompts.messages.last().title, QStringLiteral("パスエラー"));
        QCOMPARE(host.receiveMethod, -1);

        form.newMailSound = false; // a missing file no longer matters; its path is stored as it is
        QVERIFY(settings.save(form));
        QCOMPARE(sectionOf(session.paths().userFile, QStringLiteral("Kankyou")),
                 (QStringList{"KidouJusin=1", "MailHozon=0", "MailJusin=2", "AutoPOP=1", "AutoPOPTime=12", "MailSound=0",
                              "MailSoundPath=" + form.soundFile, "Syomei=0", "GridLine=1"}));
        QCOMPARE(sectionOf(session.paths().userFile, QStringLiteral("Folder")), QStringList{"Count=0"});
        QCOMPARE(host.receiveMethod, 2);
        QVERIFY(host.gridLines);
        QCOMPARE(session.environment().autoReceive, qint16(1));
        QCOMPARE(session.environment().autoReceiveMinutes, qint16(12));
        QCOMPARE(session.environment().receiveMethod, qint16(2));
    }

    void listOrderMovesAndApplies()
    {
        writeBytes(registry(), cp932Lines(QStringLiteral("[AName]\nCount=3\n0=a\n1=b\n2=c\n")));
        makeAccount(QStringLiteral("b"), QStringLiteral("[Syomei]\nCount=3\n0=s1\n1=s2\n2=s3\nExtra=1\n[Search]\nCount=1\n0=w\n"));
        ListOrder order(dir());
        order.open();
        QCOMPARE(order.move(ListOrder::Accounts, 0, -1), 0); // first up: nothing
        QCOMPARE(order.move(ListOrder::Accounts, 2, +1), 2); // last down: nothing
        QCOMPARE(order.move(ListOrder::Accounts, 2, -1), 1);
        QCOMPARE(order.list(ListOrder::Accounts), (QStringList{"a", "c", "b"}));
        order.chooseAccount(2);
        QCOMPARE(order.move(ListOrder::Signatures, 0, +1), 1);
        QCOMPARE(order.move(ListOrder::SearchWords, 0, +1), 0); // one entry
        order.apply();
        QCOMPARE(readBytes(registry()), cp932Lines(QStringLiteral("[AName]\nCount=3\n0=a\n1=c\n2=b\n")));
        QCOMPARE(sectionOf(dir() + QStringLiteral("b.ini"), QStringLiteral("Syomei")),
                 (QStringList{"Count=3", "0=s2", "1=s1", "2=s3"}));
        QCOMPARE(sectionOf(dir() + QStringLiteral("b.ini"), QStringLiteral("Search")), (QStringList{"Count=1", "0=w"}));
    }

    void listOrderKeepsLongNamesWhole()
    {
        const QString longName = QString(40, QChar(0x7F72)); // 80 bytes: beyond the usual 69
        writeBytes(registry(), cp932Lines(QStringLiteral("[AName]\nCount=1\n0=b\n")));
        makeAccount(QStringLiteral("b"), QStringLiteral("[Syomei]\nCount=2\n0=") + longName + QStringLiteral("\n1=s\n"));
        ListOrder order(dir());
        order.open();
        order.chooseAccount(0);
        order.move(ListOrder::Signatures, 1, -1);
        order.apply();
        QCOMPARE(sectionOf(dir() + QStringLiteral("b.ini"), QStringLiteral("Syomei")),
                 (QStringList{"Count=2", "0=s", "1=" + longName}));
        QCOMPARE(readBytes(registry()), cp932Lines(QStringLiteral("[AName]\nCount=1\n0=b\n"))); // one entry: untouched
    }

    void fontFaces_data()
    {
        QTest::addColumn<bool>("fixedOnly");
        QTest::addColumn<bool>("noSymbol");
        QTest::addColumn<QStringList>("faces");
        QTest::newRow("all") << false << false << QStringList{kDefaultFaceEntry, "ＭＳ ゴシック", "ＭＳ Ｐゴシック", "記号"};
        QTest::newRow("fixed") << true << false << QStringList{kDefaultFaceEntry, "ＭＳ ゴシック"};
        QTest::newRow("no symbol") << false << true << QStringList{kDefaultFaceEntry, "ＭＳ ゴシック", "ＭＳ Ｐゴシック"};
    }
    void fontFaces()
    {
        QFETCH(bool, fixedOnly);
        QFETCH(bool, noSymbol);
        QFETCH(QStringList, faces);
        const QList<FontFamilyInfo> installed{{QStringLiteral(" ＭＳ ゴシック "), true, true, false},
                                              {QStringLiteral("ＭＳ Ｐゴシック"), true, false, false},
                                              {QStringLiteral("DejaVu Sans Mono"), false, true, false},
                                              {QStringLiteral("記号"), true, false, true}};
        QCOMPARE(listedFaces(installed, fixedOnly, noSymbol), faces);
    }

    void fontSizes_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("index");
        QTest::newRow("empty") << "" << 2;
        QTest::newRow("zero") << "0" << 0;
        QTest::newRow("seven") << "7" << 7;
        QTest::newRow("eight") << "8" << 2;
        QTest::newRow("word") << "abc" << 2;
    }
    void fontSizes()
    {
        QFETCH(QString, stored);
        QFETCH(int, index);
        QCOMPARE(initialSizeIndex(stored), index);
    }

    void fontChoiceIsStoredWithItsLeadingSpace()
    {
        QCOMPARE(sizeEntries().size(), 8);
        QCOMPARE(sizeEntries().at(6), QStringLiteral("6 (24ポイント)"));
        QCOMPARE(storedSize(0), QString());
        storePreviewFont(registry(), kDefaultFaceEntry, storedSize(2));
        QCOMPARE(readBytes(registry()), cp932Lines(QStringLiteral("[Font]\nMainName= IEのデフォルト\nMainSize=2\n")));
    }
    // The "迷惑メール" frame: what it stores of what it shows, and what it says of the learning.
    void junkFrame()
    {
        JunkForm form;
        form.tagsText = QStringLiteral(" [meiwaku]\u3000***SPAM***  ");
        form.deleteOld = false;
        form.deleteAfterDays = 12;
        filing::JunkSettings settings = junkSettingsOf(form);
        QCOMPARE(settings.providerTags, (QStringList{"[meiwaku]", "***SPAM***"}));
        QCOMPARE(settings.deleteAfterDays, 0); // not asked for: kept
        form.deleteOld = true;
        QCOMPARE(junkSettingsOf(form).deleteAfterDays, 12);
        QCOMPARE(junkForm(junkSettingsOf(form)).deleteAfterDays, 12);
        form.deleteAfterDays = 0;
        QCOMPARE(junkSettingsOf(form).deleteAfterDays, 1);
        QVERIFY(junkLearningText({19, 400}).contains(QStringLiteral("20 通以上学習するまで")));
        QCOMPARE(junkLearningText({20, 20}), QStringLiteral("学習済み: 迷惑メール 20 通、通常のメール 20 通"));
    }
};

QTEST_MAIN(TestSettingsRules)
#include "test_settings_rules.moc"
