// fumibako-tool junk: learning from files and judging them, as a script or cron job uses it.
#include "support/TestFiles.h"
#include "support/ToolRun.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace fumibako::test;

class TestJunkTool : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    ToolRun junk(const QStringList& args)
    {
        return runTool(QStringList{QStringLiteral("--data-dir"), m_dir.path(), QStringLiteral("junk")} + args);
    }

    QString writeMessage(const QString& name, const QString& subject, const QString& body)
    {
        const QString path = m_dir.filePath(QStringLiteral("mail/") + name);
        writeBytes(path, (QStringLiteral("From: x <x@example.jp>\r\nSubject: ") + subject
                          + QStringLiteral("\r\nContent-Type: text/plain; charset=utf-8\r\n\r\n") + body + QStringLiteral("\r\n"))
                             .toUtf8());
        return path;
    }

    QStringList messages(const QString& kind, const QString& subject, const QString& body, int count)
    {
        QStringList files;
        for (int i = 0; i < count; ++i)
            files.append(writeMessage(kind + QString::number(i), subject + QString::number(i), body));
        return files;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        writeBytes(m_dir.filePath(QStringLiteral("太郎.ini")), "[Property]\r\n");
    }

    void learnsThenClassifies()
    {
        const QString spam = writeMessage(QStringLiteral("new-spam"), QStringLiteral("【当選】賞金"), QStringLiteral("賞金をお受け取りください"));
        const QString ham = writeMessage(QStringLiteral("new-ham"), QStringLiteral("会議の件"), QStringLiteral("来週の会議の資料です"));
        ToolRun early = junk({QStringLiteral("太郎"), QStringLiteral("classify"), spam});
        QCOMPARE(early.exitCode, 0);
        QVERIFY(early.err.contains(QStringLiteral("学習が足りない"))); // and the receive moves nothing yet

        const QStringList learnSpam = messages(QStringLiteral("s"), QStringLiteral("【当選】賞金のお知らせ"),
                                               QStringLiteral("おめでとうございます。賞金をお受け取りください。"), 20);
        const QStringList learnHam = messages(QStringLiteral("h"), QStringLiteral("会議の資料"),
                                              QStringLiteral("来週の会議の資料を添付します。よろしくお願いします。"), 20);
        ToolRun learnt = junk(QStringList{QStringLiteral("太郎"), QStringLiteral("learn"), QStringLiteral("spam")} + learnSpam);
        QCOMPARE(learnt.exitCode, 0);
        learnt = junk(QStringList{QStringLiteral("太郎"), QStringLiteral("learn"), QStringLiteral("ham")} + learnHam);
        QCOMPARE(learnt.exitCode, 0);
        QVERIFY(learnt.err.contains(QStringLiteral("迷惑メール 20 通、通常のメール 20 通")));

        const ToolRun judged = junk({QStringLiteral("太郎"), QStringLiteral("classify"), spam, ham});
        QCOMPARE(judged.exitCode, 0);
        QCOMPARE(judged.err, QString());
        const QStringList lines = judged.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        static const QRegularExpression line(QStringLiteral("^(spam|ham|unsure)\\t(0|1)\\.\\d{4}\\t(.+)$"));
        QVERIFY(line.match(lines.at(0)).hasMatch());
        QCOMPARE(line.match(lines.at(0)).captured(1), QStringLiteral("spam"));
        QCOMPARE(line.match(lines.at(0)).captured(3), spam);
        QCOMPARE(line.match(lines.at(1)).captured(1), QStringLiteral("ham"));

        const ToolRun status = junk({QStringLiteral("太郎"), QStringLiteral("status")});
        QCOMPARE(status.out, QStringLiteral("spam\t20\nham\t20\n"));
    }

    void refusals_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("unknown account") << QStringList{"花子", "status"} << 1;
        QTest::newRow("a file that is not there") << QStringList{"太郎", "classify", "/nonexistent/mail.eml"} << 1;
        QTest::newRow("learning a file that is not there") << QStringList{"太郎", "learn", "ham", "/nonexistent/mail.eml"} << 1;
        QTest::newRow("neither spam nor ham") << QStringList{"太郎", "learn", "junk", "a.eml"} << 2;
        QTest::newRow("no files") << QStringList{"太郎", "classify"} << 2;
        QTest::newRow("no command") << QStringList{"太郎"} << 2;
    }

    void refusals()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        const ToolRun run = junk(args);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY(!run.err.isEmpty());
        QVERIFY(run.out.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestJunkTool)
#include "test_junk_tool.moc"
