#include "storage/SettingValues.h"

#include "storage/ProfileStore.h"

#include <cmath>
#include <limits>

namespace fumibako::storage {

std::optional<double> parseDecimal(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    bool ok = false;
    const double value = trimmed.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<qint16> parseInt16(const QString& text)
{
    const std::optional<double> value = parseDecimal(text);
    if (!value)
        return std::nullopt;
    const double rounded = std::nearbyint(*value); // the default rounding mode rounds halves to even
    if (rounded < std::numeric_limits<qint16>::min() || rounded > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return static_cast<qint16>(rounded);
}

std::optional<bool> parseTruth(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (trimmed.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    if (const std::optional<double> number = parseDecimal(trimmed))
        return *number != 0.0;
    return std::nullopt;
}

QString truthWord(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

qint16 readInt16(const QString& section, const QString& key, int bufferSize, const QString& file, qint16 fallback)
{
    return parseInt16(IniGetString(section, key, bufferSize, file)).value_or(fallback);
}

} // namespace fumibako::storage
