#include "filing/JunkFilter.h"

#include "filing/JunkTokens.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace fumibako::filing {

JunkFilter::JunkFilter(const QString& programDir) : m_file(JunkStore::fileIn(programDir)) {}

JunkFilter::~JunkFilter() = default;

JunkStore* JunkFilter::store()
{
    if (m_store || m_unavailable)
        return m_store.get();
    JunkStore::Opened opened = JunkStore::open(m_file);
    m_store = std::move(opened.store);
    // A store that cannot be opened (locked, no room) is tried again by the next filter.
    m_unavailable = !m_store;
    if (opened.rebuilt)
        m_notice = junkStoreRebuiltText(m_file);
    return m_store.get();
}

void JunkFilter::checkDamage()
{
    if (!m_store || !m_store->isDamaged())
        return;
    m_store.reset();
    JunkStore::Opened fresh = JunkStore::rebuild(m_file);
    m_store = std::move(fresh.store);
    m_unavailable = !m_store;
    m_notice = junkStoreRebuiltText(m_file);
}

JunkJudgement JunkFilter::judge(const JunkInput& input, const JunkSettings& settings, const AddressBookLookup* addressBook)
{
    JunkJudgement judgement;
    if (!settings.enabled) {
        judgement.reason = JunkReason::Off;
        return judgement;
    }
    if (addressBook && !input.fromAddress.isEmpty() && addressBook->contains(input.fromAddress)) {
        judgement = {JunkVerdict::Ham, 0.0, JunkReason::KnownSender, JunkVerdict::Ham};
        return judgement;
    }
    if (settings.trustProviderMarks && (input.providerFlagged || hasProviderTag(input.subject, settings.providerTags))) {
        judgement = {JunkVerdict::Spam, 1.0, JunkReason::ProviderMark, JunkVerdict::Spam};
        return judgement;
    }
    JunkStore* tokens = store();
    if (!tokens) {
        judgement.reason = JunkReason::NotLearnt;
        return judgement;
    }
    const TrainingTotals totals = tokens->totals();
    const JunkScore score = junkScore(tokens->counts(junkTokenIds(input)), totals);
    if (tokens->isDamaged()) {
        checkDamage();
        judgement.reason = JunkReason::NotLearnt;
        return judgement;
    }
    judgement.score = score.score;
    judgement.scoreVerdict = score.verdict;
    const bool enough = totals.spam >= kMinimumLearnt && totals.ham >= kMinimumLearnt;
    judgement.verdict = enough ? score.verdict : JunkVerdict::Ham;
    judgement.reason = enough ? JunkReason::Classifier : JunkReason::NotLearnt;
    return judgement;
}

JunkJudgement JunkFilter::judgeFile(const QString& file, const JunkSettings& settings, const AddressBookLookup* addressBook)
{
    const std::optional<JunkInput> input = readJunkInput(file);
    if (!input)
        return {};
    return judge(*input, settings, addressBook);
}

std::vector<JunkFilter::TokenClue> JunkFilter::explainFile(const QString& file)
{
    const std::optional<JunkInput> input = readJunkInput(file);
    JunkStore* tokens = store();
    if (!input || !tokens)
        return {};
    const QStringList texts = junkTokens(*input);
    std::vector<qint64> ids;
    for (const QString& text : texts)
        ids.push_back(junkTokenId(text));
    const std::vector<TokenCounts> counts = tokens->counts(ids);
    const TrainingTotals totals = tokens->totals();
    checkDamage();
    std::vector<TokenClue> clues;
    for (qsizetype i = 0; i < texts.size() && size_t(i) < counts.size(); ++i)
        clues.push_back({texts.at(i), counts[size_t(i)], tokenProbability(counts[size_t(i)], totals)});
    std::stable_sort(clues.begin(), clues.end(), [](const TokenClue& a, const TokenClue& b) {
        return std::abs(a.probability - 0.5) > std::abs(b.probability - 0.5);
    });
    return clues;
}

JunkStore::Learning JunkFilter::learnFile(const QString& file, JunkKind kind)
{
    const std::optional<qint64> key = junkMessageKey(file);
    const std::optional<JunkInput> input = readJunkInput(file);
    JunkStore* tokens = store();
    if (!key || !input || !tokens)
        return JunkStore::Learning::Failed;
    const JunkStore::Learning learning = tokens->learn(*key, junkTokenIds(*input), kind);
    checkDamage();
    return learning;
}

bool JunkFilter::forgetFile(const QString& file)
{
    const std::optional<qint64> key = junkMessageKey(file);
    const std::optional<JunkInput> input = readJunkInput(file);
    JunkStore* tokens = store();
    if (!key || !input || !tokens)
        return false;
    const bool forgotten = tokens->forget(*key, junkTokenIds(*input));
    checkDamage();
    return forgotten;
}

std::optional<JunkKind> JunkFilter::learntAs(const QString& file)
{
    const std::optional<qint64> key = junkMessageKey(file);
    JunkStore* tokens = store();
    if (!key || !tokens)
        return std::nullopt;
    const std::optional<JunkKind> kind = tokens->learntAs(*key);
    checkDamage();
    return kind;
}

bool JunkFilter::begin()
{
    JunkStore* tokens = store();
    return tokens && tokens->begin();
}

bool JunkFilter::commit()
{
    JunkStore* tokens = store();
    const bool committed = tokens && tokens->commit();
    if (committed)
        tokens->prune(kMaxStoredTokens, kPruneKeepRecent);
    checkDamage();
    return committed;
}

TrainingTotals JunkFilter::totals()
{
    JunkStore* tokens = store();
    const TrainingTotals totals = tokens ? tokens->totals() : TrainingTotals{};
    checkDamage();
    return totals;
}

bool JunkFilter::hasLearntEnough()
{
    const TrainingTotals learnt = totals();
    return learnt.spam >= kMinimumLearnt && learnt.ham >= kMinimumLearnt;
}

QString JunkFilter::takeNotice()
{
    return std::exchange(m_notice, QString());
}

bool hasProviderTag(const QString& subject, const QStringList& tags)
{
    for (const QString& tag : tags) {
        if (!tag.isEmpty() && subject.contains(tag, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

QString junkStoreRebuiltText(const QString& file)
{
    return QStringLiteral("迷惑メールの学習データが壊れていたため、空の学習データを作り直しました。\r\n"
                          "迷惑メールと通常のメールを、もう一度学習させてください。\r\n"
                          "（壊れたファイルは %1.damaged として残してあります）")
        .arg(file);
}

} // namespace fumibako::filing
