#include "mailview/core/ReplyText.h"

namespace fumibako::mailview {

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

QString forwardAttachmentEntry(const QString& path, const QString& subject)
{
    QString name = subject.isEmpty() ? QStringLiteral("noSubject") : subject;
    name.replace(QStringLiteral(", "), QStringLiteral(","));
    return path + QStringLiteral("|転送[") + name + QStringLiteral("].eml");
}

} // namespace fumibako::mailview
