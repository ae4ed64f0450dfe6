#include "transfer/ReceiveProgress.h"

namespace fumibako::transfer {

QString kilobytesText(qint64 bytes)
{
    // Integer arithmetic: the tenths of a kilobyte are whole hundreds of bytes; the remainder
    // decides the rounding, an exact half going to the even tenth.
    qint64 tenths = bytes / 100;
    const qint64 rest = bytes % 100;
    if (rest > 50 || (rest == 50 && tenths % 2 != 0))
        ++tenths;
    QString text = QString::number(tenths / 10);
    if (tenths % 10 != 0)
        text += QLatin1Char('.') + QString::number(tenths % 10);
    return text;
}

void ProgressFigures::Sintyoku(qint32 imaItem, qint32 imaSize)
{
    if (imaItem != m_maeItem) {
        ++m_begun;
        m_messagesText = QString::number(m_begun) + QStringLiteral("通受信");
        m_total += m_maeSize;
        m_maeItem = imaItem;
    }
    m_maeSize = imaSize;
    m_kilobytesText = kilobytesText(m_total + imaSize) + QStringLiteral("キロバイト 受信済み");
}

QString countQuestionText(const QString& count, qint64 bytes)
{
    return count + QStringLiteral("通 ") + QStringLiteral("合計で") + kilobytesText(bytes) + QStringLiteral("KB")
        + QStringLiteral("\r\n") + QStringLiteral("受信しますか？ (削除はしません)");
}

} // namespace fumibako::transfer
