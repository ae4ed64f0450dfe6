#include "filing/FilingEngine.h"
#include "filing/ServerRuleScreen.h"

#include <QtTest>

using namespace fumibako::filing;
using fumibako::platform::mail::ServerAction;

Q_DECLARE_METATYPE(fumibako::filing::Condition)
Q_DECLARE_METATYPE(fumibako::filing::RuleList)
Q_DECLARE_METATYPE(fumibako::platform::mail::ServerAction)

namespace {

Condition subjectHas(const QString& key)
{
    Condition condition;
    condition.field = ConditionField::Subject;
    condition.keys = {key};
    return condition;
}

Condition only(ConditionField field, qint64 bytes = 0)
{
    Condition condition;
    condition.field = field;
    condition.sizeBytes = bytes;
    if (field == ConditionField::Body)
        condition.keys = {QStringLiteral("x")};
    if (field == ConditionField::Exists)
        condition.headerNames = {QStringLiteral("List-Id")};
    return condition;
}

Rule rule(const QString& name, const QList<Condition>& conditions, ActionKind kind, const QString& folder = {})
{
    Rule made;
    made.name = name;
    made.conditions = conditions;
    made.actions = {{kind, folder}};
    return made;
}

const QString kWork = QStringLiteral("受信BOX\\仕事");

// A header as TOP n 0 gives it; the subject "大容量のお知らせ" in ISO-2022-JP.
const QByteArray kHeader = "From: =?ISO-2022-JP?B?GyRCOzNFRBsoQg==?= <yamada@example.jp>\r\n"
                           "Subject: =?ISO-2022-JP?B?GyRCQmdNRk5MJE4kKkNOJGkkOxsoQg==?=\r\n"
                           "Date: Wed, 1 May 2024 10:15:00 +0900\r\n\r\n";

} // namespace

