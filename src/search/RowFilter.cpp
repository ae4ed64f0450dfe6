#include "search/RowFilter.h"

#include "search/SearchText.h"
#include "storage/MailList.h"

namespace fumibako::search {

QString RowFilter::rowText(const storage::MailRow& row)
{
    // A line break between the two: no term holds one, so none matches across them.
    QString text;
    text.reserve(row.subject().size() + row.field1().size() + 1);
    appendComparable(text, row.subject());
    text.append(QLatin1Char('\n'));
    appendComparable(text, row.field1());
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
    if (!isPrepared(rows))
        prepare(rows);
    for (int i = 0; i < rows.size(); ++i) {
        if (query.matches(m_rows[size_t(i)].text))
            matching.append(i);
    }
    return matching;
}

bool RowFilter::isPrepared(const storage::MailList& rows) const
{
    if (m_rows.size() != size_t(rows.size()))
        return false;
    for (int i = 0; i < rows.size(); ++i) {
        const storage::MailRow& row = rows.at(i);
        if (m_rows[size_t(i)].key != row.key() || m_rows[size_t(i)].tag != row.tag)
            return false;
    }
    return true;
}

void RowFilter::prepare(const storage::MailList& rows)
{
    std::vector<Prepared> prepared;
    prepared.reserve(size_t(rows.size()));
    for (int i = 0; i < rows.size(); ++i) {
        const storage::MailRow& row = rows.at(i);
        prepared.push_back({row.keyString(), row.tag, rowText(row)});
    }
    m_rows = std::move(prepared);
}

} // namespace fumibako::search
