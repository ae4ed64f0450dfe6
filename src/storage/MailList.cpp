#include "storage/MailList.h"

#include <algorithm>
#include <vector>

namespace fumibako::storage {

void MailList::rebuildIndex() const
{
    m_rowByKey.clear();
    m_rowByKey.reserve(size());
    for (int i = 0; i < size(); ++i)
        m_rowByKey.insert(m_rows[i].key(), i);
    m_indexValid = true;
}

int MailList::rowOfKey(QStringView key) const
{
    if (!m_indexValid)
        rebuildIndex();
    return m_rowByKey.value(key, -1);
}

bool MailList::append(MailRow row)
{
    if (containsKey(row.key()))
        return false;
    m_rows.push_back(std::move(row));
    m_rowByKey.insert(m_rows.back().key(), size() - 1);
    return true;
}

void MailList::removeRows(const QList<int>& rows)
{
    if (rows.isEmpty())
        return;
    std::vector<bool> doomed(m_rows.size(), false);
    for (int row : rows) {
        if (row >= 0 && row < size())
            doomed[row] = true;
    }
    std::size_t write = 0;
    for (std::size_t read = 0; read < m_rows.size(); ++read) {
        if (doomed[read])
            continue;
        if (write != read)
            m_rows[write] = std::move(m_rows[read]);
        ++write;
    }
    m_rows.resize(write);
    m_indexValid = false;
}

// Row by row along each cycle of the permutation: no second array of rows.
void MailList::reorder(std::span<const int> order)
{
    std::vector<bool> placed(m_rows.size(), false);
    for (size_t start = 0; start < order.size(); ++start) {
        if (placed[start])
            continue;
        MailRow first = std::move(m_rows[start]);
        size_t at = start;
        while (size_t(order[at]) != start) {
            m_rows[at] = std::move(m_rows[size_t(order[at])]);
            placed[at] = true;
            at = size_t(order[at]);
        }
        m_rows[at] = std::move(first);
        placed[at] = true;
    }
    m_indexValid = false;
}

void MailList::clear()
{
    m_rows.clear();
    m_rowByKey.clear();
    m_indexValid = true;
}

} // namespace fumibako::storage