// Which rules may decide at the server, and what they decide from a header and a size.
class ServerRulesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void atServerRulesUseHeaderAndSizeOnly_data()
    {
        QTest::addColumn<Condition>("condition");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("subject") << subjectHas(QStringLiteral("a")) << true;
        QTest::newRow("a header exists") << only(ConditionField::Exists) << true;
        QTest::newRow("larger than") << only(ConditionField::SizeOver, 1024) << true;
        QTest::newRow("smaller than") << only(ConditionField::SizeUnder, 1024) << true;
        QTest::newRow("body") << only(ConditionField::Body) << false;
        QTest::newRow("has attachments") << only(ConditionField::HasAttachments) << false;
        QTest::newRow("sender in the address book") << only(ConditionField::SenderInAddressBook) << false;
    }
    void atServerRulesUseHeaderAndSizeOnly()
    {
        QFETCH(Condition, condition);
        QFETCH(bool, allowed);
        for (const ActionKind kind : {ActionKind::LeaveOnServer, ActionKind::DeleteOnServer})
            QCOMPARE(ruleProblem(rule(QStringLiteral("r"), {condition}, kind)).isEmpty(), allowed);
        // A rule that files the message after the download may use every condition.
        QVERIFY(ruleProblem(rule(QStringLiteral("r"), {condition}, ActionKind::Trash)).isEmpty());
    }

    void atServerActionStandsAlone()
    {
        Rule both = rule(QStringLiteral("r"), {}, ActionKind::DeleteOnServer);
        both.actions.append({ActionKind::MarkRead, QString()});
        QCOMPARE(ruleProblem(both), QStringLiteral("「受信しない」「サーバーから削除」は、ほかの動作と一緒には使えません"));
    }

    void screenDecidesInRuleOrder_data()
    {
        QTest::addColumn<RuleList>("rules");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<ServerAction>("action");
        QTest::addColumn<QString>("decidedBy");

        const Rule large = rule(QStringLiteral("大きい"), {only(ConditionField::SizeOver, 1024 * 1024)}, ActionKind::DeleteOnServer);
        const Rule leave = rule(QStringLiteral("残す"), {subjectHas(QStringLiteral("大容量"))}, ActionKind::LeaveOnServer);
        const Rule subject = rule(QStringLiteral("件名"), {subjectHas(QStringLiteral("お知らせ"))}, ActionKind::Move, kWork);
        const Rule body = rule(QStringLiteral("本文"), {only(ConditionField::Body)}, ActionKind::Move, kWork);
        const Rule flagBody = rule(QStringLiteral("旗"), {only(ConditionField::Body)}, ActionKind::Flag);
        constexpr qint64 big = 2 * 1024 * 1024;

        QTest::newRow("larger than the limit") << RuleList{large} << big << ServerAction::Delete << "大きい";
        QTest::newRow("smaller: fetched") << RuleList{large} << qint64(1000) << ServerAction::Fetch << "";
        QTest::newRow("size at the limit is not larger") << RuleList{large} << qint64(1024 * 1024) << ServerAction::Fetch << "";
        QTest::newRow("encoded subject, folded key") << RuleList{rule(QStringLiteral("残す"), {subjectHas(QStringLiteral("大容量"))},
                                                                      ActionKind::LeaveOnServer)}
                                                      << qint64(10) << ServerAction::Leave << "残す";
        QTest::newRow("a filing rule before it wins") << RuleList{subject, large} << big << ServerAction::Fetch << "";
        QTest::newRow("a filing rule after it does not") << RuleList{large, subject} << big << ServerAction::Delete << "大きい";
        QTest::newRow("the first at-server rule decides") << RuleList{large, leave} << big << ServerAction::Delete << "大きい";
        QTest::newRow("the next when the first does not hold") << RuleList{large, leave} << qint64(10) << ServerAction::Leave
                                                               << "残す";
        QTest::newRow("a body rule before it might file: fetched") << RuleList{body, large} << big << ServerAction::Fetch << "";
        QTest::newRow("a rule that only flags is passed over") << RuleList{flagBody, large} << big << ServerAction::Delete << "大きい";
        Rule anyOf = rule(QStringLiteral("どれか"), {only(ConditionField::Body), subjectHas(QStringLiteral("お知らせ"))},
                          ActionKind::Move, kWork);
        anyOf.matchAll = false;
        QTest::newRow("any: a header condition holds") << RuleList{anyOf, large} << big << ServerAction::Fetch << "";
        Rule allOf = rule(QStringLiteral("全部"), {only(ConditionField::Body), subjectHas(QStringLiteral("会議"))},
                          ActionKind::Move, kWork);
        QTest::newRow("all: a header condition fails") << RuleList{allOf, large} << big << ServerAction::Delete << "大きい";
        QTest::newRow("stop before it") << RuleList{rule(QStringLiteral("止"), {}, ActionKind::Stop), large} << big
                                        << ServerAction::Fetch << "";
        Rule off = large;
        off.enabled = false;
        QTest::newRow("switched off") << RuleList{off} << big << ServerAction::Fetch << "";
        Rule chainedLarge = large;
        chainedLarge.chained = true;
        QTest::newRow("elsif after a rule that held") << RuleList{rule(QStringLiteral("旗"), {}, ActionKind::Flag), chainedLarge}
                                                      << big << ServerAction::Fetch << "";
        QTest::newRow("elsif after a rule that did not hold")
            << RuleList{rule(QStringLiteral("旗"), {subjectHas(QStringLiteral("会議"))}, ActionKind::Flag), chainedLarge} << big
            << ServerAction::Delete << "大きい";
        QTest::newRow("elsif after a rule that cannot be told") << RuleList{flagBody, chainedLarge} << big
                                                                << ServerAction::Fetch << "";
    }
    void screenDecidesInRuleOrder()
    {
        QFETCH(RuleList, rules);
        QFETCH(qint64, size);
        const ServerRuleScreen screen(rules);
        FilingInput message = FilingInput::fromServerHeader(kHeader, size);
        const ServerVerdict verdict = screen.decide(message);
        QTEST(verdict.action, "action");
        QTEST(verdict.rule, "decidedBy");
    }

    // Once on disk, an at-server rule does nothing: the rules after it still file the message.
    void storedMessagePassesAtServerRulesOver()
    {
        const RuleList rules{rule(QStringLiteral("大きい"), {}, ActionKind::DeleteOnServer),
                             rule(QStringLiteral("件名"), {subjectHas(QStringLiteral("お知らせ"))}, ActionKind::Move, kWork)};
        QVERIFY(hasAtServerRule(rules));
        std::unique_ptr<FilingEngine> engine = makeAccountEngine({rules, {}, nullptr});
        FilingInput message = FilingInput::fromServerHeader(kHeader, 10);
        const FilingDecision decision = engine->decide(message);
        QCOMPARE(decision.folder, kWork);
        QCOMPARE(decision.matchedRules, QStringList{QStringLiteral("件名")});
    }
};

QTEST_GUILESS_MAIN(ServerRulesTest)
#include "test_server_rules.moc"
