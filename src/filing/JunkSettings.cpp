#include "filing/JunkSettings.h"

#include "storage/ProfileStore.h"
#include "storage/SettingValues.h"

#include <algorithm>

namespace fumibako::filing {

namespace {

const QString kSection = QStringLiteral("Junk");

bool readFlag(const QString& key, const QString& userFile, bool fallback)
{
    const qint16 value = storage::readInt16(kSection, key, 10, userFile, fallback ? 1 : 0);
    return value == 0 || value == 1 ? value == 1 : fallback;
}

} // namespace

JunkSettings readJunkSettings(const QString& userFile)
{
    JunkSettings settings;
    settings.enabled = readFlag(QStringLiteral("Enabled"), userFile, settings.enabled);
    settings.trustProviderMarks = readFlag(QStringLiteral("TrustProvider"), userFile, settings.trustProviderMarks);
    settings.markRead = readFlag(QStringLiteral("MarkRead"), userFile, settings.markRead);
    const qint16 days = storage::readInt16(kSection, QStringLiteral("DeleteDays"), 10, userFile, 0);
    settings.deleteAfterDays = days >= 0 && days <= kMaxJunkDays ? days : 0;
    // A key never written keeps the default tags; one written empty means none.
    QStringList lines;
    storage::IniGetSection(kSection, userFile, lines);
    const bool tagsWritten = std::any_of(lines.cbegin(), lines.cend(), [](const QString& line) {
        return line.section(QLatin1Char('='), 0, 0).trimmed().compare(QLatin1String("ProviderTags"), Qt::CaseInsensitive) == 0;
    });
    if (tagsWritten) {
        const QString tags = storage::IniGetString(kSection, QStringLiteral("ProviderTags"), 1024, userFile);
        settings.providerTags = tags.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    }
    return settings;
}

bool writeJunkSettings(const QString& userFile, const JunkSettings& settings)
{
    const auto flag = [](bool value) { return value ? QStringLiteral("1") : QStringLiteral("0"); };
    return storage::IniWriteSection(kSection, userFile,
                                    {QStringLiteral("Enabled=") + flag(settings.enabled),
                                     QStringLiteral("TrustProvider=") + flag(settings.trustProviderMarks),
                                     QStringLiteral("ProviderTags=") + settings.providerTags.join(QLatin1Char(' ')),
                                     QStringLiteral("MarkRead=") + flag(settings.markRead),
                                     QStringLiteral("DeleteDays=") + QString::number(settings.deleteAfterDays)});
}

} // namespace fumibako::filing
