// The matching rules of the search, through both of their users: the index (SQLite FTS5 with its
// tokens) and the quick filter (comparable texts). One table, so the two cannot drift apart.
#include "platform/TextRules.h"
#include "search/RowFilter.h"
#include "search/SearchDatabase.h"
#include "search/SearchQuery.h"
#include "storage/MailList.h"

#include <QTemporaryDir>
#include <QTest>

using namespace fumibako::search;
namespace textrules = fumibako::textrules;
using fumibako::storage::MailList;
using fumibako::storage::MailRow;
namespace textrules = fumibako::textrules;

class TestSearchRules : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    // Whether the index finds @p text (as a message's body) with @p typed.
    bool indexFinds(const QString& text, const QString& typed)
    {
        const QString file = m_dir.filePath(QStringLiteral("rules.db"));
        SearchDatabase::remove(file);
        const auto db = SearchDatabase::open(file, SearchDatabase::OpenMode::CreateOrReplace, nullptr);
        MessageWords words;
        words.body = textrules::foldText(text);
        if (!db || !db->add({QStringLiteral("i/a"), QStringLiteral("標準BOX"), {}, {}, {}, {}}, &words))
            return false;
        const std::optional<SearchResults> hits = db->search(SearchQuery::parse(typed));
        return hits && hits->size() == 1;
    }

