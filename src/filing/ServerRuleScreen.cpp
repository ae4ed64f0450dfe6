#include "filing/ServerRuleScreen.h"

#include "filing/RuleMatching.h"

#include <algorithm>

namespace fumibako::filing {

using platform::mail::ServerAction;

namespace {

// Whether a rule holds, when some of its conditions cannot be answered before the download.
enum class Truth { No, Yes, Unknown };

bool runs(const Rule& rule)
{
    return rule.enabled && !rule.isBroken();
}

bool endsAnything(const Rule& rule)
{
    return std::any_of(rule.actions.cbegin(), rule.actions.cend(), [](const Action& action) {
        return endsEvaluation(action.kind) || decidesAtServer(action.kind);
    });
}

ServerAction serverActionOf(const Rule& rule)
{
    for (const Action& action : rule.actions) {
        if (action.kind == ActionKind::DeleteOnServer)
            return ServerAction::Delete;
        if (action.kind == ActionKind::LeaveOnServer)
            return ServerAction::Leave;
    }
    return ServerAction::Fetch;
}

} // namespace

bool hasAtServerRule(const RuleList& rules)
{
    return std::any_of(rules.cbegin(), rules.cend(), [](const Rule& rule) { return runs(rule) && rule.decidesAtServer(); });
}

struct ServerRuleScreen::Compiled {
    Rule rule;
    std::vector<ConditionMatcher> conditions;
    std::vector<bool> answerable;

    explicit Compiled(const Rule& source) : rule(source)
    {
        rule.actions = normalizedActions(source.actions);
        for (const Condition& condition : source.conditions) {
            conditions.emplace_back(condition);
            answerable.push_back(answerableAtServer(condition.field));
        }
    }

    Truth holds(FilingInput& message) const
    {
        bool unknown = false;
        for (size_t i = 0; i < conditions.size(); ++i) {
            if (!answerable[i]) {
                unknown = true;
                continue;
            }
            if (conditions[i].holds(message, nullptr) != rule.matchAll)
                return rule.matchAll ? Truth::No : Truth::Yes;
        }
        if (unknown)
            return Truth::Unknown;
        return rule.matchAll || conditions.empty() ? Truth::Yes : Truth::No;
    }
};

ServerRuleScreen::ServerRuleScreen(const RuleList& rules)
{
    for (const Rule& rule : rules)
        m_rules.push_back(std::make_unique<Compiled>(rule));
}

ServerRuleScreen::~ServerRuleScreen() = default;

ServerVerdict ServerRuleScreen::decide(FilingInput& message) const
{
    Truth chainHeld = Truth::No; // whether a rule since the last unchained one held
    for (const std::unique_ptr<Compiled>& compiled : m_rules) {
        if (!compiled->rule.chained)
            chainHeld = Truth::No;
        else if (chainHeld == Truth::Yes)
            continue;
        if (!runs(compiled->rule))
            continue;
        Truth holds = compiled->holds(message);
        // A chained rule is tried only when the rules before it in its chain did not hold.
        if (compiled->rule.chained && chainHeld == Truth::Unknown && holds == Truth::Yes)
            holds = Truth::Unknown;
        if (holds == Truth::No)
            continue;
        chainHeld = holds;
        if (!endsAnything(compiled->rule))
            continue; // flags and copies only: they do not decide where the message goes
        if (holds == Truth::Unknown)
            return {}; // it might file the message: only the download can tell
        const ServerAction action = serverActionOf(compiled->rule);
        return {action, action == ServerAction::Fetch ? QString() : compiled->rule.name};
    }
    return {};
}

} // namespace fumibako::filing
