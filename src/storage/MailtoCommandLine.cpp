#include "storage/MailtoCommandLine.h"

#include "platform/Cp932.h"
#include "platform/mail/LineEnds.h"

#include <QStringDecoder>
#include <QStringList>

namespace fumibako::storage {

namespace {

void appendAddress(QString& field, const QString& address)
{
    if (address.isEmpty())
        return;
    if (field.isEmpty())
        field = address;
    else
        field += QStringLiteral(", ") + address;
}

QString percentDecoded(const QString& text)
{
    const QByteArray bytes = QByteArray::fromPercentEncoding(text.toUtf8());
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString decoded = utf8(bytes);
    return utf8.hasError() ? platform::decodeCp932(bytes) : decoded;
}

QString withoutControls(QString text)
{
    for (QChar& c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = u' ';
    }
    return text.trimmed();
}

// The comma-separated, percent-encoded addresses @p list of a URI, added to @p field.
void appendUriAddresses(QString& field, const QString& list)
{
    for (const QString& encoded : list.split(QLatin1Char(','))) {
        const QString address = withoutControls(percentDecoded(encoded));
        if (!address.startsWith(QLatin1Char('>')))
            appendAddress(field, address);
    }
}

void readQueryField(MailtoAddresses& result, const QString& field)
{
    const qsizetype equals = field.indexOf(QLatin1Char('='));
    if (equals < 0)
        return;
    const QString name = field.left(equals).toLower();
    const QString value = field.mid(equals + 1);
    if (name == QLatin1String("to"))
        appendUriAddresses(result.to, value);
    else if (name == QLatin1String("cc"))
        appendUriAddresses(result.cc, value);
    else if (name == QLatin1String("bcc"))
        appendUriAddresses(result.bcc, value);
    else if (name == QLatin1String("subject"))
        result.subject = withoutControls(percentDecoded(value));
    else if (name == QLatin1String("body"))
        result.body = platform::mail::withLineEnds(percentDecoded(value), u"\r\n");
}

void readUri(MailtoAddresses& result, QString& target, const QString& uri)
{
    const qsizetype question = uri.indexOf(QLatin1Char('?'));
    appendUriAddresses(target, uri.left(question));
    if (question < 0)
        return;
    for (const QString& field : uri.mid(question + 1).split(QLatin1Char('&')))
        readQueryField(result, field);
}

} // namespace

MailtoAddresses ParseMailtoCommandLine(const QString& commandLine)
{
    static const QString kMailto = QStringLiteral("mailto:");
    MailtoAddresses result;
    QString* target = &result.to;
    const QStringList pieces = commandLine.split(QLatin1Char(' '));
    for (QString piece : pieces) {
        const qsizetype at = piece.lastIndexOf(kMailto, -1, Qt::CaseInsensitive);
        if (at >= 0)
            piece = piece.mid(at + kMailto.size());
        if (piece.compare(QLatin1String("to"), Qt::CaseInsensitive) == 0)
            target = &result.to;
        else if (piece.compare(QLatin1String("cc"), Qt::CaseInsensitive) == 0)
            target = &result.cc;
        else if (piece.compare(QLatin1String("bcc"), Qt::CaseInsensitive) == 0)
            target = &result.bcc;
        else if (at >= 0)
            readUri(result, *target, piece);
        else if (!piece.isEmpty())
            appendAddress(*target, piece);
    }
    return result;
}

} // namespace fumibako::storage
