#include "mainwin/core/MailListFilter.h"

#include "search/SearchOutcome.h"
#include "storage/MailList.h"

#include <algorithm>

namespace fumibako::mainwin {

bool MailListFilter::setText(QStringView typed)
{
    m_typed = typed.toString();
    m_query = search::SearchQuery::parse(typed);
    m_active = m_query.problem() == search::QueryProblem::None;
    if (!m_active)
        m_shown.clear();
    return m_active;
}

void MailListFilter::clear()
{
    setText(QStringView());
}

search::QueryProblem MailListFilter::problem() const
{
    return m_typed.isEmpty() ? search::QueryProblem::None : m_query.problem();
}

QString MailListFilter::note() const
{
    if (problem() == search::QueryProblem::TooLong)
        return search::queryProblemText(search::QueryProblem::TooLong);
    if (m_active && m_shown.isEmpty()) {
        return QStringLiteral("このフォルダには件名か送信者に") + search::quotedQuery(m_typed)
            + QStringLiteral("を含むメールがありません。Enter キーで全フォルダを本文まで検索します");
    }
    return QString();
}

QString MailListFilter::countText(int shown, int all)
{
    return QStringLiteral("%1件を表示（全%2件）").arg(shown).arg(all);
}

void MailListFilter::apply(const storage::MailList& rows)
{
    if (m_active)
        m_shown = m_rows.matchingRows(rows, m_query);
}

void MailListFilter::rowsMoved(std::span<const int> newRowOf)
{
    if (!m_active)
        return;
    for (int& row : m_shown)
        row = row >= 0 && size_t(row) < newRowOf.size() ? newRowOf[size_t(row)] : row;
    std::sort(m_shown.begin(), m_shown.end());
}

int MailListFilter::folderRow(int shownRow) const
{
    if (!m_active)
        return shownRow;
    return shownRow >= 0 && shownRow < m_shown.size() ? m_shown.at(shownRow) : -1;
}

int MailListFilter::shownRow(int folderRow) const
{
    if (!m_active)
        return folderRow;
    const auto found = std::lower_bound(m_shown.cbegin(), m_shown.cend(), folderRow);
    return found != m_shown.cend() && *found == folderRow ? int(found - m_shown.cbegin()) : -1;
}

} // namespace fumibako::mainwin
