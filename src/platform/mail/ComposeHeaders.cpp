#include "platform/mail/ComposeHeaders.h"

#include "platform/mail/EncodedWords.h"

#include <QSet>
#include <QUuid>

namespace fumibako::platform::mail {

namespace {

const QLatin1String kRedirectMarker(">#xfr ");

// A plain ASCII display name with characters that mean something in an address list goes into
// a quoted string; anything else is encoded (or stays as its words).
QList<QByteArray> nameTokens(const QString& name)
{
    static const QString specials = QStringLiteral("()<>[]:;@\\,.\"");
    bool ascii = true, special = false;
    for (QChar c : name) {
        ascii = ascii && c.unicode() >= 0x20 && c.unicode() < 0x7F;
        special = special || specials.contains(c);
    }
    if (!ascii || !special || name.contains(QLatin1String("=?")))
        return headerTokens(name);
    QByteArray quoted = name.toLatin1();
    quoted.replace("\\", "\\\\").replace("\"", "\\\"");
    return {'"' + quoted + '"'};
}

} // namespace

QList<QByteArray> RecipientLists::envelope() const
{
    QList<QByteArray> out;
    QSet<QString> seen;
    for (const QList<MailAddress>* list : {&to, &cc, &bcc}) {
        for (const MailAddress& address : *list) {
            if (!seen.contains(address.address.toLower())) {
                seen.insert(address.address.toLower());
                out.append(address.address.toLatin1());
            }
        }
    }
    return out;
}

bool isUsableAddress(const QString& address)
{
    static const QString forbidden = QStringLiteral("<>()[],;:\"\\");
    for (QChar c : address)
        if (c.unicode() <= 0x20 || c.unicode() >= 0x7F || forbidden.contains(c))
            return false;
    const qsizetype at = address.indexOf(QLatin1Char('@'));
    return at > 0 && at == address.lastIndexOf(QLatin1Char('@')) && at + 1 < address.size();
}

RecipientLists parseRecipients(const QString& text)
{
    RecipientLists lists;
    QList<MailAddress>* target = &lists.to;
    for (const QString& rawEntry : text.split(QLatin1Char('\t'))) {
        const QString entry = rawEntry.trimmed();
        if (entry == QLatin1String("cc") || entry == QLatin1String("bcc")) {
            target = entry == QLatin1String("cc") ? &lists.cc : &lists.bcc;
            continue;
        }
        if (rawEntry.startsWith(kRedirectMarker)) {
            if (!lists.redirectPath.isEmpty())
                lists.error = QStringLiteral("転送できるメールは一度に一通です: ") + entry;
            lists.redirectPath = rawEntry.mid(kRedirectMarker.size()).trimmed();
            continue;
        }
        for (const QString& piece : splitAddressList(entry, true)) {
            const MailAddress address = parseAddress(piece);
            if (!isUsableAddress(address.address)) {
                lists.error = QStringLiteral("宛先のメールアドレスが正しくありません: ") + piece;
                return lists;
            }
            target->append(address);
        }
    }
    return lists;
}

QByteArray addressField(const char* name, const QList<MailAddress>& addresses)
{
    QList<QByteArray> tokens;
    for (qsizetype i = 0; i < addresses.size(); ++i) {
        const MailAddress& address = addresses[i];
        if (!address.name.trimmed().isEmpty()) {
            tokens += nameTokens(address.name.trimmed());
            tokens.append('<' + address.address.toLatin1() + '>');
        } else {
            tokens.append(address.address.toLatin1());
        }
        if (i + 1 < addresses.size())
            tokens.last() += ',';
    }
    return foldField(name, tokens);
}

QByteArray mailDate(const QDateTime& when)
{
    static const char* const days[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const QDate date = when.date();
    const int offset = when.offsetFromUtc() / 60;
    const int magnitude = offset < 0 ? -offset : offset;
    return QStringLiteral("%1, %2 %3 %4 %5 %6%7%8")
        .arg(QLatin1String(days[date.dayOfWeek() - 1]))
        .arg(date.day(), 2, 10, QLatin1Char('0'))
        .arg(QLatin1String(months[date.month() - 1]))
        .arg(date.year())
        .arg(when.time().toString(QStringLiteral("HH:mm:ss")))
        .arg(QLatin1Char(offset < 0 ? '-' : '+'))
        .arg(magnitude / 60, 2, 10, QLatin1Char('0'))
        .arg(magnitude % 60, 2, 10, QLatin1Char('0'))
        .toLatin1();
}

QByteArray newMessageId(const QString& address)
{
    QString domain = address.mid(address.lastIndexOf(QLatin1Char('@')) + 1);
    if (domain.isEmpty() || !isUsableAddress(QStringLiteral("x@") + domain))
        domain = QStringLiteral("localhost");
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddHHmmss"));
    const QString unique = QUuid::createUuid().toString(QUuid::Id128).left(20);
    return ('<' + stamp + QLatin1Char('.') + unique + QLatin1Char('@') + domain + QLatin1Char('>')).toLatin1();
}

} // namespace fumibako::platform::mail
