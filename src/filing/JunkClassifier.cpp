#include "filing/JunkClassifier.h"

#include <algorithm>
#include <cmath>

namespace fumibako::filing {

namespace {

// The chance that a chi-square variable with @p degrees (even) degrees of freedom is at least
// @p value. For even degrees the series is finite.
double chiSquareSurvival(double value, int degrees)
{
    const double half = value / 2.0;
    double term = std::exp(-half);
    double sum = term;
    for (int i = 1; i < degrees / 2; ++i) {
        term *= half / i;
        sum += term;
    }
    return std::min(sum, 1.0);
}

} // namespace

double tokenProbability(const TokenCounts& counts, const TrainingTotals& totals, const JunkParameters& parameters)
{
    const double spam = double(std::max<qint64>(counts.spam, 0));
    const double ham = double(std::max<qint64>(counts.ham, 0));
    const double seen = spam + ham;
    if (seen == 0)
        return parameters.unknownProbability;
    // Each kind as a share of its own trained messages, so that training more of one kind does
    // not make every token lean its way.
    const double spamShare = spam / double(std::max<qint64>(totals.spam, 1));
    const double hamShare = ham / double(std::max<qint64>(totals.ham, 1));
    const double probability = spamShare / (spamShare + hamShare);
    const double s = parameters.unknownStrength;
    return (s * parameters.unknownProbability + seen * probability) / (s + seen);
}

JunkScore junkScore(const std::vector<TokenCounts>& tokens, const TrainingTotals& totals, const JunkParameters& parameters)
{
    std::vector<double> telling;
    telling.reserve(tokens.size());
    for (const TokenCounts& counts : tokens) {
        const double probability = tokenProbability(counts, totals, parameters);
        if (std::abs(probability - 0.5) >= parameters.minimumDeviation)
            telling.push_back(probability);
    }
    if (telling.size() > size_t(parameters.maxTokens)) {
        const auto furthest = [](double a, double b) { return std::abs(a - 0.5) > std::abs(b - 0.5); };
        std::nth_element(telling.begin(), telling.begin() + parameters.maxTokens, telling.end(), furthest);
        telling.resize(size_t(parameters.maxTokens));
    }
    JunkScore result;
    if (telling.empty()) {
        result.verdict = verdictOf(result.score, parameters);
        return result;
    }
    double logSpam = 0; // sum of ln(1 - f): very negative when the tokens say spam
    double logHam = 0;  // sum of ln f: very negative when they say good mail
    for (const double probability : telling) {
        logSpam += std::log(1.0 - probability);
        logHam += std::log(probability);
    }
    const int degrees = 2 * int(telling.size());
    const double spamness = 1.0 - chiSquareSurvival(-2.0 * logSpam, degrees);
    const double hamness = 1.0 - chiSquareSurvival(-2.0 * logHam, degrees);
    result.score = std::clamp((spamness - hamness + 1.0) / 2.0, 0.0, 1.0);
    result.verdict = verdictOf(result.score, parameters);
    return result;
}

JunkVerdict verdictOf(double score, const JunkParameters& parameters)
{
    if (score >= parameters.spamCutoff)
        return JunkVerdict::Spam;
    if (score <= parameters.hamCutoff)
        return JunkVerdict::Ham;
    return JunkVerdict::Unsure;
}

} // namespace fumibako::filing
