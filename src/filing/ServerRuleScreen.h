#pragma once

#include "filing/FilingInput.h"
#include "filing/FilingRule.h"
#include "platform/mail/MailLibrary.h"

#include <QString>

#include <memory>
#include <vector>

namespace fumibako::filing {

/** What the rules decide for a message that is still on the server. */
struct ServerVerdict {
    platform::mail::ServerAction action = platform::mail::ServerAction::Fetch;
    /** The rule that leaves or deletes the message; "" when it is fetched. */
    QString rule;

    friend bool operator==(const ServerVerdict&, const ServerVerdict&) = default;
};

/** Whether a rule of @p rules that runs (switched on, sound) decides at the server. */
bool hasAtServerRule(const RuleList& rules);

/**
 * @short The account's rules asked about a message before it is downloaded, from its header
 * and its size alone.
 *
 * The rules are tried in order as on receive: the first that ends the evaluation decides. One
 * that leaves or deletes the message at the server gives that; one that files it (or says stop)
 * has it fetched, so the normal rules see it. A condition that needs more than the header and
 * the size (the body, attachments, the address book) cannot be answered here: a rule whose
 * answer depends on one and that would end the evaluation has the message fetched, so a
 * message is never left or deleted that a rule before would have filed. Rules that only flag
 * or copy are passed over.
 *
 * Built on one thread and then used on the receive's thread alone.
 */
class ServerRuleScreen {
public:
    explicit ServerRuleScreen(const RuleList& rules);
    ~ServerRuleScreen();

    /** @p message as FilingInput::fromServerHeader() makes it. */
    ServerVerdict decide(FilingInput& message) const;

private:
    struct Compiled;
    std::vector<std::unique_ptr<Compiled>> m_rules;
};

} // namespace fumibako::filing
