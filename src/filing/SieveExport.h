#pragma once

#include "filing/FilingRule.h"

#include <QString>

namespace fumibako::filing {

/**
 * @p rules as a Sieve script that importSieve() reads back into the same rules. Each rule is
 * named in a comment "# rule:[NAME]"; a switched-off rule holds nowhere ("if false", "if allof
 * (false, ...)"); a move ends with stop, as the rules do; begins-with and ends-with become
 * :matches, a regular expression :regex (the "regex" extension). A rule that Sieve cannot say
 * (attachments, the address book) or that is broken is left out, with a comment saying so.
 * @p title is the first comment line.
 */
QString exportSieve(const RuleList& rules, const QString& title);

} // namespace fumibako::filing
