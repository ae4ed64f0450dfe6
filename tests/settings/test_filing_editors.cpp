#include "filing/RuleFile.h"
#include "settings/core/FilingRulesEditor.h"
#include "settings/core/RuleEditor.h"
#include "storage/ProfileStore.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace fumibako::filing;
using namespace fumibako::settings;

Q_DECLARE_METATYPE(fumibako::settings::ConditionRow)

namespace {

ConditionRow textRow(ConditionField field, const QString& text, MatchType match = MatchType::Contains)
{
    ConditionRow row;
    row.field = field;
    row.text = text;
    row.match = match;
    return row;
}

ConditionRow namedRow(ConditionField field, const QString& names, const QString& text = QString())
{
    ConditionRow row = textRow(field, text);
    row.headerNames = names;
    return row;
}

fumibako::storage::MailList listOf(const QStringList& lines)
{
    fumibako::storage::MailList list;
    for (const QString& line : lines)
        list.append(*fumibako::storage::ParseIndexLine(line));
    return list;
}

} // namespace

// The rules of the filing windows without a display: the rule dialog's rows and the rules list.
class FilingEditorsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    void conditionRows_data()
    {
        QTest::addColumn<ConditionRow>("row");
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("problem"); // how it begins
        // The line break after the last key makes no empty key, which every text would contain.
        QTest::newRow("one key a line") << textRow(ConditionField::Subject, "セール\n特価\n") << QStringList{"セール", "特価"} << 0LL << "";
        QTest::newRow("CR LF lines") << textRow(ConditionField::Subject, "a\r\nb") << QStringList{"a", "b"} << 0LL << "";
        QTest::newRow("size in KB") << textRow(ConditionField::SizeOver, "500") << QStringList() << 512000LL << "";
        QTest::newRow("size in MB") << textRow(ConditionField::SizeUnder, "2 MB") << QStringList() << 2097152LL << "";
        QTest::newRow("size in bytes") << textRow(ConditionField::SizeOver, "1000b") << QStringList() << 1000LL << "";
        QTest::newRow("size not a number") << textRow(ConditionField::SizeOver, "大きい") << QStringList() << 0LL
                                           << "サイズは KB の数で入力してください";
        QTest::newRow("bad regular expression") << textRow(ConditionField::Subject, "[会議", MatchType::Regex)
                                                << QStringList{"[会議"} << 0LL << "正規表現が正しくありません（";
        QTest::newRow("header without a name") << namedRow(ConditionField::Header, " , ", "x") << QStringList{"x"} << 0LL
                                               << "ヘッダーの名前を入力してください";
        QTest::newRow("header name with a colon") << namedRow(ConditionField::Exists, "X-Spam:") << QStringList() << 0LL
                                                  << "ヘッダーの名前に使えない文字があります";
    }
    void conditionRows()
    {
        QFETCH(ConditionRow, row);
        QFETCH(QString, problem);
        QString found;
        const Condition condition = conditionOf(row, &found);
        QTEST(condition.keys, "keys");
        QTEST(condition.sizeBytes, "bytes");
        QVERIFY2(problem.isEmpty() ? found.isEmpty() : found.startsWith(problem), qPrintable(found));
    }

    // A sound condition shown in its row and read back is the same condition.
    void conditionsSurviveTheirRows()
    {
        Condition address;
        address.field = ConditionField::Address;
        address.headerNames = {QStringLiteral("From"), QStringLiteral("Reply-To")};
        address.addressPart = AddressPart::Domain;
        address.match = MatchType::EndsWith;
        address.comparison = Comparison::Exact;
        address.negated = true;
        address.keys = {QString(), QStringLiteral("example.jp")};
        Condition size;
        size.field = ConditionField::SizeUnder;
        size.sizeBytes = 1000;
        for (const Condition& condition : {address, size}) {
            QString problem;
            QCOMPARE(conditionOf(conditionRow(condition), &problem), condition);
            QVERIFY(problem.isEmpty());
        }
    }

    void savingNeedsSoundRows()
    {
        RuleEditor editor;
        QCOMPARE(editor.problem(), QStringLiteral("動作を一つ以上追加してください"));
        editor.actions = {{ActionKind::Move, QString()}};
        QCOMPARE(editor.problem(), QStringLiteral("動作 1: 振り分け先のフォルダを選んでください"));
        editor.actions = {{ActionKind::Move, QStringLiteral("受信BOX\\仕事")}, {ActionKind::MarkRead, QString()}};
        editor.conditions = {textRow(ConditionField::Subject, "(", MatchType::Regex)};
        QVERIFY(editor.problem().startsWith(QStringLiteral("条件 1: 正規表現が正しくありません")));
        QVERIFY(!editor.canSave());
        editor.conditions = {};
        editor.matchAll = false;
        QVERIFY(editor.canSave());
        const Rule rule = editor.rule();
        QCOMPARE(rule.name, QStringLiteral("ルール"));
        QVERIFY(rule.matchAll); // nothing to join
        QCOMPARE(rule.actions.first().kind, ActionKind::MarkRead);
    }

    // Choosing an action that decides at the server marks the conditions it cannot answer at once.
    void atServerRuleShowsWhatItCannotUse()
    {
        RuleEditor editor;
        editor.conditions = {textRow(ConditionField::Body, "x", MatchType::Contains), textRow(ConditionField::SizeOver, "100")};
        editor.actions = {{ActionKind::LeaveOnServer, QString()}};
        QVERIFY(editor.conditionProblem(0).startsWith(QStringLiteral("「受信しない」「サーバーから削除」のルールには")));
        QCOMPARE(editor.conditionProblem(1), QString());
        QVERIFY(editor.problem().startsWith(QStringLiteral("条件 1: ")));
        QVERIFY(!editor.canSave());
        editor.conditions.removeFirst();
        editor.actions.append({ActionKind::MarkRead, QString()});
        QCOMPARE(editor.actionProblem(0), QStringLiteral("「受信しない」「サーバーから削除」は、ほかの動作と一緒には使えません"));
        QCOMPARE(editor.actionProblem(1), QString());
        QVERIFY(!editor.canSave());
        editor.actions.removeLast();
        QVERIFY(editor.canSave());
        QCOMPARE(editor.rule().actions, (QList<Action>{{ActionKind::LeaveOnServer, QString()}}));
    }

    void tryShowsWhatTheRuleWouldTake()
    {
        const QString input = m_dir->path() + u'/';
        fumibako::test::writeBytes(input + QStringLiteral("b.eml"), "From: x\r\nSubject: y\r\n\r\n請求書を送ります\r\n");
        const fumibako::storage::MailList shown = listOf({QStringLiteral("a.eml=010\t山田 <y@example.jp>\tｾｰﾙのお知らせ\td"),
                                                          QStringLiteral("b.eml=010\t佐藤\t件名\td"),
                                                          QStringLiteral("c.eml=010\t鈴木\tセール\td")});
        RuleEditor editor;
        editor.conditions = {textRow(ConditionField::Subject, "セール")};
        QCOMPARE(editor.tryOn(shown, input, nullptr), (QList<int>{0, 2})); // no folder chosen yet: still tried
        editor.enabled = false;
        editor.conditions = {textRow(ConditionField::Body, "請求書")};
        QCOMPARE(editor.tryOn(shown, input, nullptr), QList<int>{1});
        editor.conditions = {textRow(ConditionField::Subject, "(", MatchType::Regex)};
        QVERIFY(editor.tryOn(shown, input, nullptr).isEmpty());
    }

    void rulesFromAMessage()
    {
        const Rule sender = RuleEditor::ruleForSender(QStringLiteral("\"山田, 太郎\" <Yamada@Example.jp>"));
        QCOMPARE(sender.conditions.first().keys, QStringList{QStringLiteral("Yamada@Example.jp")});
        QCOMPARE(sender.conditions.first().field, ConditionField::Address);
        RuleStage stage({sender}, {});
        FilingInput from = FilingInput::withKnownFields(QString(), QStringLiteral("Y <yamada@example.JP>"), QString(), false);
        QVERIFY(stage.holds(0, from));

        const QString list = m_dir->filePath(QStringLiteral("ml.eml"));
        fumibako::test::writeBytes(list, "From: bot@lists.example.jp\r\nList-Id: =?UTF-8?B?6ZaL55m6?= <dev.lists.example.jp>\r\n\r\nx\r\n");
        const std::optional<Rule> byList = RuleEditor::ruleForList(list);
        QVERIFY(byList);
        QCOMPARE(byList->conditions.first().keys, QStringList{QStringLiteral("dev.lists.example.jp")});
        QCOMPARE(byList->name, QStringLiteral("メーリングリスト dev.lists.example.jp"));
        fumibako::test::writeBytes(list, "From: a@example.jp\r\n\r\nx\r\n");
        QVERIFY(!RuleEditor::ruleForList(list));
    }

    void rulesListEditsAndSaves()
    {
        const QString file = m_dir->filePath(QStringLiteral("FilingRules.ini"));
        Rule first;
        first.name = QStringLiteral("一");
        first.actions = {{ActionKind::Move, QStringLiteral("受信BOX\\消えた")}};
        Rule second;
        second.name = QStringLiteral("二");
        second.actions = {{ActionKind::Flag, QString()}};
        QVERIFY(writeRules(file, {first, second}));
        FilingRulesEditor editor(file, [](const QString& key) { return key != QStringLiteral("受信BOX\\消えた"); });
        editor.load();
        QCOMPARE(editor.rowCount(), 2);
        QVERIFY(editor.problemOf(0).startsWith(QStringLiteral("フォルダ「受信BOX\\消えた」がありません")));
        QVERIFY(editor.data(editor.index(0, FilingRulesEditor::SummaryColumn), Qt::DisplayRole)
                    .toString()
                    .startsWith(QStringLiteral("［フォルダがありません］")));
        QVERIFY(editor.problemOf(1).isEmpty());
        QCOMPARE(editor.copy(0), 1);
        QCOMPARE(editor.rules().at(1).name, QStringLiteral("一 のコピー"));
        QCOMPARE(editor.move(2, -1), 1);
        QCOMPARE(editor.move(0, -1), 0); // the first stays first
        QVERIFY(editor.setData(editor.index(1, FilingRulesEditor::EnabledColumn), Qt::Unchecked, Qt::CheckStateRole));
        editor.remove(2);
        QVERIFY(editor.isChanged());
        QVERIFY(editor.save());
        fumibako::storage::clearProfileCache();
        const RuleList saved = readRules(file);
        QCOMPARE(saved.size(), 2);
        QCOMPARE(saved.at(0).name, QStringLiteral("一"));
        QCOMPARE(saved.at(1).name, QStringLiteral("二"));
        QVERIFY(!saved.at(1).enabled);
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_GUILESS_MAIN(FilingEditorsTest)
#include "test_filing_editors.moc"
