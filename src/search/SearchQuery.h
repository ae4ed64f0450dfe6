#pragma once

#include <QString>
#include <QStringView>

#include <vector>

namespace fumibako::search {

/** Why a typed query is not searched. */
enum class QueryProblem {
    None,
    NoTerms, ///< nothing but spaces, punctuation or control characters
    TooLong, ///< longer than SearchQuery::kMaxLength characters
};

/** What the user is told about @p problem (empty for None). */
QString queryProblemText(QueryProblem problem);

/**
 * @short A query as the user typed it, in the matching rules' terms.
 *
 * Terms are separated by spaces (full-width ones too) and must all occur; "…" (also “…”) keeps its
 * spaces as one term, a phrase. Control characters count as spaces. Text and terms are compared
 * folded (NFKC, case folding), so 全角/半角 and upper/lower case do not matter. A term that starts
 * with Japanese matches anywhere; one that starts with a word character only at the start of a
 * word; a term's last word may go on in the text ("mee" finds "meeting").
 */
class SearchQuery {
public:
    static constexpr int kMaxLength = 1000;

    static SearchQuery parse(QStringView typed);

    QueryProblem problem() const { return m_problem; }
    /** The terms, each in comparable form (see comparableText()). */
    const std::vector<QString>& terms() const { return m_terms; }

    /** The MATCH expression for the index (SQLite FTS5 over the tokens of SearchText.h). */
    QString ftsExpression() const;

    /** Whether @p comparable (text in comparable form) holds every term. Lines never join in a match. */
    bool matches(QStringView comparable) const;

private:
    QueryProblem m_problem = QueryProblem::NoTerms;
    std::vector<QString> m_terms;
};

/** Whether @p comparable holds @p term (both in comparable form) by the matching rules. */
bool containsTerm(QStringView comparable, QStringView term);

} // namespace fumibako::search
