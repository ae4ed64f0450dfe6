#pragma once

#include "filing/FilingInput.h"
#include "filing/FilingRule.h"

#include <QRegularExpression>
#include <QStringList>

#include <vector>

namespace fumibako::filing {

class AddressBookLookup;

/**
 * @short A condition made ready for many messages: its keys in the form they are compared in,
 * its wildcards and regular expressions built once.
 */
class ConditionMatcher {
public:
    explicit ConditionMatcher(const Condition& condition);

    /** Whether the condition holds for @p message (its negation applied). */
    bool holds(FilingInput& message, const AddressBookLookup* addressBook) const;
    /** The fields holds() reads. */
    FieldNeeds needs() const;

private:
    bool test(FilingInput& message, const AddressBookLookup* addressBook) const;
    bool anyValueMatches(const QStringList& values) const;
    bool matches(const QString& value) const;
    QStringList addressParts(FilingInput& message) const;

    Condition m_condition;
    QStringList m_fields; // the header fields read
    QStringList m_keys;   // compared form
    std::vector<QRegularExpression> m_expressions; // Wildcard and Regex
};

/**
 * A Wildcard key as a regular expression over the compared form of a text: "*" any run, "?" one
 * character, "\" keeps the next character as it is; the literal runs are put into the compared
 * form of @p comparison first.
 */
QRegularExpression wildcardExpression(const QString& pattern, Comparison comparison);

} // namespace fumibako::filing
