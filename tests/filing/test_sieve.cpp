#include "filing/FilingEngine.h"
#include "filing/SieveExport.h"
#include "filing/SieveImport.h"

#include <QtTest>

using namespace fumibako::filing;

Q_DECLARE_METATYPE(fumibako::filing::RuleList)

namespace {

Condition condition(ConditionField field, MatchType match, const QStringList& keys, Comparison comparison,
                    const QStringList& names = {})
{
    Condition made;
    made.field = field;
    made.match = match;
    made.keys = keys;
    made.comparison = comparison;
    made.headerNames = names;
    return made;
}

Rule rule(const QString& name, const QList<Condition>& conditions, const QList<Action>& actions, bool chained = false)
{
    Rule made;
    made.name = name;
    made.conditions = conditions;
    made.actions = actions;
    made.chained = chained;
    return made;
}

Action move(const QString& folder)
{
    return {ActionKind::Move, folder};
}

// The folder the rules file a message with these fields into ("" for none), as "folder|read|flagged".
QString filed(const RuleList& rules, const QString& from, const QString& subject)
{
    std::unique_ptr<FilingEngine> engine = makeAccountEngine({rules, {}, nullptr});
    FilingInput message = FilingInput::withKnownFields(QStringLiteral("/nonexistent"), from, subject, false);
    const FilingDecision decision = engine->decide(message);
    return decision.folder + (decision.markRead ? QStringLiteral("|read") : QString())
        + (decision.flag ? QStringLiteral("|flagged") : QString());
}

} // namespace

// Sieve scripts in and out: the subset, its errors with their places, and the RFCs' examples.
class SieveScriptTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void refusesWithItsPlace_data();
    void refusesWithItsPlace();
    void readsTheRfcExample();
    void readsTheExtensionsExamples_data();
    void readsTheExtensionsExamples();
    void nestedTestsKeepTheirMeaning_data();
    void nestedTestsKeepTheirMeaning();
    void exportReadsBackToTheSameRules();
    void exportSaysWhatItLeftOut();
    void mailboxNames_data();
    void mailboxNames();
};

void SieveScriptTest::refusesWithItsPlace_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("message");
    QTest::newRow("extension outside the subset") << "require [\"fileinto\",\n  \"vacation\"];" << 1 << 9
                                                  << "使えない拡張機能です: vacation";
    QTest::newRow("extension not required") << "if true {\n  fileinto \"a\";\n}" << 2 << 3
                                            << "拡張機能「fileinto」を require してください";
    QTest::newRow("require after a command") << "keep;\nrequire \"fileinto\";" << 2 << 1
                                             << "require はスクリプトの最初に書いてください";
    QTest::newRow("missing semicolon") << "keep\n" << 2 << 1 << "「;」がありません";
    QTest::newRow("string not closed") << "if header :is \"subject\" \"abc {\n keep;\n}" << 1 << 25 << "文字列が閉じていません";
    QTest::newRow("block not closed") << "if true {\n keep;\n" << 1 << 9 << "「{」に対応する「}」がありません";
    QTest::newRow("comment not closed") << "/* a\nkeep;" << 1 << 1 << "コメント「/*」が閉じていません";
    QTest::newRow("else without if") << "keep;\nelse { stop; }" << 2 << 1 << "else の前に if がありません";
    QTest::newRow("unknown test") << "if envelope :is \"from\" \"a\" { stop; }" << 1 << 4 << "使えないテストです: envelope";
    QTest::newRow("unknown command") << "redirect \"a@example.jp\";" << 1 << 1 << "使えないコマンドです: redirect";
    QTest::newRow("body transform") << "require \"body\";\nif body :raw :contains \"x\" { stop; }" << 2 << 9
                                    << "body は :text だけ使えます: :raw";
    QTest::newRow("unknown comparator") << "if header :comparator \"i;basic\" :is \"a\" \"b\" { stop; }" << 1 << 23
                                        << "使えない比較方法です: i;basic";
    QTest::newRow("unicode-casemap not required")
        << "if header :comparator \"i;unicode-casemap\" :is \"a\" \"b\" { stop; }" << 1 << 23
        << "拡張機能「comparator-i;unicode-casemap」を require してください";
    QTest::newRow("regex not required") << "if header :regex \"a\" \"b\" { stop; }" << 1 << 11
                                        << "拡張機能「regex」を require してください";
    QTest::newRow("two match types") << "if header :is :contains \"a\" \"b\" { stop; }" << 1 << 15
                                     << "同じ種類のタグが二つあります: :contains";
    QTest::newRow("bad regular expression")
        << "require \"regex\";\nif header :regex \"subject\" \"(a\" { stop; }" << 2 << 4 << "正規表現が正しくありません";
    QTest::newRow("size without a limit") << "if size 100 { stop; }" << 1 << 4
                                          << "size には :over か :under と数を書いてください";
    QTest::newRow("flag outside the subset") << "require \"imap4flags\";\naddflag \"\\\\Deleted\";" << 2 << 9
                                             << "扱えないフラグです: \\Deleted";
    QTest::newRow("folder for sent mail") << "require \"fileinto\";\nfileinto \"送信済BOX\";" << 2 << 10
                                          << "このフォルダには振り分けられません: 送信済BOX";
    QTest::newRow("folder name with a colon") << "require \"fileinto\";\nfileinto \"a:b\";" << 2 << 10
                                              << "フォルダの名前に使えない文字があります: a:b";
    QTest::newRow("number too large") << "if size :over 99999999999999999999 { stop; }" << 1 << 15 << "数が大きすぎます";
    QTest::newRow("nesting too deep") << QStringLiteral("if ") + QStringLiteral("not ").repeated(80) + QStringLiteral("true { stop; }")
                                      << 1 << 260 << "入れ子が深すぎます";
    QTest::newRow("stray character") << "keep; @" << 1 << 7 << "ここに書けない文字です: @";
    // Found by fuzzing: a digit of another script (NKo four) read as a number that took no character.
    QTest::newRow("a digit not in ASCII") << "if size :over \u07C4 { keep; }" << 1 << 15 << "ここに書けない文字です: \u07C4";
}

