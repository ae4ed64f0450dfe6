// fumibako-tool's address commands: the book as the manager loads it, the import rows and the export.
#include "support/TestFiles.h"
#include "support/ToolRun.h"

#include <QTemporaryDir>
#include <QTest>

using namespace fumibako::test;

class TestAddressTool : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString file(const QString& name, const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(name);
        writeBytes(path, bytes);
        return path;
    }

private Q_SLOTS:
    void show_data()
    {
        QTest::addColumn<QByteArray>("book");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::newRow("manager's order")
            << cp932Lines(QStringLiteral("1.1\nRoot\\仕事\t佐藤\ts@x\t\nRoot\t山田\ty@x\tメモ\tTAB入り\n"))
            << 0 << QStringLiteral("Root\t山田\ty@x\tメモ\tTAB入り\nRoot\\仕事\t佐藤\ts@x\t\n") << QString();
        QTest::newRow("old book") << cp932Lines(QStringLiteral("1.0\nRoot\tA\ta@x\t\n")) << 1 << QString()
                                  << QStringLiteral("昔のアドレス帳は使えません。「保存」しますと今のアドレス帳はなくなります。");
        QTest::newRow("broken book") << cp932Lines(QStringLiteral("1.1\nHome\\x\tA\ta@x\t\n")) << 1 << QString()
                                     << QStringLiteral("アドレス帳が壊れているか、対応してないアドレス帳です");
    }

    void show()
    {
        QFETCH(QByteArray, book);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);
        const ToolRun run = runTool({QStringLiteral("address"), QStringLiteral("show"), file(QStringLiteral("Address.txt"), book)});
        QCOMPARE(run.exitCode, exitCode);
        QCOMPARE(run.out, out);
        QVERIFY2(run.err.contains(err), qPrintable(run.err));
    }

    void import_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::newRow("oe, utf-8 with mark") << "oe"
                                             << QByteArray("\xEF\xBB\xBF") + QStringLiteral("表示名,電子メール アドレス,メモ\r\n山田,y@x,\"a,b\"\r\n").toUtf8()
                                             << 0 << QStringLiteral("山田\ty@x\ta,b\n") << QString();
        QTest::newRow("almail, code page 932 with an error") << "almail"
                                                             << cp932Lines(QStringLiteral("山田: y@x\n壊れた行\n佐藤: s@x\n"))
                                                             << 1 << QStringLiteral("山田\ty@x\t\n")
                                                             << QStringLiteral("対応しているAl-Mailのアドレス形式ではありません");
        QTest::newRow("becky") << "becky" << cp932Lines(QStringLiteral("山田\ty@x\t\tメモ\t\n")) << 0
                               << QStringLiteral("山田\ty@x\tメモ\n") << QString();
        QTest::newRow("binary") << "oe" << QByteArray("\x7F" "ELF\x02\x01\x01\0\0\0", 10) << 1 << QString()
                                << QStringLiteral("1 行目に文字ではないデータがあります。");
    }

    void import()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, bytes);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);
        const ToolRun run = runTool({QStringLiteral("address"), QStringLiteral("import"), kind, file(QStringLiteral("in.txt"), bytes)});
        QCOMPARE(run.exitCode, exitCode);
        QCOMPARE(run.out, out);
        QVERIFY2(run.err.contains(err), qPrintable(run.err));
    }

    void exportWritesTheFileOfTheDataDirectory()
    {
        QTemporaryDir data;
        writeBytes(data.filePath(QStringLiteral("Address.txt")),
                   cp932Lines(QStringLiteral("1.1\nRoot\\b\tB\tb@x\t\nRoot\tA\ta@x\tc,d\n")));
        const ToolRun run = runTool({QStringLiteral("--data-dir"), data.path(), QStringLiteral("address"), QStringLiteral("export")});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, data.path() + QStringLiteral("/\nに「Exp_Address.csv」を作成しました\n"));
        QCOMPARE(readBytes(data.filePath(QStringLiteral("Exp_Address.csv"))),
                 cp932Lines(QStringLiteral("表示名,電子メール アドレス,メモ\nA,a@x,\"c,d\"\nB,b@x,\n")));
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("no subcommand") << QStringList{"address"};
        QTest::newRow("unknown kind") << QStringList{"address", "import", "csv", "x"};
        QTest::newRow("show without file") << QStringList{"address", "show"};
    }

    void usageErrors()
    {
        QFETCH(QStringList, args);
        const ToolRun run = runTool(args);
        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.err.startsWith(QStringLiteral("usage:")));
    }
};

QTEST_GUILESS_MAIN(TestAddressTool)
#include "test_address_tool.moc"
