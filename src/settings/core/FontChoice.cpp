#include "settings/core/FontChoice.h"

#include "storage/ProfileStore.h"
#include "storage/SettingValues.h"

#include <array>

namespace fumibako::settings {

namespace {

constexpr std::array<int, 8> kPointSizes{0, 8, 10, 12, 14, 18, 24, 36};
constexpr int kDefaultSizeIndex = 2;

} // namespace

QStringList listedFaces(const QList<FontFamilyInfo>& installed, bool fixedPitchOnly, bool noSymbol)
{
    QStringList faces{kDefaultFaceEntry};
    for (const FontFamilyInfo& family : installed) {
        if (!family.japanese || (fixedPitchOnly && !family.fixedPitch) || (noSymbol && family.symbol))
            continue;
        const QString name = family.name.trimmed();
        if (!name.isEmpty())
            faces.append(name);
    }
    return faces;
}

QStringList sizeEntries()
{
    QStringList entries{QStringLiteral("IEのデフォルト")};
    for (int i = 1; i < int(kPointSizes.size()); ++i)
        entries.append(QStringLiteral("%1 (%2ポイント)").arg(i).arg(kPointSizes.at(i)));
    return entries;
}

std::optional<int> samplePointSize(int index)
{
    if (index < 1 || index >= int(kPointSizes.size()))
        return std::nullopt;
    return kPointSizes.at(index);
}

int initialFaceIndex(const QStringList& faces, const QString& storedName)
{
    const int index = faces.indexOf(storedName);
    return index >= 0 ? index : 0;
}

int initialSizeIndex(const QString& storedSize)
{
    const std::optional<qint16> index = storage::parseInt16(storedSize);
    if (!index || *index < 0 || *index >= int(kPointSizes.size()))
        return kDefaultSizeIndex;
    return *index;
}

QString storedSize(int index)
{
    return index <= 0 ? QString() : QString::number(index);
}

void storePreviewFont(const QString& registryFile, const QString& name, const QString& size)
{
    storage::IniWriteString(QStringLiteral("Font"), QStringLiteral("MainName"), name, registryFile);
    storage::IniWriteString(QStringLiteral("Font"), QStringLiteral("MainSize"), size, registryFile);
}

} // namespace fumibako::settings