void SieveScriptTest::refusesWithItsPlace()
{
    QFETCH(QString, script);
    const SieveImport imported = importSieve(script);
    QVERIFY(imported.error.has_value());
    QTEST(imported.error->position.line, "line");
    QTEST(imported.error->position.column, "column");
    QFETCH(QString, message);
    QVERIFY2(imported.error->message.startsWith(message), qPrintable(imported.error->text()));
    QVERIFY(imported.rules.isEmpty());
}

void SieveScriptTest::readsTheRfcExample()
{
    // RFC 5228, section 9.
    const QString script = QStringLiteral(R"(#
# Example Sieve Filter
# Declare any optional features or extension used by the script
#
require ["fileinto"];

#
# Handle messages from known mailing lists
# Move messages from IETF filter discussion list to filter mailbox
#
if header :is "Sender" "owner-ietf-mta-filters@imc.org"
        {
        fileinto "filter";  # move to "filter" mailbox
        }
#
# Keep all messages to or from people in my company
#
elsif address :DOMAIN :is ["From", "To"] "example.com"
        {
        keep;               # keep in "In" mailbox
        }

#
# Try and catch unsolicited email.  If a message is not to me,
# or it contains a subject known to be spam, file it away.
#
elsif anyof (NOT address :all :contains
               ["To", "Cc", "Bcc"] "me@example.com",
             header :matches "subject"
               ["*make*money*fast*", "*university*dipl*mas*"])
        {
        fileinto "spam";   # move to "spam" mailbox
        }
else
        {
        # Move all other (non-company) mail to "personal"
        # mailbox.
        fileinto "personal";
        }
)");
    const SieveImport imported = importSieve(script);
    QVERIFY2(!imported.error, imported.error ? qPrintable(imported.error->text()) : "");
    const Comparison ascii = Comparison::AsciiCase;
    Condition sender = condition(ConditionField::Header, MatchType::Is, {QStringLiteral("owner-ietf-mta-filters@imc.org")},
                                 ascii, {QStringLiteral("Sender")});
    Condition company = condition(ConditionField::Address, MatchType::Is, {QStringLiteral("example.com")}, ascii,
                                  {QStringLiteral("From"), QStringLiteral("To")});
    company.addressPart = AddressPart::Domain;
    Condition notToMe = condition(ConditionField::Address, MatchType::Contains, {QStringLiteral("me@example.com")}, ascii,
                                  {QStringLiteral("To"), QStringLiteral("Cc"), QStringLiteral("Bcc")});
    notToMe.negated = true;
    const Condition spamSubject = condition(ConditionField::Subject, MatchType::Wildcard,
                                            {QStringLiteral("*make*money*fast*"), QStringLiteral("*university*dipl*mas*")}, ascii);
    Rule spam = rule(QStringLiteral("ルール3"), {notToMe, spamSubject}, {move(QStringLiteral("受信BOX\\spam"))}, true);
    spam.matchAll = false;
    const RuleList expected{
        rule(QStringLiteral("ルール1"), {sender}, {move(QStringLiteral("受信BOX\\filter"))}),
        rule(QStringLiteral("ルール2"), {company}, {move(QStringLiteral("標準BOX"))}, true),
        spam,
        rule(QStringLiteral("ルール4"), {}, {move(QStringLiteral("受信BOX\\personal"))}, true),
    };
    QCOMPARE(imported.rules, expected);
    QCOMPARE(imported.folders, (QStringList{QStringLiteral("受信BOX\\filter"), QStringLiteral("受信BOX\\spam"),
                                            QStringLiteral("受信BOX\\personal")}));
    // And it files as the RFC says.
    QCOMPARE(filed(imported.rules, QStringLiteral("a@example.com"), QStringLiteral("x")), QStringLiteral("標準BOX"));
    QCOMPARE(filed(imported.rules, QStringLiteral("a@other.example"), QStringLiteral("Make Money Fast now")),
             QStringLiteral("受信BOX\\spam"));
}

