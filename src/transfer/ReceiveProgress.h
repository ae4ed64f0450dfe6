#pragma once

#include <QString>

namespace fumibako::transfer {

/**
 * Bytes as kilobytes (1000 bytes) rounded to one decimal place, ties to the even digit, written
 * without a trailing ".0": 12345 -> "12.3", 2200 -> "2.2", 3000 -> "3".
 */
QString kilobytesText(qint64 bytes);

/**
 * @short The figures of the progress dialog "メール進捗".
 *
 * Fed with every progress report of the mail library (message number, bytes of it so far). The
 * total of the finished messages is 64-bit, so a receive of more than 2 GB keeps counting.
 */
class ProgressFigures {
public:
    /** One progress report: counts a new message when the number changes, then the bytes. */
    void Sintyoku(qint32 imaItem, qint32 imaSize);

    qint32 maeItem() const { return m_maeItem; }
    qint32 maeSize() const { return m_maeSize; }
    qint64 total() const { return m_total; }
    int messagesBegun() const { return m_begun; }

    /** Label lblJuSu: "0通受信" at first, then the count and "通受信". */
    const QString& messagesText() const { return m_messagesText; }
    /** Label lblSintyoku: "0キロバイト受信済み" at first, then the kilobytes and "キロバイト 受信済み". */
    const QString& kilobytesReceivedText() const { return m_kilobytesText; }

private:
    qint32 m_maeItem = 0;
    qint32 m_maeSize = 0;
    qint64 m_total = 0;
    int m_begun = 0;
    QString m_messagesText = QStringLiteral("0通受信");
    QString m_kilobytesText = QStringLiteral("0キロバイト受信済み");
};

/** The question of the count-only receive: count, total size and whether to receive. */
QString countQuestionText(const QString& count, qint64 bytes);

} // namespace fumibako::transfer
