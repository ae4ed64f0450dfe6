#include "search/SearchResults.h"

#include <QStringDecoder>

#include <algorithm>

namespace fumibako::search {

namespace {

// "yyyy/MM/dd HH:mm:ss" as the number yyyyMMddHHmmss, which sorts as the text does.
qint64 dateKey(QByteArrayView date)
{
    qint64 key = 0;
    for (char c : date) {
        if (c >= '0' && c <= '9')
            key = key * 10 + (c - '0');
    }
    return key;
}

} // namespace

SearchHit SearchResults::at(qsizetype i) const
{
    const Row& row = m_rows[size_t(m_order[size_t(i)])];
    const QStringView block = m_blocks[size_t(row.block)];
    qint32 at = row.begin;
    QStringView texts[4];
    for (int k = 0; k < 4; ++k) {
        texts[k] = block.sliced(at, row.lengths[k]);
        at += row.lengths[k];
    }
    return {m_folders.at(row.folder), texts[0], texts[1], texts[2], texts[3]};
}

qint32 SearchResults::appendText(QByteArrayView utf8)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    QChar* begin = m_blocks.back().data() + m_length;
    const QChar* end = decoder.appendToBuffer(begin, utf8);
    m_length += end - begin;
    return qint32(end - begin);
}

void SearchResults::append(qint64 order, QByteArrayView folder, QByteArrayView place, QByteArrayView sender,
                           QByteArrayView subject, QByteArrayView date)
{
    // A row's texts go into one block; UTF-8 never takes fewer bytes than UTF-16 takes units.
    const qsizetype bytes = place.size() + sender.size() + subject.size() + date.size();
    if (m_blocks.empty() || m_length + bytes > m_blocks.back().size()) {
        m_blocks.emplace_back(std::max(kBlockLength, bytes), Qt::Uninitialized);
        m_length = 0;
    }
    Row row{dateKey(date), order, 0, qint32(m_blocks.size() - 1), qint32(m_length), {}};
    // A search finds messages of a handful of folders: each key once.
    const auto known = std::find(m_folderBytes.begin(), m_folderBytes.end(), folder);
    row.folder = qint32(known - m_folderBytes.begin());
    if (known == m_folderBytes.end()) {
        m_folderBytes.push_back(folder.toByteArray());
        m_folders.append(QString::fromUtf8(folder));
    }
    const QByteArrayView texts[4] = {place, sender, subject, date};
    for (int k = 0; k < 4; ++k)
        row.lengths[k] = appendText(texts[k]);
    m_order.push_back(qint32(m_rows.size()));
    m_rows.push_back(row);
}

void SearchResults::sortNewestFirst()
{
    std::sort(m_order.begin(), m_order.end(), [this](qint32 a, qint32 b) {
        const Row& first = m_rows[size_t(a)];
        const Row& second = m_rows[size_t(b)];
        return first.dateKey != second.dateKey ? first.dateKey > second.dateKey : first.order > second.order;
    });
}

} // namespace fumibako::search
