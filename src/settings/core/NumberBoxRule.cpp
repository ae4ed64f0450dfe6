#include "settings/core/NumberBoxRule.h"

#include <optional>

namespace fumibako::settings {

namespace {

// A whole number: optional sign, then digits, spaces around allowed. Nothing for anything else,
// and for numbers beyond @p largest in either direction.
std::optional<qint64> readWholeNumber(const QString& text, int largest)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed.size() > 12)
        return std::nullopt;
    bool ok = false;
    const qint64 value = trimmed.toLongLong(&ok, 10);
    if (!ok || value > largest || value < -qint64(largest) - 1)
        return std::nullopt;
    return value;
}

} // namespace

NumberBoxRule::NumberBoxRule(int minimum, int maximum, int largestNumber)
    : m_minimum(minimum), m_maximum(maximum), m_largestNumber(largestNumber)
{
}

QString NumberBoxRule::corrected(const QString& text) const
{
    const std::optional<qint64> value = readWholeNumber(text, m_largestNumber);
    if (!value)
        return m_lastGood;
    if (*value < m_minimum)
        return QString::number(m_minimum);
    if (*value > m_maximum)
        return QString::number(m_maximum);
    return QString::number(*value);
}

QString NumberBoxRule::step(const QString& presentText, int delta)
{
    m_lastGood = presentText;
    const std::optional<qint64> value = readWholeNumber(presentText, m_largestNumber);
    if (!value)
        return m_lastGood;
    return corrected(QString::number(*value + delta));
}

NumberBoxRule portBoxRule()
{
    return NumberBoxRule(0, 65535, 65535);
}

bool portInRange(const QString& text)
{
    const std::optional<qint64> value = readWholeNumber(text, 65535);
    return value && *value >= 1;
}

NumberBoxRule minutesBoxRule()
{
    return NumberBoxRule(1, 60, 32767);
}

} // namespace fumibako::settings
