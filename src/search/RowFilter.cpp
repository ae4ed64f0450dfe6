#include "search/RowFilter.h"

#include "platform/TextRules.h"
#include "storage/MailList.h"

#include <algorithm>

namespace fumibako::search {

QString RowFilter::rowText(const storage::MailRow& row)
{
    // A line break between the two: no term holds one, so none matches across them.
    QString text;
    text.reserve(row.subject().size() + row.field1().size() + 1);
    textrules::appendComparable(text, row.subject());
    text.append(QLatin1Char('\n'));
    textrules::appendComparable(text, row.field1());
    return text;
}

QList<int> RowFilter::matchingRows(const storage::MailList& rows, const SearchQuery& query)
{
    QList<int> matching;
    if (query.terms().empty()) {
        matching.reserve(rows.size());
        for (int i = 0; i < rows.size(); ++i)
            matching.append(i);
        return matching;
    }
    prepare(rows);
    for (int i = 0; i < rows.size(); ++i) {
        if (query.matches(m_rows[size_t(i)].text))
            matching.append(i);
    }
    return matching;
}

RowFilter::Prepared RowFilter::prepared(const storage::MailRow& row)
{
    return {row.keyString(), row.tag, rowText(row)};
}

bool RowFilter::isPreparedAs(const Prepared& prepared, const storage::MailRow& row)
{
    return prepared.key == row.key() && prepared.tag == row.tag;
}

size_t RowFilter::preparedRows(const storage::MailList& rows) const
{
    const size_t count = std::min(m_rows.size(), size_t(rows.size()));
    size_t i = 0;
    while (i < count && isPreparedAs(m_rows[i], rows.at(int(i))))
        ++i;
    return i;
}

void RowFilter::prepare(const storage::MailList& rows)
{
    m_rows.resize(preparedRows(rows));
    m_rows.reserve(size_t(rows.size()));
    for (int i = int(m_rows.size()); i < rows.size(); ++i)
        m_rows.push_back(prepared(rows.at(i)));
}

bool RowFilter::prepareAhead(const storage::MailList& rows, int count)
{
    // Only the last row prepared is looked at: checking them all at every step would cost more
    // than the step.
    size_t begin = m_rows.size();
    if (begin > size_t(rows.size()) || (begin > 0 && !isPreparedAs(m_rows.back(), rows.at(int(begin) - 1)))) {
        m_rows.clear();
        begin = 0;
    }
    const size_t end = std::min(size_t(rows.size()), begin + size_t(std::max(count, 0)));
    m_rows.reserve(size_t(rows.size()));
    for (size_t i = begin; i < end; ++i)
        m_rows.push_back(prepared(rows.at(int(i))));
    return end == size_t(rows.size());
}

} // namespace fumibako::search
