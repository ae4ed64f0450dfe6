#include "filing/RuleFile.h"
#include "platform/Cp932.h"
#include "storage/ProfileStore.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace fumibako::filing;
using fumibako::test::readBytes;
using fumibako::test::writeBytes;

namespace {

RuleList sampleRules()
{
    Rule list;
    list.name = QStringLiteral("メーリングリスト");
    list.matchAll = false;
    Condition id;
    id.field = ConditionField::Header;
    id.headerNames = {QStringLiteral("List-Id"), QStringLiteral("X-ML-Name")};
    id.keys = {QStringLiteral("<work.example.jp>"), QStringLiteral(" 前後に空白 "), QStringLiteral("tab\there 50%"), QString()};
    id.negated = true;
    Condition domain;
    domain.field = ConditionField::Address;
    domain.headerNames = {QStringLiteral("From")};
    domain.addressPart = AddressPart::Domain;
    domain.match = MatchType::Is;
    domain.comparison = Comparison::AsciiCase;
    domain.keys = {QStringLiteral("example.jp")};
    Condition size;
    size.field = ConditionField::SizeOver;
    size.sizeBytes = 1048576;
    list.conditions = {id, domain, size};
    list.actions = {{ActionKind::Move, QStringLiteral("受信BOX\\仕事\\会議")}, {ActionKind::MarkRead, QString()}};

    Rule chained;
    chained.name = QStringLiteral("\"引用符\" で始まる");
    chained.enabled = false;
    chained.chained = true;
    Condition pattern;
    pattern.field = ConditionField::Subject;
    pattern.match = MatchType::Regex;
    pattern.comparison = Comparison::Exact;
    pattern.keys = {QStringLiteral("^\\[ml:[0-9]+\\]")};
    Condition attachments;
    attachments.field = ConditionField::HasAttachments;
    chained.conditions = {pattern, attachments};
    chained.actions = {{ActionKind::Copy, QStringLiteral("標準BOX")}, {ActionKind::Flag, QString()}, {ActionKind::Stop, QString()}};

    Rule trash;
    trash.name = QStringLiteral("迷惑");
    trash.actions = {{ActionKind::Trash, QString()}};

    Rule large;
    large.name = QStringLiteral("大きいメール");
    Condition over;
    over.field = ConditionField::SizeOver;
    over.sizeBytes = 5 * 1024 * 1024;
    large.conditions = {over};
    large.actions = {{ActionKind::LeaveOnServer, QString()}};
    Rule spam = large;
    spam.name = QStringLiteral("サーバーで削除");
    spam.actions = {{ActionKind::DeleteOnServer, QString()}};
    return {list, chained, trash, large, spam};
}

} // namespace

class RuleFileTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    void rulesReadBackAsWritten()
    {
        const QString file = m_dir->filePath(QStringLiteral("FilingRules.ini"));
        RuleList rules = sampleRules();
        QVERIFY(writeRules(file, rules));
        fumibako::storage::clearProfileCache();
        for (Rule& rule : rules)
            rule.actions = normalizedActions(rule.actions);
        QCOMPARE(readRules(file), rules);
        // Code page 932 with CR LF, as every settings file.
        const QByteArray bytes = readBytes(file);
        QVERIFY(!bytes.startsWith("\xEF\xBB\xBF"));
        QVERIFY(bytes.contains(fumibako::platform::encodeCp932(QStringLiteral("Name=メーリングリスト\r\n"))));
        QVERIFY(bytes.contains("Do1=MarkRead\r\nDo2=Move\t"));
        QVERIFY(bytes.contains("If1=SizeOver\tcontains\tfolded\t-\t-\t5242880\r\nDo1=LeaveOnServer\r\n"));
        QVERIFY(bytes.contains("Do1=DeleteOnServer\r\n"));
    }

    void charactersOutsideCodePage932AreKept()
    {
        const QString file = m_dir->filePath(QStringLiteral("FilingRules.ini"));
        RuleList rules = sampleRules();
        rules[0].name = QStringLiteral("〜お知らせ😀");
        rules[0].conditions[0].keys = {QStringLiteral("ｾｰﾙ〜")};
        QVERIFY(writeRules(file, rules));
        fumibako::storage::clearProfileCache();
        const RuleList read = readRules(file);
        QCOMPARE(read.at(0).name, rules[0].name);
        QCOMPARE(read.at(0).conditions.at(0).keys, rules[0].conditions[0].keys);
        QVERIFY(readBytes(file).startsWith("\xEF\xBB\xBF"));
    }

    // A line that cannot be read breaks its rule only; writing keeps that rule's lines as they were.
    void brokenLineBreaksOneRule_data()
    {
        QTest::addColumn<QString>("line");
        QTest::newRow("unknown field") << QStringLiteral("If1=Colour\tcontains\tfolded\t-\t-\tred");
        QTest::newRow("unknown action") << QStringLiteral("Do1=Forward\ta@example.jp");
        QTest::newRow("move without folder") << QStringLiteral("Do1=Move");
        QTest::newRow("size not a number") << QStringLiteral("If1=SizeOver\tis\tfolded\t-\t-\tbig");
        QTest::newRow("unknown key") << QStringLiteral("Server=delete");
        QTest::newRow("switch") << QStringLiteral("Enabled=yes");
    }
    void brokenLineBreaksOneRule()
    {
        QFETCH(QString, line);
        const QString file = m_dir->filePath(QStringLiteral("FilingRules.ini"));
        writeBytes(file, fumibako::test::cp932Lines(QStringLiteral("[Filing]\nVersion=1\n[Rule1]\nName=良い\nDo1=Trash\n"
                                                                   "[Rule2]\nName=壊れた\n")
                                                    + line + QStringLiteral("\n[Rule3]\nName=次\nDo1=Stop\n")));
        RuleList rules = readRules(file);
        QCOMPARE(rules.size(), 3);
        QVERIFY(!rules.at(0).isBroken());
        QVERIFY(rules.at(1).isBroken());
        QCOMPARE(rules.at(1).name, QStringLiteral("壊れた"));
        QVERIFY(!rules.at(1).enabled);
        QVERIFY(!rules.at(2).isBroken());
        QCOMPARE(rules.at(2).actions.size(), 1);

        rules.removeFirst();
        QVERIFY(writeRules(file, rules));
        fumibako::storage::clearProfileCache();
        QStringList lines;
        QVERIFY(fumibako::storage::IniGetSection(QStringLiteral("Rule1"), file, lines));
        QCOMPARE(lines, (QStringList{QStringLiteral("Name=壊れた"), line}));
    }

    void missingFileHasNoRules()
    {
        QVERIFY(readRules(m_dir->filePath(QStringLiteral("none.ini"))).isEmpty());
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_GUILESS_MAIN(RuleFileTest)
#include "test_rule_file.moc"
