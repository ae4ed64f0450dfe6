// The classifier from tables of token counts: what single tokens weigh and what whole messages score.
#include "filing/JunkClassifier.h"

#include <QTest>

using namespace fumibako::filing;

using Counts = std::vector<TokenCounts>;
Q_DECLARE_METATYPE(TokenCounts)
Q_DECLARE_METATYPE(TrainingTotals)
Q_DECLARE_METATYPE(Counts)
Q_DECLARE_METATYPE(JunkVerdict)

namespace {

Counts repeated(TokenCounts counts, int times)
{
    return Counts(size_t(times), counts);
}

Counts joined(Counts a, const Counts& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace

class TestJunkClassifier : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void tokenProbabilities_data()
    {
        QTest::addColumn<TokenCounts>("counts");
        QTest::addColumn<TrainingTotals>("totals");
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        QTest::newRow("never seen") << TokenCounts{0, 0} << TrainingTotals{100, 100} << 0.5 << 0.5;
        QTest::newRow("only in spam, often") << TokenCounts{50, 0} << TrainingTotals{100, 100} << 0.98 << 1.0;
        QTest::newRow("only in good mail, often") << TokenCounts{0, 50} << TrainingTotals{100, 100} << 0.0 << 0.02;
        QTest::newRow("once in spam: a weak sign") << TokenCounts{1, 0} << TrainingTotals{100, 100} << 0.7 << 0.85;
        QTest::newRow("as often in both") << TokenCounts{30, 30} << TrainingTotals{100, 100} << 0.5 << 0.5;
        // Shares, not counts: 10 of 1000 spam is rarer than 10 of 100 good messages.
        QTest::newRow("more spam trained") << TokenCounts{10, 10} << TrainingTotals{1000, 100} << 0.05 << 0.15;
        QTest::newRow("nothing trained of a kind") << TokenCounts{5, 0} << TrainingTotals{10, 0} << 0.9 << 1.0;
        QTest::newRow("counts below zero read as zero") << TokenCounts{-3, 4} << TrainingTotals{10, 10} << 0.0 << 0.1;
    }

    void tokenProbabilities()
    {
        QFETCH(TokenCounts, counts);
        QFETCH(TrainingTotals, totals);
        QFETCH(double, low);
        QFETCH(double, high);
        const double probability = tokenProbability(counts, totals);
        QVERIFY2(probability >= low - 1e-9 && probability <= high + 1e-9, qPrintable(QString::number(probability)));
    }

    void messageScores_data()
    {
        QTest::addColumn<Counts>("tokens");
        QTest::addColumn<JunkVerdict>("verdict");
        const TokenCounts spammy{40, 1}, hammy{1, 40}, neutral{20, 20}, unknown{0, 0};
        QTest::newRow("no tokens") << Counts{} << JunkVerdict::Unsure;
        QTest::newRow("only unknown tokens") << repeated(unknown, 50) << JunkVerdict::Unsure;
        QTest::newRow("spam tokens") << repeated(spammy, 20) << JunkVerdict::Spam;
        QTest::newRow("good tokens") << repeated(hammy, 20) << JunkVerdict::Ham;
        QTest::newRow("strong evidence both ways") << joined(repeated(spammy, 15), repeated(hammy, 15)) << JunkVerdict::Unsure;
        QTest::newRow("neutral tokens do not dilute") << joined(repeated(spammy, 10), repeated(neutral, 300)) << JunkVerdict::Spam;
        QTest::newRow("a few good words in much spam") << joined(repeated(spammy, 30), repeated(hammy, 2)) << JunkVerdict::Spam;
        QTest::newRow("a few spam words in good mail") << joined(repeated(hammy, 30), repeated(spammy, 2)) << JunkVerdict::Ham;
        // Only the most telling tokens count: a flood of weak spam signs cannot outvote them.
        QTest::newRow("many weak signs") << joined(repeated(hammy, 150), repeated(TokenCounts{1, 0}, 1000)) << JunkVerdict::Ham;
    }

    void messageScores()
    {
        QFETCH(Counts, tokens);
        QFETCH(JunkVerdict, verdict);
        const JunkScore score = junkScore(tokens, TrainingTotals{200, 200});
        QVERIFY(score.score >= 0.0 && score.score <= 1.0);
        QCOMPARE(score.verdict, verdict);
        QCOMPARE(verdictOf(score.score), verdict);
    }
};

QTEST_GUILESS_MAIN(TestJunkClassifier)
#include "test_junk_classifier.moc"