private Q_SLOTS:
    void matching_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("found");
        QTest::newRow("full-width letters find half-width") << QStringLiteral("abc def") << QStringLiteral("ＡＢＣ") << true;
        QTest::newRow("half-width katakana finds full-width") << QStringLiteral("カタカナ表記") << QStringLiteral("ｶﾀｶﾅ") << true;
        QTest::newRow("case does not matter") << QStringLiteral("Hello World") << QStringLiteral("hELLO") << true;
        QTest::newRow("full-width digits") << QStringLiteral("金額は123円です") << QStringLiteral("１２３円") << true;
        QTest::newRow("circled digit folds") << QStringLiteral("①の件") << QStringLiteral("1の件") << true;
        QTest::newRow("Japanese inside a run") << QStringLiteral("東京都庁に行く") << QStringLiteral("京都") << true;
        QTest::newRow("one kanji at the end of a run") << QStringLiteral("東京") << QStringLiteral("京") << true;
        QTest::newRow("one kanji at the start of a run") << QStringLiteral("京都") << QStringLiteral("京") << true;
        QTest::newRow("a long Japanese term") << QStringLiteral("明日の会議資料を送ります") << QStringLiteral("会議資料を送")
                                              << true;
        QTest::newRow("pairs apart are no match") << QStringLiteral("東京と京都") << QStringLiteral("東京都") << false;
        QTest::newRow("Latin at the start of a word") << QStringLiteral("the meeting room") << QStringLiteral("mee") << true;
        QTest::newRow("Latin inside a word") << QStringLiteral("the meeting room") << QStringLiteral("eting") << false;
        QTest::newRow("Latin after Japanese starts a word") << QStringLiteral("東京abc") << QStringLiteral("abc") << true;
        QTest::newRow("digits inside a number") << QStringLiteral("12月") << QStringLiteral("2月") << false;
        QTest::newRow("Latin then Japanese") << QStringLiteral("Qtアプリケーション") << QStringLiteral("qtアプリ") << true;
        QTest::newRow("address by its parts") << QStringLiteral("<taro.yamada@example.jp>")
                                             << QStringLiteral("yamada@example") << true;
        QTest::newRow("address inside a word") << QStringLiteral("<taro.yamada@example.jp>") << QStringLiteral("amada")
                                              << false;
        QTest::newRow("every term") << QStringLiteral("会議の資料") << QStringLiteral("会議 資料") << true;
        QTest::newRow("every term, full-width space") << QStringLiteral("会議の資料") << QStringLiteral("会議　資料") << true;
        QTest::newRow("one term missing") << QStringLiteral("会議の予定") << QStringLiteral("会議 資料") << false;
        QTest::newRow("phrase") << QStringLiteral("会議、資料") << QStringLiteral("\"会議 資料\"") << true;
        QTest::newRow("phrase split by text") << QStringLiteral("会議の資料") << QStringLiteral("\"会議 資料\"") << false;
        QTest::newRow("phrase of words") << QStringLiteral("see the new york office") << QStringLiteral("“new yor”")
                                        << true;
        QTest::newRow("phrase of words apart") << QStringLiteral("new office in york") << QStringLiteral("\"new york\"")
                                              << false;
        QTest::newRow("control characters separate") << QStringLiteral("会議の資料") << QStringLiteral("会議\t資料\n")
                                                    << true;
        QTest::newRow("a word longer than indexed") << QStringLiteral("x%1y").arg(QString(60, QLatin1Char('a')))
                                                   << QStringLiteral("x%1").arg(QString(50, QLatin1Char('a'))) << true;
        QTest::newRow("no match") << QStringLiteral("見積書を送ります") << QStringLiteral("請求書") << false;
    }
    void matching()
    {
        QFETCH(QString, text);
        QFETCH(QString, typed);
        QFETCH(bool, found);
        const SearchQuery query = SearchQuery::parse(typed);
        QCOMPARE(query.problem(), QueryProblem::None);
        QCOMPARE(query.matches(textrules::comparableText(text)), found);
        QCOMPARE(indexFinds(text, typed), found);
    }

    void badQueries_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QueryProblem>("problem");
        QTest::newRow("empty") << QString() << QueryProblem::NoTerms;
        QTest::newRow("only spaces") << QStringLiteral("  　 \t") << QueryProblem::NoTerms;
        QTest::newRow("only punctuation and quotes") << QStringLiteral("「」 \"\" 、。!") << QueryProblem::NoTerms;
        QTest::newRow("control characters") << QStringLiteral("\x01\x02\x7f") << QueryProblem::NoTerms;
        QTest::newRow("very long") << QString(SearchQuery::kMaxLength + 1, QChar(0x4F1A)) << QueryProblem::TooLong;
        QTest::newRow("longest searched") << QString(SearchQuery::kMaxLength, QChar(0x4F1A)) << QueryProblem::None;
    }
    void badQueries()
    {
        QFETCH(QString, typed);
        QFETCH(QueryProblem, problem);
        QCOMPARE(SearchQuery::parse(typed).problem(), problem);
        QCOMPARE(queryProblemText(problem).isEmpty(), problem == QueryProblem::None);
    }

    // The quick filter reads subject and sender of the rows; reordered rows are matched anew.
    void quickFilter()
    {
        MailList rows;
        rows.append(MailRow(QStringLiteral("a.eml"), QStringLiteral("山田 <yamada@example.jp>"), QStringLiteral("会議のご案内"),
                            QStringLiteral("2024/05/01 10:00:00")));
        rows.append(MailRow(QStringLiteral("b.eml"), QStringLiteral("ＳＡＴＯ <sato@example.jp>"), QStringLiteral("見積"),
                            QStringLiteral("2024/05/02 10:00:00")));
        rows.append(MailRow(QStringLiteral("c.eml"), QStringLiteral("会議室"), QStringLiteral("ご案内"),
                            QStringLiteral("2024/05/03 10:00:00")));
        RowFilter filter;
        QCOMPARE(filter.matchingRows(rows, SearchQuery::parse(QStringLiteral("会議"))), QList<int>({0, 2}));
        QCOMPARE(filter.matchingRows(rows, SearchQuery::parse(QStringLiteral("sato 見積"))), QList<int>({1}));
        QCOMPARE(filter.matchingRows(rows, SearchQuery::parse(QStringLiteral("\"会議 ご案内\""))), QList<int>());
        QCOMPARE(filter.matchingRows(rows, SearchQuery::parse(QStringLiteral(" "))), QList<int>({0, 1, 2}));
        const int order[] = {2, 0, 1};
        rows.reorder(order);
        QCOMPARE(filter.matchingRows(rows, SearchQuery::parse(QStringLiteral("会議"))), QList<int>({0, 1}));
    }

    // Rows prepared ahead, some or all, and then changed: a query matches the rows as they are.
    void quickFilterPreparedAhead_data()
    {
        QTest::addColumn<int>("ahead");
        QTest::addColumn<QString>("change");
        QTest::addColumn<QList<int>>("matching"); // of "会議"
        QTest::newRow("part, unchanged") << 2 << QString() << QList<int>({0, 2, 3});
        QTest::newRow("all, first removed") << 4 << QStringLiteral("remove") << QList<int>({1, 2});
        QTest::newRow("part, reordered") << 2 << QStringLiteral("reorder") << QList<int>({0, 2, 3});
        QTest::newRow("all, one added") << 4 << QStringLiteral("add") << QList<int>({0, 2, 3, 4});
        QTest::newRow("part, released") << 2 << QStringLiteral("release") << QList<int>({0, 2, 3});
    }
    void quickFilterPreparedAhead()
    {
        QFETCH(int, ahead);
        QFETCH(QString, change);
        QFETCH(QList<int>, matching);
        MailList rows;
        const QStringList subjects{QStringLiteral("会議"), QStringLiteral("見積"), QStringLiteral("定例会議"), QStringLiteral("会議室")};
        for (int i = 0; i < subjects.size(); ++i)
            rows.append(MailRow(QStringLiteral("%1.eml").arg(i), QStringLiteral("山田"), subjects.at(i), QStringLiteral("d")));
        RowFilter filter;
        QCOMPARE(filter.prepareAhead(rows, ahead), ahead == 4);
        if (change == QLatin1String("remove")) {
            rows.removeRows({0});
        } else if (change == QLatin1String("reorder")) {
            const int order[] = {3, 1, 0, 2}; // 会議室 見積 会議 定例会議
            rows.reorder(order);
            filter.revalidate(rows);
            QVERIFY(filter.prepareAhead(rows, 4));
        } else if (change == QLatin1String("add")) {
            rows.append(MailRow(QStringLiteral("new.eml"), QStringLiteral("会議係"), QStringLiteral("連絡"), QStringLiteral("d")));
        } else if (change == QLatin1String("release")) {
            filter.release();
            QVERIFY(!filter.prepareAhead(rows, 1));
        }
        QCOMPARE(filter.matchingRows(rows, SearchQuery::parse(QStringLiteral("会議"))), matching);
    }
};

QTEST_GUILESS_MAIN(TestSearchRules)
#include "test_search_rules.moc"
