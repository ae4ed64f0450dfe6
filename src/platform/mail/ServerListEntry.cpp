#include "platform/mail/ServerListEntry.h"

#include "platform/mail/EncodedWords.h"

#include <QDateTime>

#include <gmime/gmime.h>

#include <mutex>

namespace fumibako::platform::mail {

namespace {

void ensureGMime()
{
    static std::once_flag once;
    std::call_once(once, [] { g_mime_init(); });
}

QString decodeText(const QByteArray& raw)
{
    return decodeHeaderText(raw);
}

QString oneLine(QString text)
{
    for (QChar& c : text) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            c = QLatin1Char(' ');
    }
    return text.trimmed();
}

} // namespace

QString localDateText(const QByteArray& raw)
{
    ensureGMime();
    GDateTime* parsed = g_mime_utils_header_decode_date(raw.constData());
    if (!parsed)
        return oneLine(QString::fromLatin1(raw));
    const qint64 seconds = g_date_time_to_unix(parsed);
    g_date_time_unref(parsed);
    return QDateTime::fromSecsSinceEpoch(seconds).toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
}

QByteArray headerField(const QByteArray& header, const QByteArray& name)
{
    const QList<QByteArray> lines = header.split('\n');
    const QByteArray wanted = name.toLower() + ':';
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray line = lines.at(i);
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            break; // end of the header block
        if (!line.toLower().startsWith(wanted))
            continue;
        QByteArray value = line.mid(wanted.size());
        // Folded continuation lines begin with white space.
        while (i + 1 < lines.size() && (lines.at(i + 1).startsWith(' ') || lines.at(i + 1).startsWith('\t'))) {
            QByteArray next = lines.at(++i);
            if (next.endsWith('\r'))
                next.chop(1);
            value += next;
        }
        return value.trimmed();
    }
    return {};
}

QString serverListEntry(const QByteArray& header)
{
    const QByteArray date = headerField(header, "Date");
    return QStringLiteral("Subject: ") + oneLine(decodeText(headerField(header, "Subject")))
           + QStringLiteral("\tFrom: ") + oneLine(decodeText(headerField(header, "From")))
           + QStringLiteral(" \tDate: ") + (date.isEmpty() ? QString() : localDateText(date));
}

} // namespace fumibako::platform::mail
