#pragma once

#include "filing/FilingRule.h"
#include "storage/Paths.h"

#include <QString>

/**
 * The filing rules of an account on disk: one profile file in the account's mail directory, a
 * section per rule in their order ("Rule1", "Rule2", ...). A rule's lines:
 *
 *     Name=メーリングリスト
 *     Enabled=1
 *     Join=all                       (or any)
 *     Chained=0                      (1: tried only when the rules before it in its chain did not hold)
 *     If1=Header<TAB>contains<TAB>folded<TAB>not<TAB>List-Id<TAB>key<TAB>another key
 *     Do1=Move<TAB>受信BOX\仕事
 *
 * A condition line holds the field, the match type, the comparison, the flags ("not",
 * "localpart", "domain", separated by commas, or "-"), the header names ("," between them, or
 * "-") and the keys (a size condition: its bytes). "%", TAB, CR and LF in a value are written
 * "%25", "%09", "%0D" and "%0A". Like every settings file it is code page 932, or UTF-8 with a
 * byte order mark when a text needs a character code page 932 lacks; it is written atomically.
 * A rule with a line that cannot be read is kept as it is and shown as broken; the others run.
 */
namespace fumibako::filing {

/** The rules file of the account. */
QString rulesFile(const storage::AccountPaths& paths);

/** The rules stored in @p file, in order (none when it is missing). */
RuleList readRules(const QString& file);

/** Replaces the rules in @p file by @p rules in one atomic write; false when it failed. */
bool writeRules(const QString& file, const RuleList& rules);

/** The lines of @p rule's section. */
QStringList ruleLines(const Rule& rule);

/** The rule those lines describe; a broken one (with the reason and the lines kept) when a line cannot be read. */
Rule parseRuleLines(const QStringList& lines);

} // namespace fumibako::filing
