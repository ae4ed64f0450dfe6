#include "storage/IndexEntry.h"

#include <QFile>
#include <QFileInfo>

namespace fumibako::storage {

QString MailRow::savedText() const
{
    return saved ? QStringLiteral("♪") : QString();
}

QString MailRow::unreadText() const
{
    return unread ? QStringLiteral("未") : QString();
}

QString MailRow::attachmentText() const
{
    return attachment ? QStringLiteral("有") : QString();
}

std::optional<MailRow> ParseIndexLine(const QString& line)
{
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (equals < 0)
        return std::nullopt;
    const QStringView value = QStringView(line).mid(equals + 1);
    if (value.size() < 4)
        return std::nullopt;
    for (int i = 0; i < 3; ++i) {
        if (!value.at(i).isDigit() || value.at(i).unicode() > 0x7F)
            return std::nullopt;
    }
    const QStringView fields = value.mid(4);
    const qsizetype firstTab = fields.indexOf(QLatin1Char('\t'));
    const qsizetype secondTab = firstTab < 0 ? -1 : fields.indexOf(QLatin1Char('\t'), firstTab + 1);
    if (secondTab < 0)
        return std::nullopt;
    MailRow row;
    row.key = line.left(equals);
    row.saved = value.at(0) == QLatin1Char('1');
    row.unread = value.at(1) == QLatin1Char('1');
    row.attachment = value.at(2) == QLatin1Char('1');
    row.field1 = fields.left(firstTab).toString();
    row.subject = fields.mid(firstTab + 1, secondTab - firstTab - 1).toString();
    row.date = fields.mid(secondTab + 1).toString();
    return row;
}

QString BuildIndexValue(const MailRow& row)
{
    QString value;
    value.reserve(6 + row.field1.size() + row.subject.size() + row.date.size());
    value += row.saved ? QLatin1Char('1') : QLatin1Char('0');
    value += row.unread ? QLatin1Char('1') : QLatin1Char('0');
    value += row.attachment ? QLatin1Char('1') : QLatin1Char('0');
    value += QLatin1Char('\t') + row.field1 + QLatin1Char('\t') + row.subject + QLatin1Char('\t') + row.date;
    return value;
}

QString indexLine(const MailRow& row)
{
    return row.key + QLatin1Char('=') + BuildIndexValue(row);
}

QString cleanMailFileName(const QString& name)
{
    QString cleaned = name;
    cleaned.remove(QLatin1Char('['));
    cleaned.remove(QLatin1Char(']'));
    cleaned.remove(QLatin1Char('='));
    cleaned.remove(QLatin1Char(' '));
    cleaned.remove(QChar(0x3000)); // full-width space
    return cleaned;
}

QString SanitizeMailFileName(const QString& dir, const QString& name)
{
    const QString cleaned = cleanMailFileName(name);
    if (cleaned == name)
        return name;
    QString target = cleaned;
    for (int n = 1; QFileInfo::exists(dir + target); ++n)
        target = cleaned + QLatin1Char('(') + QString::number(n) + QLatin1Char(')');
    if (!QFile::rename(dir + name, dir + target))
        return name;
    return target;
}

QString MakeTimestampName(const QDateTime& when)
{
    return when.toString(QStringLiteral("yyyyMMdd-hhmmss")) + QStringLiteral(".txt");
}

} // namespace fumibako::storage