void SieveScriptTest::readsTheExtensionsExamples_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<RuleList>("expected");
    const Condition boss = condition(ConditionField::From, MatchType::Contains, {QStringLiteral("boss@frobnitzm.example.edu")},
                                     Comparison::AsciiCase);
    QTest::newRow("RFC 3894 :copy") << "require [\"copy\", \"fileinto\"];\nfileinto :copy \"incoming\";"
                                    << RuleList{rule(QStringLiteral("ルール1"), {}, {{ActionKind::Copy, QStringLiteral("受信BOX\\incoming")}})};
    QTest::newRow("RFC 5232 addflag")
        << "require [\"imap4flags\", \"fileinto\"];\n"
           "if header :contains \"from\" \"boss@frobnitzm.example.edu\" {\n"
           "  addflag \"\\\\Flagged\";\n  fileinto \"INBOX.From Boss\";\n}"
        << RuleList{rule(QStringLiteral("ルール1"), {boss},
                         {{ActionKind::Flag, QString()}, move(QStringLiteral("受信BOX\\INBOX.From Boss"))})};
    QTest::newRow("RFC 5173 body")
        << "require \"body\";\nif body :text :contains \"MAKE MONEY FAST\" {\n  discard;\n}"
        << RuleList{rule(QStringLiteral("ルール1"),
                         {condition(ConditionField::Body, MatchType::Contains, {QStringLiteral("MAKE MONEY FAST")}, Comparison::AsciiCase)},
                         {{ActionKind::Trash, QString()}})};
    QTest::newRow("RFC 5228 text: string, named rule")
        << "require \"fileinto\";\n# rule:[お知らせ]\nif header :is \"subject\" text:\nお知らせ\n..dot\n.\n{ fileinto \"受信BOX/通知\"; }"
        << RuleList{rule(QStringLiteral("お知らせ"),
                         {condition(ConditionField::Subject, MatchType::Is, {QStringLiteral("お知らせ\r\n.dot\r\n")}, Comparison::AsciiCase)},
                         {move(QStringLiteral("受信BOX\\通知"))})};
    QTest::newRow(":matches shapes become begins and ends")
        << "if anyof (header :matches \"subject\" \"[ML]*\", header :matches \"from\" \"*@example.jp\") { stop; }"
        << RuleList{[&] {
               Rule made = rule(QStringLiteral("ルール1"),
                                {condition(ConditionField::Subject, MatchType::BeginsWith, {QStringLiteral("[ML]")}, Comparison::AsciiCase),
                                 condition(ConditionField::From, MatchType::EndsWith, {QStringLiteral("@example.jp")}, Comparison::AsciiCase)},
                                {{ActionKind::Stop, QString()}});
               made.matchAll = false;
               return made;
           }()};
}

