#include "filing/FilingEngine.h"
#include "storage/FolderTree.h"

#include <QSet>
#include <QtTest>

using namespace fumibako::filing;

Q_DECLARE_METATYPE(Condition)
Q_DECLARE_METATYPE(fumibako::filing::RuleList)

namespace {

Condition text(ConditionField field, MatchType match, const QStringList& keys, Comparison comparison = Comparison::Folded)
{
    Condition condition;
    condition.field = field;
    condition.match = match;
    condition.keys = keys;
    condition.comparison = comparison;
    return condition;
}

Condition named(ConditionField field, const QStringList& names, MatchType match = MatchType::Contains,
                const QStringList& keys = {})
{
    Condition condition = text(field, match, keys);
    condition.headerNames = names;
    return condition;
}

Condition negated(Condition condition)
{
    condition.negated = true;
    return condition;
}

Condition sized(ConditionField field, qint64 bytes)
{
    Condition condition;
    condition.field = field;
    condition.sizeBytes = bytes;
    return condition;
}

Condition only(ConditionField field)
{
    Condition condition;
    condition.field = field;
    return condition;
}

Condition addressPart(AddressPart part, const QString& key)
{
    Condition condition = named(ConditionField::Address, {QStringLiteral("To")}, MatchType::Is, {key});
    condition.addressPart = part;
    return condition;
}

Rule rule(const QString& name, const QList<Condition>& conditions, const QList<Action>& actions)
{
    Rule made;
    made.name = name;
    made.conditions = conditions;
    made.actions = actions;
    return made;
}

Action move(const QString& folder)
{
    return {ActionKind::Move, folder};
}

Action act(ActionKind kind)
{
    return {kind, QString()};
}

Condition subjectHas(const QString& key)
{
    return text(ConditionField::Subject, MatchType::Contains, {key});
}

const QString kWork = QStringLiteral("受信BOX\\仕事");
const QString kShop = QStringLiteral("受信BOX\\買い物");
const QString kGone = QStringLiteral("受信BOX\\消したフォルダ");

class SetAddressBook : public AddressBookLookup {
public:
    bool contains(const QString& address) const override { return m_addresses.contains(address.toLower()); }
    QSet<QString> m_addresses;
};

} // namespace

// The rules read messages as the reader decodes them, and compare Japanese text folded.
class FilingRulesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void conditionsReadDecodedMail_data();
    void conditionsReadDecodedMail();
    void evaluationOrder_data();
    void evaluationOrder();
    void senderInAddressBook();
    void indexFieldsSufficeForSenderAndSubject();
    void badRegularExpressionIsAProblem();
};

