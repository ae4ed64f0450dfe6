#pragma once

#include "filing/FilingRule.h"
#include "filing/SieveScript.h"

#include <QList>
#include <QStringList>

/** Reading the tests of a Sieve script into conditions; used by SieveImport.cpp. */
namespace fumibako::filing::detail {

/** A test as conditions joined by all, any and not. */
struct TestExpression {
    enum class Kind { True, False, Literal, All, Any, Not };
    Kind kind = Kind::True;
    Condition literal;
    QList<TestExpression> children;
};

/** The capabilities a script required, and the check that an extension it uses was required. */
struct Capabilities {
    QStringList required; ///< lower case

    /** Throws a SieveError at @p at when @p capability was not required. */
    void need(const QString& capability, SievePosition at) const;
};

/** Reads @p test; throws a SieveError for a test, tag or argument outside the subset. */
TestExpression readTest(const SieveTest& test, const Capabilities& capabilities);

/** @p parts all together; a part that always holds is left out, and one part stands alone. */
TestExpression allOf(const QList<TestExpression>& parts);
/** Not @p test; on a condition, its negation flag turns. */
TestExpression negation(TestExpression test);

/** Conditions joined by "all". */
using Conjunction = QList<Condition>;

/**
 * @p test as alternatives, each a list of conditions that must all hold: none for a test that
 * never holds, one empty list for one that always does. Throws a SieveError at @p at when it
 * takes more alternatives than rules are sensibly made of.
 */
QList<Conjunction> alternatives(const TestExpression& test, SievePosition at);

} // namespace fumibako::filing::detail