void SieveScriptTest::readsTheExtensionsExamples()
{
    QFETCH(QString, script);
    const SieveImport imported = importSieve(script);
    QVERIFY2(!imported.error, imported.error ? qPrintable(imported.error->text()) : "");
    QTEST(imported.rules, "expected");
}

void SieveScriptTest::nestedTestsKeepTheirMeaning_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("filed");
    QTest::newRow("list and urgent") << "ml@example.jp" << "至急 会議" << "受信BOX\\至急|read";
    QTest::newRow("list only") << "ml@example.jp" << "会議" << "受信BOX\\ML|read";
    QTest::newRow("urgent elsewhere") << "boss@example.com" << "至急" << "|flagged";
    QTest::newRow("anyof inside allof") << "shop@example.net" << "セール" << "受信BOX\\買い物";
    QTest::newRow("none") << "x@example.org" << "こんにちは" << "";
}

void SieveScriptTest::nestedTestsKeepTheirMeaning()
{
    const QString script = QStringLiteral(R"(require ["fileinto", "imap4flags", "comparator-i;unicode-casemap"];
if header :contains "from" "ml@example.jp" {
    addflag "\\Seen";
    if header :contains "subject" "至急" { fileinto "受信BOX/至急"; }
    fileinto "受信BOX/ML";
} elsif allof (anyof (header :contains "from" "shop@", header :contains "from" "store@"),
               header :contains :comparator "i;unicode-casemap" "subject" "ｾｰﾙ") {
    fileinto "受信BOX/買い物";
} elsif header :contains "subject" "至急" {
    addflag "\\Flagged";
}
)");
    const SieveImport imported = importSieve(script);
    QVERIFY2(!imported.error, imported.error ? qPrintable(imported.error->text()) : "");
    QFETCH(QString, from);
    QFETCH(QString, subject);
    QTEST(filed(imported.rules, from, subject), "filed");
}

void SieveScriptTest::exportReadsBackToTheSameRules()
{
    using F = ConditionField;
    using M = MatchType;
    Condition list = condition(F::Header, M::Contains, {QStringLiteral("<work.example.jp>"), QStringLiteral("\"引用\" \\ と *")},
                               Comparison::Folded, {QStringLiteral("List-Id")});
    Condition domain = condition(F::Address, M::Is, {QStringLiteral("example.jp")}, Comparison::AsciiCase, {QStringLiteral("From")});
    domain.addressPart = AddressPart::Domain;
    domain.negated = true;
    Condition size;
    size.field = F::SizeOver;
    size.sizeBytes = 2 * 1024 * 1024;
    Condition odd = size;
    odd.field = F::SizeUnder;
    odd.sizeBytes = 1000;
    Condition exists;
    exists.field = F::Exists;
    exists.headerNames = {QStringLiteral("X-Spam-Flag")};
    Rule any = rule(QStringLiteral("どれか [ML]"),
                    {condition(F::Subject, M::BeginsWith, {QStringLiteral("[ml*]")}, Comparison::Folded),
                     condition(F::ToOrCc, M::EndsWith, {QStringLiteral("@example.jp?")}, Comparison::Exact)},
                    {{ActionKind::MarkRead, QString()}, {ActionKind::Copy, QStringLiteral("受信BOX\\写し")}});
    any.matchAll = false;
    Rule off = rule(QStringLiteral("無効"), {list, domain}, {move(QStringLiteral("受信BOX\\仕事\\会議"))});
    off.enabled = false;
    Rule offAlways = rule(QStringLiteral("無効で条件なし"), {}, {{ActionKind::Stop, QString()}}, true);
    offAlways.enabled = false;
    const RuleList rules{
        off,
        rule(QStringLiteral("大きい"), {size, exists}, {{ActionKind::Trash, QString()}}, true),
        offAlways,
        rule(QStringLiteral("それ以外"), {}, {{ActionKind::Flag, QString()}}, true),
        any,
        rule(QStringLiteral("全部"), {}, {move(QStringLiteral("標準BOX"))}),
        rule(QStringLiteral("本文"),
             {condition(F::Body, M::Regex, {QStringLiteral("請求書.*[0-9]+")}, Comparison::Folded), odd,
              condition(F::Cc, M::Wildcard, {QStringLiteral("a?b*")}, Comparison::AsciiCase)},
             {move(QStringLiteral("ごみ箱"))}),
        rule(QStringLiteral("最後"), {}, {{ActionKind::MarkRead, QString()}}),
    };
    const QString script = exportSieve(rules, QStringLiteral("テスト"));
    if (qEnvironmentVariableIsSet("SIEVE_DUMP"))
        qInfo().noquote() << script;
    const SieveImport imported = importSieve(script);
    QVERIFY2(!imported.error, imported.error ? qPrintable(imported.error->text() + u'\n' + script) : "");
    QCOMPARE(imported.rules, rules);
    QCOMPARE(exportSieve(imported.rules, QStringLiteral("テスト")), script);
}

