#include "platform/mail/HeaderFields.h"

#include "platform/mail/Charsets.h"
#include "platform/mail/EncodedWords.h"

#include <QMap>

namespace fumibako::platform::mail {

namespace {

QString unquote(QStringView text)
{
    const QString trimmed = text.trimmed().toString();
    if (trimmed.size() < 2 || !trimmed.startsWith(QLatin1Char('"')) || !trimmed.endsWith(QLatin1Char('"')))
        return trimmed;
    QString out;
    for (qsizetype i = 1; i + 1 < trimmed.size(); ++i) {
        if (trimmed[i] == QLatin1Char('\\') && i + 2 < trimmed.size())
            ++i;
        out += trimmed[i];
    }
    return out;
}

// Splits a raw parameter list at semicolons outside quotes; the first piece is the type itself.
QList<QByteArray> splitParameters(QByteArrayView value)
{
    QList<QByteArray> pieces;
    QByteArray current;
    bool quoted = false;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\\' && quoted && i + 1 < value.size()) {
            current += c;
            current += value[++i];
            continue;
        }
        if (c == '"')
            quoted = !quoted;
        if (c == ';' && !quoted) {
            pieces.append(current.trimmed());
            current.clear();
            continue;
        }
        current += c;
    }
    pieces.append(current.trimmed());
    return pieces;
}

QByteArray percentDecoded(const QByteArray& text)
{
    return QByteArray::fromPercentEncoding(text);
}

} // namespace

QStringList splitAddressList(QStringView text, bool semicolons)
{
    QStringList entries;
    QString current;
    bool quoted = false, angle = false, jis = false;
    int comment = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.unicode() == 0x1B && i + 1 < text.size())
            jis = text[i + 1] == QLatin1Char('$');
        else if (jis) {
        } else if (c == QLatin1Char('\\') && quoted && i + 1 < text.size()) {
            current += c;
            current += text[++i];
            continue;
        } else if (c == QLatin1Char('"') && comment == 0) {
            quoted = !quoted;
        } else if (!quoted && c == QLatin1Char('(')) {
            ++comment;
        } else if (!quoted && c == QLatin1Char(')') && comment > 0) {
            --comment;
        } else if (!quoted && comment == 0 && (c == QLatin1Char('<') || c == QLatin1Char('>'))) {
            angle = c == QLatin1Char('<');
        } else if (!quoted && !angle && comment == 0
                   && (c == QLatin1Char(',') || (semicolons && c == QLatin1Char(';')))) {
            if (!current.trimmed().isEmpty())
                entries.append(current.trimmed());
            current.clear();
            continue;
        }
        current += c;
    }
    if (!current.trimmed().isEmpty())
        entries.append(current.trimmed());
    return entries;
}

MailAddress parseAddress(QStringView entry)
{
    const QString text = entry.trimmed().toString();
    const qsizetype open = text.lastIndexOf(QLatin1Char('<'));
    if (open >= 0) {
        qsizetype close = text.indexOf(QLatin1Char('>'), open);
        if (close < 0)
            close = text.size(); // "<" without ">": the rest is the address
        return {unquote(QStringView(text).left(open)), text.mid(open + 1, close - open - 1).trimmed()};
    }
    const qsizetype paren = text.indexOf(QLatin1Char('('));
    if (paren > 0 && text.endsWith(QLatin1Char(')')))
        return {text.mid(paren + 1, text.size() - paren - 2).trimmed(), text.left(paren).trimmed()};
    return {{}, text};
}

QString displayAddress(const MailAddress& address)
{
    if (address.name.isEmpty())
        return address.address;
    if (address.address.isEmpty())
        return address.name;
    QString name = address.name;
    static const QString special = QStringLiteral(",;<>\"");
    bool needsQuotes = false;
    for (QChar c : name)
        needsQuotes = needsQuotes || special.contains(c);
    if (needsQuotes) {
        name.replace(QLatin1String("\\"), QLatin1String("\\\\")).replace(QLatin1String("\""), QLatin1String("\\\""));
        name = QLatin1Char('"') + name + QLatin1Char('"');
    }
    return name + QLatin1String(" <") + address.address + QLatin1Char('>');
}

