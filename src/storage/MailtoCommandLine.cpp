#include "storage/MailtoCommandLine.h"

#include <QStringList>

namespace fumibako::storage {

namespace {

void appendAddress(QString& field, const QString& address)
{
    if (field.isEmpty())
        field = address;
    else
        field += QStringLiteral(", ") + address;
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
        else if (!piece.isEmpty())
            appendAddress(*target, piece);
    }
    return result;
}

} // namespace fumibako::storage
