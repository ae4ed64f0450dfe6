#include "mailview/core/ReplyText.h"

#include "platform/mail/HeaderFields.h"

#include <QSet>

namespace fumibako::mailview {

namespace {

QString addressKey(const QString& address)
{
    return address.trimmed().toCaseFolded();
}

// The compose window's address boxes separate entries with ", ", even inside a quoted name
// ("Sato, Hanako" <...>): such a name loses the space, so that each entry stays one recipient.
QString composeEntry(QString entry)
{
    return entry.replace(QStringLiteral(", "), QStringLiteral(","));
}

QString composeAddressList(const QString& list)
{
    QStringList entries = platform::mail::splitAddressList(list);
    for (QString& entry : entries)
        entry = composeEntry(entry.trimmed());
    return entries.join(QStringLiteral(", "));
}

} // namespace

QString quoteForReply(const QString& text)
{
    static const QString lineEnd = QStringLiteral("\r\n");
    static const QString quotedLineEnd = QStringLiteral("\r\n>");
    QString quoted;
    quoted.reserve(text.size() + text.size() / 16 + 1);
    quoted += QLatin1Char('>');
    qsizetype from = 0;
    for (qsizetype at = text.indexOf(lineEnd); at >= 0; at = text.indexOf(lineEnd, from)) {
        quoted += QStringView(text).mid(from, at - from);
        quoted += quotedLineEnd;
        from = at + 2;
    }
    quoted += QStringView(text).mid(from);
    return quoted;
}

QString replySubject(const QString& subject)
{
    return QStringLiteral("Re:") + subject;
}

ReplyRecipients replyAllRecipients(const platform::mail::ReplyAddresses& original, const QString& ownAddress)
{
    using platform::mail::parseAddress;
    ReplyRecipients recipients;
    recipients.to = composeAddressList(original.replyTo.trimmed().isEmpty() ? original.from : original.replyTo);
    QSet<QString> taken{addressKey(ownAddress)};
    for (const QString& entry : platform::mail::splitAddressList(recipients.to))
        taken.insert(addressKey(parseAddress(entry).address));
    QStringList cc;
    for (const QString& entry : platform::mail::splitAddressList(original.to + QStringLiteral(", ") + original.cc)) {
        const platform::mail::MailAddress address = parseAddress(entry);
        const QString key = addressKey(address.address);
        if (!key.contains(QLatin1Char('@')) || taken.contains(key))
            continue;
        taken.insert(key);
        cc.append(composeEntry(platform::mail::displayAddress(address)));
    }
    recipients.cc = cc.join(QStringLiteral(", "));
    return recipients;
}

compose::ComposeFields replyFields(const RepliedMail& mail, ReplyTo who, bool quoteSubject, bool quoteBody,
                                   const QString& ownAddress)
{
    compose::ComposeFields fields;
    fields.to = composeAddressList(mail.from);
    if (who == ReplyTo::Everyone) {
        const ReplyRecipients everyone = replyAllRecipients(platform::mail::ReadReplyAddresses(mail.path), ownAddress);
        fields.to = everyone.to;
        fields.cc = everyone.cc;
    }
    fields.reply = platform::mail::ReadReplyReferences(mail.path);
    if (quoteSubject)
        fields.subject = replySubject(mail.subject);
    if (quoteBody)
        fields.body = quoteForReply(mail.body);
    return fields;
}

QString forwardAttachmentEntry(const QString& path, const QString& subject)
{
    QString name = subject.isEmpty() ? QStringLiteral("noSubject") : subject;
    name.replace(QStringLiteral(", "), QStringLiteral(","));
    return path + QStringLiteral("|転送[") + name + QStringLiteral("].eml");
}

} // namespace fumibako::mailview
