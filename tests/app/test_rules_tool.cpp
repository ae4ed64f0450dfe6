#include "filing/FilingLog.h"
#include "filing/RuleFile.h"
#include "storage/Paths.h"
#include "storage/ProfileStore.h"
#include "support/TestFiles.h"
#include "support/ToolRun.h"

#include <QTemporaryDir>
#include <QTest>

using namespace fumibako::test;

// `fumibako-tool rules`: listing, Sieve in and out, and filing a folder by the rules.
class TestRulesTool : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

    QString data() const { return m_dir->path() + QLatin1Char('/'); }
    QString mailbox() const { return data() + QStringLiteral("MailBox/太郎/"); }
    QString index() const { return mailbox() + QStringLiteral("MailCom.ini"); }

    ToolRun tool(const QStringList& args) { return runTool(QStringList{QStringLiteral("--data-dir"), m_dir->path()} + args); }

    ToolRun importScript(const QByteArray& script)
    {
        const QString file = data() + QStringLiteral("rules.sieve");
        writeBytes(file, script);
        return tool({QStringLiteral("rules"), QStringLiteral("太郎"), QStringLiteral("import"), file});
    }

    QStringList section(const QString& name) const
    {
        fumibako::storage::clearProfileCache();
        QStringList lines;
        fumibako::storage::IniGetSection(name, index(), lines);
        return lines;
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        writeBytes(data() + QStringLiteral("AName.ini"), cp932Lines(QStringLiteral("[AName]\nCount=1\n0=太郎\n")));
        writeBytes(data() + QStringLiteral("太郎.ini"), cp932Lines(QStringLiteral("[Folder]\nCount=1\n0=受信BOX\\仕事\n")));
    }

    void importCreatesFoldersAndLists()
    {
        const ToolRun run = importScript("require [\"fileinto\", \"imap4flags\"];\n"
                                         "# rule:[会議]\n"
                                         "if header :contains \"subject\" \"会議\" { fileinto \"受信BOX/仕事\"; }\n"
                                         "elsif header :contains \"from\" \"shop@\" { addflag \"\\\\Seen\"; fileinto \"買い物/セール\"; }\n");
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QStringLiteral("フォルダを作りました: 受信BOX\\買い物\nフォルダを作りました: 受信BOX\\買い物\\セール\n"
                                         "2 件のルールを取り込みました\n"));
        QStringList folders;
        fumibako::storage::IniGetSection(QStringLiteral("Folder"), data() + QStringLiteral("太郎.ini"), folders);
        QCOMPARE(folders, (QStringList{QStringLiteral("Count=3"), QStringLiteral("0=受信BOX\\仕事"),
                                       QStringLiteral("1=受信BOX\\買い物"), QStringLiteral("2=受信BOX\\買い物\\セール")}));
        const ToolRun list = tool({QStringLiteral("rules"), QStringLiteral("太郎")});
        QCOMPARE(list.exitCode, 0);
        QCOMPARE(list.out, QStringLiteral("1\t有効\t会議\t件名に「会議」を含む → 受信BOX\\仕事へ移動\n"
                                          "2\t有効\tルール2\t（前のルールに当てはまらないとき）差出人に「shop@」を含む → 既読にする、"
                                          "受信BOX\\買い物\\セールへ移動\n"));
    }

    // A script the subset cannot take leaves the stored rules as they were.
    void refusedScriptKeepsTheRules_data()
    {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<QString>("error");
        QTest::newRow("extension") << QByteArray("require [\"fileinto\", \"vacation\"];\nkeep;\n")
                                   << "1行 9列: 使えない拡張機能です: vacation";
        QTest::newRow("syntax") << QByteArray("if true {\n  keep\n}\n") << "3行 1列: 「;」がありません";
    }
    void refusedScriptKeepsTheRules()
    {
        QFETCH(QByteArray, script);
        QVERIFY(importScript("keep;\n").exitCode == 0);
        const QByteArray before = readBytes(mailbox() + QStringLiteral("FilingRules.ini"));
        const ToolRun run = importScript(script);
        QCOMPARE(run.exitCode, 1);
        QFETCH(QString, error);
        QCOMPARE(run.err, data() + QStringLiteral("rules.sieve: ") + error + u'\n');
        QCOMPARE(readBytes(mailbox() + QStringLiteral("FilingRules.ini")), before);
    }

    void exportImportsBack()
    {
        QVERIFY(importScript("require [\"fileinto\", \"copy\", \"body\", \"comparator-i;unicode-casemap\"];\n"
                             "if allof (body :text :contains :comparator \"i;unicode-casemap\" \"請求書\", size :over 10K)"
                             " { fileinto :copy \"受信BOX/仕事\"; discard; }\n")
                    .exitCode == 0);
        const QByteArray rules = readBytes(mailbox() + QStringLiteral("FilingRules.ini"));
        const ToolRun exported = tool({QStringLiteral("rules"), QStringLiteral("太郎"), QStringLiteral("export")});
        QCOMPARE(exported.exitCode, 0);
        QVERIFY(exported.out.startsWith(QStringLiteral("# フミバコの振り分けルール（アカウント 太郎）\n")));
        QVERIFY(importScript(exported.out.toUtf8()).exitCode == 0);
        QCOMPARE(readBytes(mailbox() + QStringLiteral("FilingRules.ini")), rules);
    }

    void applyFilesAFolder()
    {
        writeBytes(mailbox() + QStringLiteral("input/a.eml"), "From: x\r\n\r\n");
        writeBytes(mailbox() + QStringLiteral("input/b.eml"), "From: x\r\n\r\n");
        writeBytes(mailbox() + QStringLiteral("input/c.eml"), "From: x\r\n\r\n");
        writeBytes(index(), cp932Lines(QStringLiteral("[標準BOX]\na.eml=010\t山田 <y@example.jp>\tｾｰﾙのお知らせ\t2026/12/01 09:00:00\n"
                                                      "b.eml=010\t佐藤\t会議の件\t2026/12/02 10:00:00\n"
                                                      "c.eml=010\t鈴木\tこんにちは\t2026/12/03 10:00:00\n")));
        QVERIFY(importScript("require [\"fileinto\", \"imap4flags\", \"comparator-i;unicode-casemap\"];\n"
                             "if header :contains :comparator \"i;unicode-casemap\" \"subject\" \"セール\" { addflag \"\\\\Seen\"; fileinto \"買い物\"; }\n"
                             "if header :contains \"subject\" \"会議\" { fileinto \"受信BOX/消した\"; }\n")
                    .exitCode == 0);
        // A folder a rule names may be gone by the time the rules run.
        writeBytes(data() + QStringLiteral("太郎.ini"), cp932Lines(QStringLiteral("[Folder]\nCount=1\n0=受信BOX\\買い物\n")));
        const ToolRun run = tool({QStringLiteral("rules"), QStringLiteral("太郎"), QStringLiteral("apply"), QStringLiteral("標準BOX")});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QStringLiteral("3 通のうち 1 通を振り分けました\n"));
        QCOMPARE(run.err, QStringLiteral("振り分け先のフォルダがありません: ルール「ルール2」: 受信BOX\\消した\n"));
        QCOMPARE(section(QStringLiteral("受信BOX\\買い物")),
                 QStringList{QStringLiteral("a.eml=000\t山田 <y@example.jp>\tｾｰﾙのお知らせ\t2026/12/01 09:00:00")});
        QCOMPARE(section(QStringLiteral("標準BOX")).size(), 2);
        const QList<fumibako::filing::FilingLogEntry> log = fumibako::filing::readFilingLog(mailbox() + QStringLiteral("FilingLog.txt"));
        QCOMPARE(log.size(), 2);
        QCOMPARE(log.last().how, QStringLiteral("振り分け実行"));
        // Again: nothing more to do.
        const ToolRun again = tool({QStringLiteral("rules"), QStringLiteral("太郎"), QStringLiteral("apply"), QStringLiteral("受信BOX")});
        QCOMPARE(again.out, QStringLiteral("3 通のうち 0 通を振り分けました\n"));
    }

    void refusesAnOutgoingFolderAndAnUnknownAccount()
    {
        QCOMPARE(tool({QStringLiteral("rules"), QStringLiteral("太郎"), QStringLiteral("apply"), QStringLiteral("送信BOX")}).exitCode, 1);
        QCOMPARE(tool({QStringLiteral("rules"), QStringLiteral("花子")}).exitCode, 1);
        QCOMPARE(tool({QStringLiteral("rules"), QStringLiteral("太郎"), QStringLiteral("remove")}).exitCode, 2);
    }
};

QTEST_GUILESS_MAIN(TestRulesTool)
#include "test_rules_tool.moc"
