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

MailRow::MailRow(const QString& key, const QString& field1, const QString& subject, const QString& date)
{
    auto text = std::make_shared<const QString>(key + QStringLiteral("=000\t") + field1 + QLatin1Char('\t') + subject
                                                + QLatin1Char('\t') + date);
    m_text = *text;
    m_owner = std::move(text);
    m_keyLength = static_cast<qint32>(key.size());
    m_subjectBegin = m_keyLength + 5 + static_cast<qint32>(field1.size()) + 1;
    m_dateBegin = m_subjectBegin + static_cast<qint32>(subject.size()) + 1;
}

std::optional<MailRow> MailRow::fromIndexLine(const QString& line)
{
    auto owner = std::make_shared<const QString>(line);
    const QStringView text(*owner);
    return fromIndexLine(text, std::move(owner));
}

std::optional<MailRow> MailRow::fromIndexLine(QStringView line, std::shared_ptr<const void> owner)
{
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (equals < 0 || line.size() - equals - 1 < 4)
        return std::nullopt;
    const QStringView value = line.sliced(equals + 1);
    for (int i = 0; i < 3; ++i) {
        const char16_t c = value.at(i).unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
    }
    const qsizetype fieldsBegin = equals + 5;
    const qsizetype firstTab = line.indexOf(QLatin1Char('\t'), fieldsBegin);
    const qsizetype secondTab = firstTab < 0 ? -1 : line.indexOf(QLatin1Char('\t'), firstTab + 1);
    if (secondTab < 0)
        return std::nullopt;
    MailRow row;
    row.m_text = line;
    row.m_owner = std::move(owner);
    row.m_keyLength = static_cast<qint32>(equals);
    row.m_subjectBegin = static_cast<qint32>(firstTab + 1);
    row.m_dateBegin = static_cast<qint32>(secondTab + 1);
    row.saved = value.at(0) == QLatin1Char('1');
    row.unread = value.at(1) == QLatin1Char('1');
    row.attachment = value.at(2) == QLatin1Char('1');
    return row;
}

QString indexField(QString text)
{
    for (QChar& c : text) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            c = QLatin1Char(' ');
    }
    return text;
}

QString BuildIndexValue(const MailRow& row)
{
    const QStringView field1 = row.field1();
    const QStringView subject = row.subject();
    const QStringView date = row.date();
    QString value;
    value.reserve(6 + field1.size() + subject.size() + date.size());
    value += row.saved ? QLatin1Char('1') : QLatin1Char('0');
    value += row.unread ? QLatin1Char('1') : QLatin1Char('0');
    value += row.attachment ? QLatin1Char('1') : QLatin1Char('0');
    value += QLatin1Char('\t');
    value += field1;
    value += QLatin1Char('\t');
    value += subject;
    value += QLatin1Char('\t');
    value += date;
    return value;
}

QString indexLine(const MailRow& row)
{
    return row.key().toString() + QLatin1Char('=') + BuildIndexValue(row);
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

QString outgoingCompanionName(const QString& mailName)
{
    return QLatin1Char('.') + mailName + QStringLiteral(".reply");
}

} // namespace fumibako::storage