void SieveScriptTest::exportSaysWhatItLeftOut()
{
    Condition attachments;
    attachments.field = ConditionField::HasAttachments;
    Rule broken = rule(QStringLiteral("壊れた"), {}, {});
    broken.broken = QStringLiteral("読めない行があります");
    Condition large;
    large.field = ConditionField::SizeOver;
    large.sizeBytes = 1024 * 1024;
    const RuleList rules{rule(QStringLiteral("添付"), {attachments}, {move(QStringLiteral("受信BOX\\添付"))}), broken,
                         rule(QStringLiteral("大きい"), {large}, {{ActionKind::DeleteOnServer, QString()}}),
                         rule(QStringLiteral("続き"), {condition(ConditionField::Subject, MatchType::Is, {QStringLiteral("x")},
                                                                 Comparison::Folded)},
                              {move(QStringLiteral("受信BOX\\x"))}, true)};
    const QString script = exportSieve(rules, QStringLiteral("t"));
    QVERIFY(script.contains(QStringLiteral("# 書き出せなかったルール「添付」: 添付ファイルの有無は Sieve で書けません")));
    QVERIFY(script.contains(QStringLiteral("# 書き出せなかったルール「壊れた」: 壊れているルールです")));
    QVERIFY(script.contains(QStringLiteral("# 書き出せなかったルール「大きい」: 「受信しない」「サーバーから削除」は Sieve で書けません")));
    const SieveImport imported = importSieve(script);
    QVERIFY(!imported.error);
    QCOMPARE(imported.rules.size(), 1);
    QCOMPARE(imported.rules.first().name, QStringLiteral("続き"));
    QVERIFY(!imported.rules.first().chained); // its chain's first rule is gone: it starts a new one
}

void SieveScriptTest::mailboxNames_data()
{
    QTest::addColumn<QString>("mailbox");
    QTest::addColumn<QString>("key");
    QTest::newRow("INBOX") << "inbox" << "標準BOX";
    QTest::newRow("path") << "受信BOX/仕事/会議" << "受信BOX\\仕事\\会議";
    QTest::newRow("below INBOX") << "INBOX/仕事" << "受信BOX\\仕事";
    QTest::newRow("bare name") << "仕事" << "受信BOX\\仕事";
    QTest::newRow("trash") << "ごみ箱" << "ごみ箱";
    QTest::newRow("unread view") << "未読メール" << "";
    QTest::newRow("empty level") << "受信BOX//a" << "";
    QTest::newRow("leading space") << " a" << "";
}

void SieveScriptTest::mailboxNames()
{
    QFETCH(QString, mailbox);
    QString problem;
    QTEST(folderKeyOfMailbox(mailbox, &problem).value_or(QString()), "key");
}

QTEST_GUILESS_MAIN(SieveScriptTest)
#include "test_sieve.moc"
