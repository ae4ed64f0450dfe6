#include "filing/FilingEngine.h"

#include "filing/JunkStage.h"
#include "filing/RuleMatching.h"
#include "storage/FolderTree.h"

#include <algorithm>

namespace fumibako::filing {

void FilingEngine::addStage(std::shared_ptr<FilingStage> stage)
{
    if (stage)
        m_stages.push_back(std::move(stage));
}

FieldNeeds FilingEngine::needs() const
{
    FieldNeeds needs;
    for (const std::shared_ptr<FilingStage>& stage : m_stages)
        needs.add(stage->needs());
    return needs;
}

FilingDecision FilingEngine::decide(FilingInput& message) const
{
    FilingDecision decision;
    for (const std::shared_ptr<FilingStage>& stage : m_stages) {
        if (stage->decide(message, decision))
            break;
    }
    if (!decision.folder.isEmpty())
        decision.copies.removeAll(decision.folder);
    return decision;
}

struct RuleStage::Compiled {
    Rule rule;
    std::vector<ConditionMatcher> conditions;

    explicit Compiled(const Rule& source) : rule(source)
    {
        rule.actions = normalizedActions(source.actions);
        for (const Condition& condition : source.conditions)
            conditions.emplace_back(condition);
    }

    // A rule that decides at the server has had its say before the download: once a message
    // is on disk (a server that refused TOP, "振り分け実行") it is passed over.
    bool runs() const { return rule.enabled && !rule.isBroken() && !rule.decidesAtServer(); }

    bool holds(FilingInput& message, const AddressBookLookup* addressBook) const
    {
        if (conditions.empty())
            return true;
        for (const ConditionMatcher& condition : conditions) {
            // The fields are read as the conditions need them: the first that decides ends the test.
            if (condition.holds(message, addressBook) != rule.matchAll)
                return !rule.matchAll;
        }
        return rule.matchAll;
    }
};

RuleStage::RuleStage(const RuleList& rules, FolderExists folderExists, const AddressBookLookup* addressBook)
    : m_folderExists(std::move(folderExists)), m_addressBook(addressBook)
{
    for (const Rule& rule : rules) {
        m_rules.push_back(std::make_unique<Compiled>(rule));
        if (!m_rules.back()->runs())
            continue;
        for (const ConditionMatcher& condition : m_rules.back()->conditions)
            m_needs.add(condition.needs());
    }
}

RuleStage::~RuleStage() = default;

FieldNeeds RuleStage::needs() const
{
    return m_needs;
}

bool RuleStage::holds(int index, FilingInput& message) const
{
    return index >= 0 && size_t(index) < m_rules.size() && m_rules[size_t(index)]->holds(message, m_addressBook);
}

namespace {

// Applies the actions of a rule that held; true when they end the evaluation.
bool applyActions(const Rule& rule, const FolderExists& folderExists, FilingDecision& decision)
{
    for (const Action& action : rule.actions) {
        switch (action.kind) {
        case ActionKind::MarkRead: decision.markRead = true; break;
        case ActionKind::Flag: decision.flag = true; break;
        case ActionKind::Copy:
            if (!folderExists || folderExists(action.folder)) {
                if (!decision.copies.contains(action.folder))
                    decision.copies.append(action.folder);
            } else {
                decision.missingFolders.append({rule.name, action.folder});
            }
            break;
        case ActionKind::Move:
            // A folder that is gone leaves the message where it is, as the rule meant to end here.
            if (!folderExists || folderExists(action.folder)) {
                decision.folder = action.folder;
                decision.filedBy = rule.name;
            } else {
                decision.missingFolders.append({rule.name, action.folder});
            }
            return true;
        case ActionKind::Trash:
            decision.folder = storage::FixedFolder::Trash;
            decision.filedBy = rule.name;
            return true;
        case ActionKind::Stop:
            return true;
        case ActionKind::LeaveOnServer:
        case ActionKind::DeleteOnServer:
            break; // never reached: such a rule does not run on a stored message
        }
    }
    return false;
}

} // namespace

bool RuleStage::decide(FilingInput& message, FilingDecision& decision)
{
    bool chainHeld = false; // a rule since the last unchained one held
    for (const std::unique_ptr<Compiled>& compiled : m_rules) {
        if (!compiled->rule.chained)
            chainHeld = false;
        else if (chainHeld)
            continue;
        if (!compiled->runs() || !compiled->holds(message, m_addressBook))
            continue;
        chainHeld = true;
        decision.matchedRules.append(compiled->rule.name);
        if (applyActions(compiled->rule, m_folderExists, decision))
            return true;
    }
    return false;
}

std::unique_ptr<FilingEngine> makeAccountEngine(const AccountFiling& account)
{
    auto engine = std::make_unique<FilingEngine>();
    // The junk classifier first: a rule (the sender is in the address book, a header) can still
    // take mail out of 迷惑メール.
    if (account.junkFilter && account.junkSettings && account.junkSettings->enabled)
        engine->addStage(std::make_shared<JunkStage>(*account.junkFilter, *account.junkSettings, account.addressBook));
    const bool anyRuleRuns = std::any_of(account.rules.cbegin(), account.rules.cend(), [](const Rule& rule) {
        return rule.enabled && !rule.isBroken() && !rule.decidesAtServer();
    });
    if (anyRuleRuns)
        engine->addStage(std::make_shared<RuleStage>(account.rules, account.folderExists, account.addressBook));
    return engine;
}

} // namespace fumibako::filing
