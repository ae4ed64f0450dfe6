#pragma once

#include "filing/FilingRule.h"

#include <QString>
#include <QStringList>

#include <optional>

/**
 * The words the windows and the tool use for the parts of a rule: the choices of the rule
 * dialog's lists (in the order of the enums) and the one-line summary of a rule.
 */
namespace fumibako::filing {

/** The condition fields as the rule dialog lists them, in the order of ConditionField. */
QStringList conditionFieldLabels();
/** The match types, in the order of MatchType. */
QStringList matchTypeLabels();
/** The comparisons, in the order of Comparison. */
QStringList comparisonLabels();
/** The address parts, in the order of AddressPart. */
QStringList addressPartLabels();
/** The actions, in the order of ActionKind. */
QStringList actionLabels();

/** A size in the form the rule dialog shows and takes: "100" (KB), or "1000B" when not whole kilobytes. */
QString sizeText(qint64 bytes);
/** The bytes of a size text: a number of KB, or a number with B, K, KB, M or MB; nothing when it is none. */
std::optional<qint64> parseSizeText(const QString& text);

/** One condition in words: 件名に「セール」を含む. */
QString conditionSummary(const Condition& condition);
/** The conditions and actions of @p rule in one line: 件名に「セール」を含む → 受信BOX\買い物へ移動、既読にする. */
QString ruleSummary(const Rule& rule);

} // namespace fumibako::filing