QString decodeAddressList(QByteArrayView raw)
{
    QByteArray value = raw.toByteArray();
    value.replace("\r", "").replace("\n", "");
    QStringList shown;
    // Latin-1 keeps every raw byte as one character, so the bytes come back unchanged below.
    for (const QString& entry : splitAddressList(QString::fromLatin1(value))) {
        if (!entry.contains(QLatin1Char('@')) && !entry.contains(QLatin1Char('<'))) {
            shown.append(decodeHeaderText(entry.toLatin1()).trimmed());
            continue;
        }
        MailAddress address = parseAddress(entry);
        address.name = decodeHeaderText(address.name.toLatin1()).trimmed();
        address.address = decodeHeaderText(address.address.toLatin1()).trimmed();
        shown.append(displayAddress(address));
    }
    return shown.join(QLatin1String(", "));
}

QString headerParameter(QByteArrayView rawValue, QByteArrayView name)
{
    QByteArray value = rawValue.toByteArray();
    value.replace("\r", "").replace("\n", "");
    const QByteArray key = name.toByteArray().toLower();
    QString plain;
    QByteArray extended, charset;
    QMap<int, QByteArray> pieces; // RFC 2231 continuations, by number
    bool hasPlain = false, hasExtended = false;
    for (const QByteArray& piece : splitParameters(value)) {
        const qsizetype eq = piece.indexOf('=');
        if (eq <= 0)
            continue;
        const QByteArray attribute = piece.left(eq).trimmed().toLower();
        QByteArray text = piece.mid(eq + 1).trimmed();
        if (attribute == key) {
            plain = decodeHeaderText(unquote(QString::fromLatin1(text)).toLatin1());
            hasPlain = true;
            continue;
        }
        if (!attribute.startsWith(key + '*'))
            continue;
        QByteArray suffix = attribute.mid(key.size() + 1);
        const bool encoded = suffix.endsWith('*') || suffix.isEmpty();
        if (suffix.endsWith('*'))
            suffix.chop(1);
        bool numbered = false;
        const int number = suffix.isEmpty() ? 0 : suffix.toInt(&numbered);
        if (!suffix.isEmpty() && !numbered)
            continue;
        text = unquote(QString::fromLatin1(text)).toLatin1();
        if (encoded && number == 0) {
            const QList<QByteArray> parts = text.split('\'');
            if (parts.size() >= 3) {
                charset = parts[0];
                text = text.mid(parts[0].size() + parts[1].size() + 2);
            }
        }
        // Joined before decoding: some senders split a continuation inside a %XX escape.
        pieces.insert(number, encoded ? text : text.toPercentEncoding());
        hasExtended = true;
    }
    if (!hasExtended)
        return hasPlain ? plain : QString();
    for (const QByteArray& piece : pieces)
        extended += piece;
    return decodeText(percentDecoded(extended), charset);
}

bool startsWithHeaderField(QByteArrayView bytes)
{
    qsizetype i = 0;
    while (i < bytes.size() && bytes[i] >= '!' && bytes[i] <= '~' && bytes[i] != ':')
        ++i;
    if (i == 0)
        return false;
    while (i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '\t'))
        ++i;
    return i < bytes.size() && bytes[i] == ':';
}

QList<RawHeaderField> headerFields(QByteArrayView message)
{
    QList<RawHeaderField> fields;
    QByteArray field;
    const auto finishField = [&] {
        const qsizetype colon = field.indexOf(':');
        if (colon > 0)
            fields.append({field.left(colon).trimmed(), field.mid(colon + 1)});
        field.clear();
    };
    qsizetype begin = 0;
    while (begin < message.size()) {
        qsizetype end = message.indexOf('\n', begin);
        const qsizetype next = end < 0 ? message.size() : end + 1;
        if (end < 0)
            end = message.size();
        QByteArrayView line = message.sliced(begin, end - begin);
        while (line.endsWith('\r'))
            line.chop(1);
        begin = next;
        if (line.isEmpty())
            break;
        if (line.startsWith(' ') || line.startsWith('\t')) {
            field += line; // a folded line: the line break goes, the white space stays
            continue;
        }
        finishField();
        field = line.toByteArray();
    }
    finishField();
    return fields;
}

QByteArray fieldValue(const QList<RawHeaderField>& fields, QByteArrayView name)
{
    for (const RawHeaderField& field : fields) {
        if (QByteArrayView(field.first).compare(name, Qt::CaseInsensitive) == 0)
            return field.second;
    }
    return {};
}

} // namespace fumibako::platform::mail
