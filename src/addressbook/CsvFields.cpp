#include "addressbook/CsvFields.h"

namespace fumibako::addressbook {

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool isLineBreak(QChar c)
{
    return c == u'\r' || c == u'\n';
}

QStringView trimmedBlanks(QStringView text)
{
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && isBlank(text[from]))
        ++from;
    while (to > from && isBlank(text[to - 1]))
        --to;
    return text.sliced(from, to - from);
}

} // namespace

bool CsvFieldReader::atLineEnd() const
{
    return m_pos >= m_text.size() || isLineBreak(m_text[m_pos]);
}

void CsvFieldReader::takeLineEnd()
{
    if (m_pos >= m_text.size())
        return;
    if (m_text[m_pos] == u'\r' && m_pos + 1 < m_text.size() && m_text[m_pos + 1] == u'\n')
        ++m_pos;
    ++m_pos;
    ++m_line;
}

// Lines that are empty or hold only blanks carry no field.
void CsvFieldReader::skipEmptyLines()
{
    while (m_pos < m_text.size()) {
        qsizetype p = m_pos;
        while (p < m_text.size() && isBlank(m_text[p]))
            ++p;
        if (p < m_text.size() && !isLineBreak(m_text[p]))
            return;
        m_pos = p;
        takeLineEnd();
    }
}

bool CsvFieldReader::atEnd()
{
    if (m_failed)
        return true;
    if (!m_endedLine)
        return false; // a comma was read: at least an empty field follows
    skipEmptyLines();
    return m_pos >= m_text.size();
}

QString CsvFieldReader::readPlain()
{
    const qsizetype start = m_pos;
    while (m_pos < m_text.size() && m_text[m_pos] != u',' && !isLineBreak(m_text[m_pos]))
        ++m_pos;
    return trimmedBlanks(m_text.sliced(start, m_pos - start)).toString();
}

QString CsvFieldReader::readQuoted()
{
    QString field;
    ++m_pos; // the opening quote
    for (;;) {
        const qsizetype close = m_text.indexOf(u'"', m_pos);
        if (close < 0) {
            m_failed = true;
            return {};
        }
        const QStringView part = m_text.sliced(m_pos, close - m_pos);
        m_line += int(part.count(u'\n')) + int(part.count(u'\r')) - int(part.count(u"\r\n"));
        field += part;
        m_pos = close + 1;
        if (m_pos < m_text.size() && m_text[m_pos] == u'"') {
            field += u'"';
            ++m_pos;
            continue;
        }
        return field + readPlain();
    }
}

std::optional<QString> CsvFieldReader::next()
{
    if (atEnd())
        return std::nullopt;
    m_fieldLine = m_line;
    while (m_pos < m_text.size() && isBlank(m_text[m_pos]))
        ++m_pos;
    QString field = m_pos < m_text.size() && m_text[m_pos] == u'"' ? readQuoted() : readPlain();
    if (m_failed)
        return std::nullopt;
    if (m_pos < m_text.size() && m_text[m_pos] == u',') {
        ++m_pos;
        m_endedLine = false;
    } else {
        takeLineEnd();
        m_endedLine = true;
    }
    return field;
}

QString csvField(const QString& field)
{
    const bool needsQuotes = field.contains(u',') || field.contains(u'"') || field.contains(u'\r')
        || field.contains(u'\n') || (!field.isEmpty() && (isBlank(field.front()) || isBlank(field.back())));
    if (!needsQuotes)
        return field;
    QString quoted = field;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

QString csvLine(const QStringList& fields)
{
    QString line;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += u',';
        line += csvField(fields.at(i));
    }
    return line;
}

} // namespace fumibako::addressbook
