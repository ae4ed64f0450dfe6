#include "search/SearchQuery.h"

#include "platform/TextRules.h"

#include <QStringList>

namespace fumibako::search {

namespace {

bool isQuote(QChar c)
{
    return c == QLatin1Char('"') || c == QChar(0x201C) || c == QChar(0x201D);
}

// Spaces and control characters split terms; the full-width space is folded to a space already.
bool isSpace(QChar c)
{
    return c == QLatin1Char(' ') || c == QChar(0x3000) || c.category() == QChar::Other_Control;
}

// The class of the code point that ends just before @p at.
textrules::CharClass classBefore(QStringView text, qsizetype at)
{
    const QChar c = text[at - 1];
    if (c.isLowSurrogate() && at >= 2 && text[at - 2].isHighSurrogate())
        return textrules::classify(QChar::surrogateToUcs4(text[at - 2], c));
    return textrules::classify(c.unicode());
}

textrules::CharClass firstClass(QStringView text)
{
    if (text.size() >= 2 && text[0].isHighSurrogate() && text[1].isLowSurrogate())
        return textrules::classify(QChar::surrogateToUcs4(text[0], text[1]));
    return textrules::classify(text[0].unicode());
}

QString quoted(const textrules::QueryToken& token)
{
    // Tokens hold no separators, so no quote to double.
    return QLatin1Char('"') + token.text + QLatin1Char('"') + (token.prefix ? QStringLiteral(" *") : QString());
}

} // namespace

QString queryProblemText(QueryProblem problem)
{
    switch (problem) {
    case QueryProblem::None:
        return QString();
    case QueryProblem::NoTerms:
        return QStringLiteral("検索する語を入力してください");
    case QueryProblem::TooLong:
        return QStringLiteral("検索する語が長すぎます（%1 文字まで）").arg(SearchQuery::kMaxLength);
    }
    return QString();
}

SearchQuery SearchQuery::parse(QStringView typed)
{
    SearchQuery query;
    if (typed.size() > kMaxLength) {
        query.m_problem = QueryProblem::TooLong;
        return query;
    }
    const QString folded = textrules::foldText(typed);
    QString term;
    bool inPhrase = false;
    const auto finishTerm = [&] {
        QString comparable = textrules::comparableFolded(term);
        if (!comparable.isEmpty())
            query.m_terms.push_back(std::move(comparable));
        term.clear();
    };
    for (const QChar c : folded) {
        if (isQuote(c)) {
            finishTerm();
            inPhrase = !inPhrase;
        } else if (isSpace(c) && !inPhrase) {
            finishTerm();
        } else {
            term.append(isSpace(c) ? QLatin1Char(' ') : c);
        }
    }
    finishTerm();
    query.m_problem = query.m_terms.empty() ? QueryProblem::NoTerms : QueryProblem::None;
    return query;
}

QString SearchQuery::ftsExpression() const
{
    QStringList phrases;
    for (const QString& term : m_terms) {
        QStringList strings;
        for (const textrules::QueryToken& token : textrules::queryTokens(term))
            strings.append(quoted(token));
        phrases.append(strings.join(QStringLiteral(" + ")));
    }
    return phrases.join(QStringLiteral(" AND "));
}

bool SearchQuery::matches(QStringView comparable) const
{
    for (const QString& term : m_terms) {
        if (!containsTerm(comparable, term))
            return false;
    }
    return true;
}

bool containsTerm(QStringView comparable, QStringView term)
{
    if (term.isEmpty())
        return true;
    const bool atWordStart = firstClass(term) == textrules::CharClass::Word;
    for (qsizetype at = comparable.indexOf(term); at >= 0; at = comparable.indexOf(term, at + 1)) {
        if (!atWordStart || at == 0 || classBefore(comparable, at) != textrules::CharClass::Word)
            return true;
    }
    return false;
}

} // namespace fumibako::search