void FilingRulesTest::conditionsReadDecodedMail_data()
{
    QTest::addColumn<QString>("sample");
    QTest::addColumn<Condition>("condition");
    QTest::addColumn<bool>("holds");
    using F = ConditionField;
    using M = MatchType;
    const QString nec = QStringLiteral("iso2022jp_nec.eml");     // 【重要】①㈱髙﨑様の会議, from 佐藤 花子
    const QString sjis = QStringLiteral("sjis_qp.eml");          // 納品書の送付; body ﾃﾞｰﾀ, ＡＢＣ商事
    const QString raw = QStringLiteral("sjis_undeclared.eml");   // raw 8-bit 見積もり①の件
    const QString euc = QStringLiteral("eucjp.eml");             // ご案内, from 鈴木 <suzuki@example.jp>
    const QString utf8 = QStringLiteral("utf8_base64.eml");      // 日本語の件名です over two encoded words
    const QString html = QStringLiteral("html_only.eml");
    const QString attached = QStringLiteral("multipart_attach.eml");
    QTest::newRow("ISO-2022-JP subject with NEC characters")
        << nec << text(F::Subject, M::Contains, {QStringLiteral("㈱髙﨑")}) << true;
    QTest::newRow("folded: ㈱ is (株)") << nec << text(F::Subject, M::Contains, {QStringLiteral("(株)")}) << true;
    QTest::newRow("exact: ㈱ is not (株)")
        << nec << text(F::Subject, M::Contains, {QStringLiteral("(株)")}, Comparison::Exact) << false;
    QTest::newRow("UTF-8 subject over two encoded words")
        << utf8 << text(F::Subject, M::Is, {QStringLiteral("日本語の件名です")}) << true;
    QTest::newRow("Shift_JIS sender's name") << sjis << text(F::From, M::Contains, {QStringLiteral("伊藤")}) << true;
    QTest::newRow("raw 8-bit subject, ① folded to 1")
        << raw << text(F::Subject, M::BeginsWith, {QStringLiteral("見積もり1")}) << true;
    QTest::newRow("raw 8-bit subject, exact")
        << raw << text(F::Subject, M::BeginsWith, {QStringLiteral("見積もり1")}, Comparison::Exact) << false;
    QTest::newRow("EUC-JP sender ends with the address")
        << euc << text(F::From, M::EndsWith, {QStringLiteral("<SUZUKI@example.jp>")}) << true;
    QTest::newRow("A-Z only: SUZUKI")
        << euc << text(F::From, M::Contains, {QStringLiteral("SUZUKI")}, Comparison::AsciiCase) << true;
    QTest::newRow("exact: SUZUKI") << euc << text(F::From, M::Contains, {QStringLiteral("SUZUKI")}, Comparison::Exact)
                                   << false;
    QTest::newRow("body: ﾃﾞｰﾀ found as データ") << sjis << text(F::Body, M::Contains, {QStringLiteral("データ")}) << true;
    QTest::newRow("body: ＡＢＣ found as abc") << sjis << text(F::Body, M::Contains, {QStringLiteral("abc商事")}) << true;
    QTest::newRow("A-Z only leaves ＡＢＣ")
        << sjis << text(F::Body, M::Contains, {QStringLiteral("abc商事")}, Comparison::AsciiCase) << false;
    QTest::newRow("body of HTML-only mail as text")
        << html << text(F::Body, M::Contains, {QStringLiteral("こんにちは")}) << true;
    QTest::newRow("any of the keys") << euc << text(F::Subject, M::Is, {QStringLiteral("請求書"), QStringLiteral("ご案内")})
                                     << true;
    QTest::newRow("To or Cc, second address") << nec << text(F::ToOrCc, M::Contains, {QStringLiteral("kato@")}) << true;
    QTest::newRow("To, decoded name") << nec << text(F::To, M::Contains, {QStringLiteral("山田")}) << true;
    QTest::newRow("address domain") << nec << addressPart(AddressPart::Domain, QStringLiteral("EXAMPLE.JP")) << true;
    QTest::newRow("address local part") << nec << addressPart(AddressPart::LocalPart, QStringLiteral("kato")) << true;
    QTest::newRow("address, not the name") << nec << addressPart(AddressPart::All, QStringLiteral("山田")) << false;
    QTest::newRow("any field by name")
        << nec << named(F::Header, {QStringLiteral("message-id")}, M::Is, {QStringLiteral("<a1@example.jp>")}) << true;
    QTest::newRow("missing field never matches")
        << euc << named(F::Header, {QStringLiteral("List-Id")}, M::Contains, {QString()}) << false;
    QTest::newRow("missing field, negated")
        << euc << negated(named(F::Header, {QStringLiteral("List-Id")}, M::Contains, {QString()})) << true;
    QTest::newRow("negated match") << nec << negated(text(F::Subject, M::Contains, {QStringLiteral("会議")})) << false;
    QTest::newRow("exists") << nec << named(F::Exists, {QStringLiteral("Return-Path"), QStringLiteral("Received")}) << true;
    QTest::newRow("exists, one missing") << euc << named(F::Exists, {QStringLiteral("Return-Path")}) << false;
    QTest::newRow("wildcard") << nec << text(F::Subject, M::Wildcard, {QStringLiteral("【重要】*会議")}) << true;
    QTest::newRow("wildcard ? is one character") << euc << text(F::Subject, M::Wildcard, {QStringLiteral("ご??")}) << true;
    QTest::newRow("wildcard ? is no more") << euc << text(F::Subject, M::Wildcard, {QStringLiteral("ご?")}) << false;
    QTest::newRow("wildcard escaped star") << euc << text(F::Subject, M::Wildcard, {QStringLiteral("ご\\*")}) << false;
    QTest::newRow("regex") << nec << text(F::Subject, M::Regex, {QStringLiteral("^【.+】")}) << true;
    QTest::newRow("regex on the folded text")
        << utf8 << text(F::From, M::Regex, {QStringLiteral("TAKAHASHI@example\\.jp")}) << true;
    QTest::newRow("regex, exact") << utf8
                                  << text(F::From, M::Regex, {QStringLiteral("TAKAHASHI@")}, Comparison::Exact) << false;
    QTest::newRow("larger than 100 bytes") << euc << sized(F::SizeOver, 100) << true;
    QTest::newRow("smaller than 100 bytes") << euc << sized(F::SizeUnder, 100) << false;
    QTest::newRow("attachments") << attached << only(F::HasAttachments) << true;
    QTest::newRow("no attachments") << euc << only(F::HasAttachments) << false;
}

