#include "platform/mail/HtmlText.h"

#include <QHash>
#include <QRegularExpression>

namespace fumibako::platform::mail {

namespace {

QString decodeEntity(const QString& entity)
{
    static const QHash<QString, QString> named = {
        {QStringLiteral("amp"), QStringLiteral("&")},   {QStringLiteral("lt"), QStringLiteral("<")},
        {QStringLiteral("gt"), QStringLiteral(">")},    {QStringLiteral("quot"), QStringLiteral("\"")},
        {QStringLiteral("apos"), QStringLiteral("'")},  {QStringLiteral("nbsp"), QStringLiteral(" ")},
        {QStringLiteral("copy"), QStringLiteral("©")},  {QStringLiteral("reg"), QStringLiteral("®")},
        {QStringLiteral("yen"), QStringLiteral("¥")},   {QStringLiteral("hellip"), QStringLiteral("…")},
        {QStringLiteral("mdash"), QStringLiteral("—")}, {QStringLiteral("ndash"), QStringLiteral("–")},
        {QStringLiteral("laquo"), QStringLiteral("«")}, {QStringLiteral("raquo"), QStringLiteral("»")},
        {QStringLiteral("times"), QStringLiteral("×")}, {QStringLiteral("middot"), QStringLiteral("·")}};
    if (entity.startsWith(QLatin1Char('#'))) {
        bool ok = false;
        const bool hex = entity.size() > 1 && (entity[1] == QLatin1Char('x') || entity[1] == QLatin1Char('X'));
        const uint code = hex ? entity.mid(2).toUInt(&ok, 16) : entity.mid(1).toUInt(&ok, 10);
        if (!ok || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return QString(QChar(0xFFFD));
        const char32_t ch = code;
        return QString::fromUcs4(&ch, 1);
    }
    return named.value(entity, QLatin1Char('&') + entity + QLatin1Char(';'));
}

QString decodeEntities(const QString& text)
{
    static const QRegularExpression entity(QStringLiteral("&(#[0-9]+|#[xX][0-9a-fA-F]+|[a-zA-Z]+);"));
    QString out;
    qsizetype pos = 0;
    for (auto it = entity.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        out += QStringView(text).mid(pos, m.capturedStart() - pos);
        out += decodeEntity(m.captured(1));
        pos = m.capturedEnd();
    }
    out += QStringView(text).mid(pos);
    return out;
}

// Tags replaced by a line break: line breaks and the ends of block elements.
QString breakTagsToNewlines(QString html)
{
    static const QRegularExpression breaks(
        QStringLiteral("<(br|/p|/div|/tr|/h[1-6]|/li|/table|/blockquote|/pre|hr|/title)\\b[^>]*>|<(li|p|div|tr)\\b[^>]*>"),
        QRegularExpression::CaseInsensitiveOption);
    return html.replace(breaks, QStringLiteral("\n"));
}

QString tidyLines(const QString& text)
{
    static const QRegularExpression spaces(QStringLiteral("[ \\t\\x{00A0}]+"));
    QStringList lines;
    bool lastEmpty = true;
    for (QString line : text.split(QLatin1Char('\n'))) {
        line = line.replace(spaces, QStringLiteral(" ")).trimmed();
        if (line.isEmpty() && lastEmpty)
            continue;
        lines.append(line);
        lastEmpty = line.isEmpty();
    }
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines.join(QLatin1Char('\n'));
}

} // namespace

QString htmlToText(QStringView html)
{
    static const QRegularExpression hidden(
        QStringLiteral("<(script|style|head|title)\\b[^>]*>.*?</\\1\\s*>|<!--.*?-->"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression tags(QStringLiteral("<[^>]*>"));
    QString text = html.toString();
    text.replace(QLatin1String("\r\n"), QLatin1String(" ")).replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    text.replace(hidden, QString());
    text = breakTagsToNewlines(text);
    text.replace(tags, QString());
    return tidyLines(decodeEntities(text));
}

QStringList htmlLinkTargets(QStringView html, int limit)
{
    static const QRegularExpression target(
        QStringLiteral("<(?:a|area|img)\\b[^>]*?\\b(?:href|src)\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)'|([^\\s>]+))"),
        QRegularExpression::CaseInsensitiveOption);
    QStringList targets;
    for (auto it = target.globalMatch(html); it.hasNext() && targets.size() < limit;) {
        const QRegularExpressionMatch m = it.next();
        const QString value = m.captured(1) + m.captured(2) + m.captured(3);
        if (!value.trimmed().isEmpty())
            targets.append(decodeEntities(value.trimmed()));
    }
    return targets;
}

QByteArray htmlDeclaredCharset(QByteArrayView html)
{
    static const QRegularExpression meta(QStringLiteral("<meta[^>]*charset\\s*=\\s*[\"']?([A-Za-z0-9_.:-]+)"),
                                         QRegularExpression::CaseInsensitiveOption);
    const auto m = meta.match(QString::fromLatin1(html.first(qMin<qsizetype>(html.size(), 4096))));
    return m.hasMatch() ? m.captured(1).toLatin1() : QByteArray();
}

} // namespace fumibako::platform::mail
