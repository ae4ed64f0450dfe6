#pragma once

#include <QtGlobal>

#include <vector>

/**
 * The statistical junk classifier: Robinson's token probabilities combined by Fisher's method.
 *
 * Each token's spam probability is the share of spam among the trained messages that had it,
 * each kind weighed by how many of it were trained, and pulled towards 0.5 when the token was
 * seen seldom. The tokens that lean furthest either way are combined twice by Fisher's
 * chi-square test, once for "this is spam" and once for "this is good mail"; the score is
 * where the two land between 0 (good) and 1 (spam). Messages that have strong evidence both
 * ways, or none, land near 0.5: unsure.
 */
namespace fumibako::filing {

/** How often a token was seen in trained messages of each kind. */
struct TokenCounts {
    qint64 spam = 0;
    qint64 ham = 0;
};

/** How many messages of each kind were trained. */
struct TrainingTotals {
    qint64 spam = 0;
    qint64 ham = 0;
};

enum class JunkVerdict { Ham, Unsure, Spam };

/** The score and its verdict. */
struct JunkScore {
    double score = 0.5;
    JunkVerdict verdict = JunkVerdict::Unsure;
};

/**
 * The classifier's constants, chosen on the benchmarks of bench/junk_accuracy.py (the Japanese
 * set and the SpamAssassin corpus, each on a second split too). Japanese mail gives many more
 * tokens than English, and its overlapping pairs lean together, so a token needs more sightings
 * to count fully (s above the 0.45 usual for English words); a spam cut-off of 0.8 catches the
 * phishing that copies business greetings, whose score sits between, while good mail stayed
 * below 0.8 but for commercial newsletters (under 1 % of good mail).
 */
struct JunkParameters {
    double unknownStrength = 0.7;    ///< Robinson's s: how much a seldom-seen token is pulled to 0.5
    double unknownProbability = 0.5; ///< Robinson's x: the probability of a token never seen
    double minimumDeviation = 0.08;  ///< tokens closer to 0.5 than this do not count
    int maxTokens = 150;             ///< the most telling tokens that count
    double hamCutoff = 0.2;          ///< scores up to this are good mail
    double spamCutoff = 0.8;         ///< scores from this are spam
};

/** The spam probability of one token, Robinson's f(w). */
double tokenProbability(const TokenCounts& counts, const TrainingTotals& totals, const JunkParameters& parameters = {});

/**
 * The score of a message whose tokens have the counts @p tokens (one entry per distinct token;
 * tokens never seen may be left out or given as zero counts).
 */
JunkScore junkScore(const std::vector<TokenCounts>& tokens, const TrainingTotals& totals,
                    const JunkParameters& parameters = {});

/** The verdict of @p score. */
JunkVerdict verdictOf(double score, const JunkParameters& parameters = {});

} // namespace fumibako::filing