void FilingRulesTest::conditionsReadDecodedMail()
{
    QFETCH(QString, sample);
    QFETCH(Condition, condition);
    RuleStage stage({rule(QStringLiteral("r"), {condition}, {move(kWork)})}, {});
    FilingInput message = FilingInput::fromFile(QStringLiteral(MAIL_SAMPLES "/") + sample);
    QTEST(stage.holds(0, message), "holds");
}

void FilingRulesTest::evaluationOrder_data()
{
    QTest::addColumn<RuleList>("rules");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("read");
    QTest::addColumn<bool>("flagged");
    QTest::addColumn<QStringList>("copies");
    QTest::addColumn<QString>("filedBy");

    const Rule work = rule(QStringLiteral("仕事"), {subjectHas(QStringLiteral("会議"))}, {move(kWork)});
    const Rule shop = rule(QStringLiteral("買い物"), {subjectHas(QStringLiteral("セール"))}, {move(kShop)});
    const Rule readAll = rule(QStringLiteral("既読"), {}, {act(ActionKind::MarkRead)});
    QTest::newRow("no rule holds") << RuleList{work, shop} << "ご案内" << "" << false << false << QStringList() << "";
    QTest::newRow("the first filing rule ends")
        << RuleList{work, shop, readAll} << "会議のセール" << kWork << false << false << QStringList() << "仕事";
    QTest::newRow("half-width key") << RuleList{rule(QStringLiteral("半角"), {subjectHas(QStringLiteral("ｾｰﾙ"))}, {move(kShop)})}
                                    << "夏のセール" << kShop << false << false << QStringList() << "半角";
    QTest::newRow("flags add up before the move")
        << RuleList{readAll, rule(QStringLiteral("旗"), {}, {act(ActionKind::Flag)}), shop} << "セール" << kShop << true
        << true << QStringList() << "買い物";
    QTest::newRow("stop ends") << RuleList{rule(QStringLiteral("止"), {}, {act(ActionKind::Stop)}), readAll} << "x" << ""
                               << false << false << QStringList() << "";
    Rule off = work;
    off.enabled = false;
    Rule broken = work;
    broken.broken = QStringLiteral("読めない行があります");
    QTest::newRow("switched off and broken rules do not run")
        << RuleList{off, broken, shop} << "会議のセール" << kShop << false << false << QStringList() << "買い物";
    QTest::newRow("copies go on, each once")
        << RuleList{rule(QStringLiteral("写し"), {}, {{ActionKind::Copy, kShop}, {ActionKind::Copy, kShop}}), work}
        << "会議" << kWork << false << false << QStringList{kShop} << "仕事";
    QTest::newRow("no copy into the message's own folder")
        << RuleList{rule(QStringLiteral("写し"), {}, {{ActionKind::Copy, kWork}}), work} << "会議" << kWork << false
        << false << QStringList() << "仕事";
    QTest::newRow("trash") << RuleList{rule(QStringLiteral("捨"), {}, {act(ActionKind::Trash)}), work} << "会議"
                           << "ごみ箱" << false << false << QStringList() << "捨";
    QTest::newRow("a folder that is gone leaves the message and ends")
        << RuleList{rule(QStringLiteral("古い"), {subjectHas(QStringLiteral("会議"))}, {move(kGone)}), work} << "会議"
        << "" << false << false << QStringList() << "";
    Rule any = rule(QStringLiteral("どれか"), {subjectHas(QStringLiteral("a")), subjectHas(QStringLiteral("会議"))}, {move(kWork)});
    any.matchAll = false;
    QTest::newRow("any") << RuleList{any} << "会議" << kWork << false << false << QStringList() << "どれか";
    any.matchAll = true;
    QTest::newRow("all") << RuleList{any} << "会議" << "" << false << false << QStringList() << "";
    Rule elsif = rule(QStringLiteral("elsif"), {subjectHas(QStringLiteral("会議"))}, {act(ActionKind::Flag)});
    elsif.chained = true;
    Rule otherwise = rule(QStringLiteral("else"), {}, {move(kShop)});
    otherwise.chained = true;
    const Rule first = rule(QStringLiteral("if"), {subjectHas(QStringLiteral("至急"))}, {act(ActionKind::MarkRead)});
    QTest::newRow("elsif passed over once its chain held")
        << RuleList{first, elsif, otherwise} << "至急: 会議" << "" << true << false << QStringList() << "";
    QTest::newRow("elsif tried when the rule before did not hold")
        << RuleList{first, elsif, otherwise} << "会議" << "" << false << true << QStringList() << "";
    QTest::newRow("else") << RuleList{first, elsif, otherwise} << "ご案内" << kShop << false << false << QStringList()
                          << "else";
    QTest::newRow("a new chain starts at an unchained rule")
        << RuleList{first, elsif, rule(QStringLiteral("次"), {}, {move(kWork)})} << "至急" << kWork << true << false
        << QStringList() << "次";
}

