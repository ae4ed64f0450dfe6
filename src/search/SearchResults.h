#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <vector>

namespace fumibako::search {

/** A message that a search found; its texts are views into the SearchResults that hold it. */
struct SearchHit {
    QStringView folder;  ///< the folder key
    QStringView place;   ///< which file (see MailCatalog.h)
    QStringView sender;  ///< received: the sender; outgoing: the recipients
    QStringView subject;
    QStringView date;    ///< "yyyy/MM/dd HH:mm:ss"

    QStringView fileName() const { return place.sliced(2); }
};

/**
 * @short The messages a search found, newest first.
 *
 * A search may find tens of thousands of messages: their texts are kept in a few large blocks
 * (folder keys once each), so that they cost a few allocations rather than five each, and none
 * is copied as the results grow. Hits are views into them, valid while the results live.
 */
class SearchResults {
public:
    qsizetype size() const { return qsizetype(m_order.size()); }
    bool isEmpty() const { return m_rows.empty(); }
    SearchHit at(qsizetype i) const;

    /** Adds a message from its UTF-8 texts; @p order breaks ties of the date (the larger first). */
    void append(qint64 order, QByteArrayView folder, QByteArrayView place, QByteArrayView sender,
                QByteArrayView subject, QByteArrayView date);
    /** Puts the messages newest first; called once all are appended. */
    void sortNewestFirst();

private:
    struct Row {
        qint64 dateKey;     ///< the date's digits as a number: yyyyMMddHHmmss
        qint64 order;
        qint32 folder;      ///< index into m_folders
        qint32 block;       ///< index into m_blocks
        qint32 begin;       ///< of the place in its block; sender, subject and date follow it
        qint32 lengths[4];  ///< of place, sender, subject, date
    };

    static constexpr qsizetype kBlockLength = 256 * 1024;

    qint32 appendText(QByteArrayView utf8);

    std::vector<QString> m_blocks; // full but for the last one, of which m_length is used
    qsizetype m_length = 0;
    QStringList m_folders;
    std::vector<QByteArray> m_folderBytes; // the same in UTF-8, as they are met
    std::vector<Row> m_rows;    // as appended
    std::vector<qint32> m_order; // rows, newest first
};

} // namespace fumibako::search