void FilingRulesTest::evaluationOrder()
{
    QFETCH(RuleList, rules);
    QFETCH(QString, subject);
    const FolderExists exists = [](const QString& folder) { return folder != kGone; };
    std::unique_ptr<FilingEngine> engine = makeAccountEngine({rules, exists, nullptr});
    FilingInput message = FilingInput::withKnownFields(QStringLiteral("/nonexistent"), QStringLiteral("a@example.jp"),
                                                       subject, false);
    const FilingDecision decision = engine->decide(message);
    QTEST(decision.folder, "folder");
    QTEST(decision.markRead, "read");
    QTEST(decision.flag, "flagged");
    QTEST(decision.copies, "copies");
    QTEST(decision.filedBy, "filedBy");
}

void FilingRulesTest::senderInAddressBook()
{
    SetAddressBook book;
    book.m_addresses.insert(QStringLiteral("suzuki@example.jp"));
    const RuleList rules{rule(QStringLiteral("知人"), {only(ConditionField::SenderInAddressBook)}, {move(kWork)})};
    RuleStage stage(rules, {}, &book);
    FilingInput known = FilingInput::fromFile(QStringLiteral(MAIL_SAMPLES "/eucjp.eml")); // 鈴木 <suzuki@example.jp>
    FilingInput stranger = FilingInput::fromFile(QStringLiteral(MAIL_SAMPLES "/sjis_qp.eml"));
    QVERIFY(stage.holds(0, known));
    QVERIFY(!stage.holds(0, stranger));
    RuleStage withoutBook(rules, {});
    QVERIFY(!withoutBook.holds(0, known));
}

void FilingRulesTest::indexFieldsSufficeForSenderAndSubject()
{
    const Rule bySender = rule(QStringLiteral("a"), {text(ConditionField::From, MatchType::Contains, {QStringLiteral("x")})},
                               {move(kWork)});
    const Rule byList = rule(QStringLiteral("b"), {named(ConditionField::Header, {QStringLiteral("List-Id")}, MatchType::Contains,
                                                         {QStringLiteral("x")})},
                             {move(kWork)});
    QVERIFY(RuleStage({bySender, rule(QStringLiteral("c"), {subjectHas(QStringLiteral("y"))}, {move(kWork)})}, {})
                .needs()
                .indexFieldsSuffice());
    QVERIFY(!RuleStage({bySender, byList}, {}).needs().indexFieldsSuffice());
    // A switched-off rule reads nothing.
    Rule off = byList;
    off.enabled = false;
    QVERIFY(RuleStage({bySender, off}, {}).needs().indexFieldsSuffice());
}

void FilingRulesTest::badRegularExpressionIsAProblem()
{
    const Condition bad = text(ConditionField::Subject, MatchType::Regex, {QStringLiteral("(unclosed")});
    QVERIFY(conditionProblem(bad).startsWith(QStringLiteral("正規表現が正しくありません")));
    QVERIFY(conditionProblem(text(ConditionField::Subject, MatchType::Regex, {QStringLiteral("^a|b$")})).isEmpty());
    QVERIFY(!ruleProblem(rule(QStringLiteral("x"), {subjectHas(QStringLiteral("a"))}, {{ActionKind::Move, QString()}})).isEmpty());
}

QTEST_GUILESS_MAIN(FilingRulesTest)
#include "test_filing_rules.moc"
